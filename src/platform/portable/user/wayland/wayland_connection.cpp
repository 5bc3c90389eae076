// The connection to the Wayland compositor: made once, when the display is
// chosen, and kept for the back end (a socket handed over in WAYLAND_SOCKET
// can be used only once).
#include <wayland-client.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/portable/user/wayland/wayland_display.h"
#include "platform/portable/user/wayland/wayland_internal.h"

namespace portable::wayland {
namespace {

wl_display* g_display = nullptr;
int g_connectError = 0;

std::string socket_name() {
    const char* named = std::getenv("WAYLAND_DISPLAY");
    if (named && *named) return named;
    if (const char* handed = std::getenv("WAYLAND_SOCKET"); handed && *handed) {
        std::string text = "socket ";
        text.append(handed);
        return text;
    }
    return "wayland-0";  // libwayland's default
}

}  // namespace

bool connect() {
    if (!g_display) {
        g_display = wl_display_connect(nullptr);
        g_connectError = g_display ? 0 : errno;
    }
    return g_display != nullptr;
}

wl_display* connection() {
    return g_display;
}

std::string quoted_display_name() {
    std::string quoted = "\"";
    quoted += socket_name();
    quoted += '"';
    return quoted;
}

std::string unreachable_reason() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if ((!runtime || !*runtime) && !std::getenv("WAYLAND_SOCKET")) {
        return "cannot reach Wayland display " + quoted_display_name() +
               " (XDG_RUNTIME_DIR is not set)";
    }
    std::string reason = "cannot connect to Wayland display " + quoted_display_name();
    if (g_connectError != 0) {
        reason += std::string(" (") + std::strerror(g_connectError) + ")";
    }
    return reason;
}

}  // namespace portable::wayland
