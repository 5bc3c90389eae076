// The fault guard on Windows, built without compiler support for structured
// exception handling.
//
// While a mode runs, our filter is the process's top-level exception filter,
// so it sees exactly the faults that no frame inside the mode handled. It
// hands each one to the system's UnhandledExceptionFilter (with the filter
// that was installed before ours back in place, so the runtime's own filter
// still has its say). When the system answers that the handler is to run, the
// filter calls onFault and resumes the faulting thread in a small routine that
// jumps back into RunFaultGuarded, which then returns -1. Any other answer is
// passed on unchanged (a debugger, for instance, gets the fault).
//
// A C++ exception that leaves the mode is a fault too: it is caught at the
// guard and handed to UnhandledExceptionFilter with a context captured there.
#include "platform/fault_guard.h"

#include <malloc.h>

#include <cstdint>

#include "platform/win32.h"

namespace {

// Code under which an escaped C++ exception is presented to the system: an
// application-defined, error-severity code ("NVX" in the low bytes).
constexpr DWORD escaped_exception_code = 0xE04E5658u;

struct GuardFrame {
    void* jump_buffer[5];  // __builtin_setjmp needs five words
    void (*on_fault)();
    LPTOP_LEVEL_EXCEPTION_FILTER previous_filter;  // put back when the guard ends
    LPTOP_LEVEL_EXCEPTION_FILTER system_filter;    // the nearest filter that is not ours
    GuardFrame* outer;
    DWORD fault_code;  // of the fault the guard came back from
};

// The innermost guard of the process; the saver runs on one thread.
GuardFrame* active_guard = nullptr;

[[noreturn]] void resume_in_guard() {
    __builtin_longjmp(active_guard->jump_buffer, 1);
}

// Room left between the faulting stack pointer and the frame of the resume
// routine; the dispatcher has already used (and committed) far more than this
// below the fault while it ran the filters.
constexpr std::uintptr_t resume_stack_gap = 512;

void redirect_to_resume(CONTEXT& context) {
#if defined(_M_X64) || defined(__x86_64__)
    // At a function's entry the stack pointer is 8 below a 16-byte boundary.
    context.Rsp = ((context.Rsp - resume_stack_gap) & ~std::uintptr_t{15}) - 8;
    context.Rip = reinterpret_cast<DWORD64>(&resume_in_guard);
#elif defined(_M_IX86) || defined(__i386__)
    context.Esp = ((context.Esp - resume_stack_gap) & ~std::uintptr_t{15}) - 4;
    context.Eip = reinterpret_cast<DWORD>(&resume_in_guard);
#else
#error "the fault guard knows how to resume only on x86 and x86-64"
#endif
}

LONG WINAPI guard_filter(EXCEPTION_POINTERS* info) {
    GuardFrame* guard = active_guard;
    if (!guard) return EXCEPTION_CONTINUE_SEARCH;
    // The system's verdict, with the earlier top-level filter consulted
    // instead of this one.
    SetUnhandledExceptionFilter(guard->system_filter);
    const LONG verdict = UnhandledExceptionFilter(info);
    SetUnhandledExceptionFilter(&guard_filter);
    if (verdict != EXCEPTION_EXECUTE_HANDLER) return verdict;
    guard->fault_code = info->ExceptionRecord->ExceptionCode;
    guard->on_fault();
    redirect_to_resume(*info->ContextRecord);
    return EXCEPTION_CONTINUE_EXECUTION;
}

// Presents an escaped C++ exception to the system as a fault at this point.
LONG judge_escaped_exception() {
    CONTEXT context{};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = escaped_exception_code;
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    record.ExceptionAddress = reinterpret_cast<void*>(&judge_escaped_exception);
    EXCEPTION_POINTERS pointers{&record, &context};
    SetUnhandledExceptionFilter(active_guard->system_filter);
    const LONG verdict = UnhandledExceptionFilter(&pointers);
    SetUnhandledExceptionFilter(&guard_filter);
    return verdict;
}

// Kept out of line so that the setjmp receiver in RunFaultGuarded needs no
// knowledge of what the mode keeps in registers.
__attribute__((noinline)) int run_mode(int (*mode)(void*), void* context, bool& escaped) {
    try {
        return mode(context);
    } catch (...) {
        if (judge_escaped_exception() != EXCEPTION_EXECUTE_HANDLER) throw;
        escaped = true;
        return -1;
    }
}

void leave_guard(GuardFrame& guard) {
    active_guard = guard.outer;
    SetUnhandledExceptionFilter(guard.previous_filter);
}

}  // namespace

int RunFaultGuarded(int (*mode)(void* context), void* context, void (*onFault)()) {
    // volatile: the frame is read again after a jump back from the filter.
    GuardFrame frame{};
    GuardFrame* volatile guard = &frame;
    guard->on_fault = onFault;
    guard->outer = active_guard;
    guard->previous_filter = SetUnhandledExceptionFilter(&guard_filter);
    guard->system_filter = guard->outer ? guard->outer->system_filter : guard->previous_filter;
    active_guard = guard;
    if (__builtin_setjmp(guard->jump_buffer) != 0) {
        // Back from a fault: the filter has already run onFault. A stack
        // overflow used up the stack's guard page; put it back so that the
        // thread can detect the next one.
        if (guard->fault_code == EXCEPTION_STACK_OVERFLOW) _resetstkoflw();
        leave_guard(*guard);
        return -1;
    }
    bool escaped = false;
    int result = 0;
    try {
        result = run_mode(mode, context, escaped);
    } catch (...) {
        leave_guard(*guard);
        throw;
    }
    leave_guard(*guard);
    if (escaped) {
        onFault();
        return -1;
    }
    return result;
}
