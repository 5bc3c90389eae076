#include "platform/portable/user/x11/x11_connection.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

#include "platform/portable/windows.h"
#include "platform/shared/quoted.h"

namespace portable::x11 {
namespace {

// Xlib calls this when the connection breaks, from inside whatever request
// met the break, and the program cannot carry on from there. Xlib's own
// handler would call exit(), which runs the static destructors in the middle
// of that request: a surface destructor then waits for the lock the drawing
// call still holds, and the process hangs. The process ends here instead, the
// way every run of the program ends (ExitProcess), without those destructors;
// what the X server held for it went with the server.
int on_lost_connection(Display* display) {
    const char* name = display ? DisplayString(display) : nullptr;
    std::fprintf(stderr, "nuvex: lost the connection to display %s\n",
                 quoted(name ? name : "").c_str());
    ExitProcess(static_cast<UINT>(-1));
}

}  // namespace

std::string quoted_display_name() {
    const char* name = std::getenv("DISPLAY");
    return quoted(name ? name : "");
}

std::string display_unreachable_reason() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return "no display to draw on (DISPLAY is not set)";
    Display* probe = XOpenDisplay(nullptr);
    if (!probe) return "cannot open display " + quoted_display_name();
    XCloseDisplay(probe);
    return {};
}

void end_process_on_lost_display() {
    XSetIOErrorHandler(on_lost_connection);
}

}  // namespace portable::x11
