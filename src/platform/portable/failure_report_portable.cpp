// Off Windows a mode that cannot run says why on the error stream, in one
// line, and fails with -1 (exit status 255).
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/failure_report.h"
#include "platform/portable/system_backend.h"
#include "platform/portable/user/display_choice.h"
#include "platform/portable/user/user_internal.h"

namespace {

void say(const std::string& line) {
    std::fprintf(stderr, "nuvex: %s\n", line.c_str());
}

std::string no_such_window(HWND window) {
    const std::string missing = portable::foreign_windows_missing();
    if (!missing.empty()) return missing;
    return "no window " + std::to_string(portable::handle_value(window)) + " on display " +
           portable::quoted_display_name();
}

// Why windows cannot be made at all: empty when the display (or the test
// mode's stand-in for it) is there.
std::string display_problem() {
    if (portable::backend().makes_windows()) return {};
    const std::string reason = portable::display_unreachable_reason();
    return reason.empty() ? "cannot start the display " + portable::quoted_display_name() : reason;
}

}  // namespace

int ReportNoSaverWindow(HWND parent) {
    std::string reason = display_problem();
    if (reason.empty()) {
        reason =
            parent && !IsWindow(parent) ? no_such_window(parent) : "cannot make the saver window";
    }
    say(reason);
    return -1;
}

void ReportNoConfigDialog() {
    const std::string reason = portable::system_backend().display_unreachable_reason();
    say("cannot show the settings dialog" + (reason.empty() ? "" : ": " + reason));
}

void ReportWindowIdTooLarge(const char* idText) {
    std::string digits;
    for (const char* p = idText; p && *p >= '0' && *p <= '9'; ++p) digits.push_back(*p);
    say("window id " + digits + " is out of range (window ids have at most 32 bits)");
}

void ReportNoSuchWindow(HWND window) {
    const std::string reason = display_problem();
    say(reason.empty() ? no_such_window(window) : reason);
}
