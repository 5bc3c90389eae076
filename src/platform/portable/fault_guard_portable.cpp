// The fault guard where there is no structured fault handling: processor
// faults arrive as signals, which jump back to the guard; an exception that
// escapes the mode is caught at the guard. Either way the fault handler runs
// and the mode's result is -1.
#include <csetjmp>
#include <csignal>
#include <cstdlib>
#include <exception>

#include "platform/fault_guard.h"

namespace {

constexpr int guarded_signals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int guarded_count = sizeof(guarded_signals) / sizeof(guarded_signals[0]);

sigjmp_buf* active_guard = nullptr;

extern "C" void on_fault_signal(int signal_number) {
    if (active_guard) siglongjmp(*active_guard, signal_number);
    // No guard: fall back to the default action.
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

// A stack overflow leaves no stack for the handler; it runs on its own.
struct AlternateStack {
    stack_t previous{};
    bool installed = false;
    char* memory = nullptr;

    AlternateStack() {
        const std::size_t size = 64 * 1024;
        memory = static_cast<char*>(std::malloc(size));
        if (!memory) return;
        stack_t ours{};
        ours.ss_sp = memory;
        ours.ss_size = size;
        installed = sigaltstack(&ours, &previous) == 0;
    }
    ~AlternateStack() {
        if (installed) sigaltstack(&previous, nullptr);
        std::free(memory);
    }
};

struct SignalHandlers {
    struct sigaction previous[guarded_count] {};

    SignalHandlers() {
        struct sigaction action {};
        action.sa_handler = on_fault_signal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_ONSTACK;
        for (int i = 0; i < guarded_count; ++i) {
            sigaction(guarded_signals[i], &action, &previous[i]);
        }
    }
    ~SignalHandlers() {
        for (int i = 0; i < guarded_count; ++i)
            sigaction(guarded_signals[i], &previous[i], nullptr);
    }
};

struct Outcome {
    int result;
    bool faulted;
};

Outcome run_catching_exceptions(int (*mode)(void*), void* context) {
    try {
        return Outcome{mode(context), false};
    } catch (...) {
        return Outcome{-1, true};
    }
}

}  // namespace

int RunFaultGuarded(int (*mode)(void* context), void* context, void (*onFault)()) {
    AlternateStack stack;
    SignalHandlers handlers;
    sigjmp_buf guard;
    sigjmp_buf* const outer = active_guard;

    // Written between sigsetjmp and a possible jump, so kept in memory.
    volatile bool faulted = true;
    volatile int result = -1;
    if (sigsetjmp(guard, 1) == 0) {
        active_guard = &guard;
        const Outcome outcome = run_catching_exceptions(mode, context);
        result = outcome.result;
        faulted = outcome.faulted;
    }
    active_guard = outer;

    if (faulted) {
        onFault();
        return -1;
    }
    return result;
}
