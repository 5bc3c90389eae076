// The desktop window: on X11 the root window of the display's default screen,
// asked of the server on a short connection of its own, so that finding it
// starts nothing else (no SDL, no shared memory).
#include <X11/Xlib.h>

#include "platform/portable/user/x11/x11_connection.h"

namespace portable::x11 {

std::uint32_t root_window_id() {
    static const std::uint32_t root = [] {
        Display* display = XOpenDisplay(nullptr);
        if (!display) {
            return std::uint32_t{0};
        }
        const auto id = static_cast<std::uint32_t>(DefaultRootWindow(display));
        XCloseDisplay(display);
        return id;
    }();
    return root;
}

}  // namespace portable::x11
