// The portable fault guard: a processor fault or an escaping exception inside
// a mode ends it with -1 after the fault handler, and the process goes on.
#include "platform/fault_guard.h"

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>

namespace {

int fault_handler_calls = 0;
void count_fault() {
    ++fault_handler_calls;
}

int returns_given(void* context) {
    return *static_cast<int*>(context);
}
int throws(void*) {
    throw std::runtime_error("mode failed");
}
int raises(void* context) {
    std::raise(*static_cast<int*>(context));
    return 5;
}

TEST(FaultGuard, NormalResultPassesThroughWithoutTheHandler) {
    fault_handler_calls = 0;
    int value = 17;
    EXPECT_EQ(RunFaultGuarded(returns_given, &value, count_fault), 17);
    value = -1;
    EXPECT_EQ(RunFaultGuarded(returns_given, &value, count_fault), -1);
    EXPECT_EQ(fault_handler_calls, 0);
}

TEST(FaultGuard, EscapingExceptionRunsTheHandlerAndGivesMinusOne) {
    fault_handler_calls = 0;
    EXPECT_EQ(RunFaultGuarded(throws, nullptr, count_fault), -1);
    EXPECT_EQ(fault_handler_calls, 1);
}

TEST(FaultGuard, ProcessorFaultSignalsRunTheHandlerAndGiveMinusOne) {
    for (int signal_number : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        SCOPED_TRACE(signal_number);
        fault_handler_calls = 0;
        EXPECT_EQ(RunFaultGuarded(raises, &signal_number, count_fault), -1);
        EXPECT_EQ(fault_handler_calls, 1);
    }
}

TEST(FaultGuard, PreviousSignalHandlersAreBackAfterTheGuard) {
    struct sigaction before {};
    sigaction(SIGSEGV, nullptr, &before);
    int value = 1;
    RunFaultGuarded(returns_given, &value, count_fault);
    int signal_number = SIGFPE;
    RunFaultGuarded(raises, &signal_number, count_fault);
    struct sigaction after {};
    sigaction(SIGSEGV, nullptr, &after);
    EXPECT_EQ(before.sa_handler, after.sa_handler);
}

}  // namespace
