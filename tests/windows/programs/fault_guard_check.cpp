// Checks the Windows fault guard in a real process: a processor fault and an
// escaped C++ exception end the guarded mode with -1 after the fault handler
// ran once; an ordinary mode keeps its result; the process's top-level filter
// is the same before and after; a guard can run again after a fault.
// Prints one line per failed check; the exit code is the number of failures.
#include <cstdio>
#include <stdexcept>

#include "platform/fault_guard.h"
#include "platform/win32.h"

namespace {

int failures = 0;
int fault_calls = 0;

void check(bool ok, const char* what) {
    if (!ok) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}

void count_fault() {
    ++fault_calls;
}

int returns_seven(void*) {
    return 7;
}

int writes_through_null(void* context) {
    volatile int* target = static_cast<volatile int*>(context);
    *target = 1;
    return 0;
}

int divides_by_zero(void* context) {
    volatile int zero = *static_cast<int*>(context);
    return 100 / zero;
}

int throws(void*) {
    throw std::runtime_error("escaped");
}

int recurses(void* depth) {
    volatile char pad[4096];
    pad[0] = 1;
    int next = *static_cast<int*>(depth) + 1;
    if (next > (1 << 30)) return 0;  // never reached: the stack ends long before
    return recurses(&next) + pad[0];
}

int catches_its_own(void*) {
    try {
        throw 5;
    } catch (int value) {
        return value;
    }
}

LONG WINAPI marker_filter(EXCEPTION_POINTERS*) {
    return EXCEPTION_CONTINUE_SEARCH;
}

struct Case {
    const char* name;
    int (*mode)(void*);
    void* context;
    int expected_result;
    int expected_faults;
};

}  // namespace

int main() {
    // A fault must not open the system's error box in this unattended test.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    LPTOP_LEVEL_EXCEPTION_FILTER before = SetUnhandledExceptionFilter(&marker_filter);

    int zero = 0;
    int depth = 0;
    const Case cases[] = {
        {"an ordinary mode keeps its result", &returns_seven, nullptr, 7, 0},
        {"an exception caught inside the mode is no fault", &catches_its_own, nullptr, 5, 0},
        {"an access violation ends the mode with -1", &writes_through_null, nullptr, -1, 1},
        {"an integer division by zero ends the mode with -1", &divides_by_zero, &zero, -1, 1},
        {"an escaped C++ exception ends the mode with -1", &throws, nullptr, -1, 1},
        {"the guard works again after a fault", &writes_through_null, nullptr, -1, 1},
        {"a stack overflow ends the mode with -1", &recurses, &depth, -1, 1},
        {"a second stack overflow ends the mode with -1 too", &recurses, &depth, -1, 1},
        {"an ordinary mode after faults keeps its result", &returns_seven, nullptr, 7, 0},
    };
    for (const Case& c : cases) {
        fault_calls = 0;
        const int result = RunFaultGuarded(c.mode, c.context, &count_fault);
        char what[200];
        std::snprintf(what, sizeof what, "%s (result %d, fault handler ran %d times)", c.name,
                      result, fault_calls);
        check(result == c.expected_result && fault_calls == c.expected_faults, what);
        // The guard puts the earlier top-level filter back.
        check(SetUnhandledExceptionFilter(&marker_filter) == &marker_filter,
              "the top-level filter is restored after the guard");
    }
    SetUnhandledExceptionFilter(before);
    if (failures == 0) std::printf("fault guard: all %zu cases passed\n", std::size(cases));
    return failures;
}
