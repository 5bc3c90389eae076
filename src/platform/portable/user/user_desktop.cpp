// The desktop window: on X11 the root window of the display's default screen,
// asked of the server on a short connection of its own, so that finding it
// starts nothing else (no SDL, no shared memory).
#include <X11/Xlib.h>

#include "platform/portable/system_backend.h"
#include "platform/portable/user/user_internal.h"

namespace portable {

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

}  // namespace portable

HWND GetDesktopWindow() {
    return portable::system_backend().desktop_window();
}
