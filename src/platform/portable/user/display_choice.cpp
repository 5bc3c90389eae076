// The one place that chooses the window system: the test mode's stand-ins
// when it is on, else a Wayland compositor, else an X server, else nothing
// (windows cannot be made; time still runs).
#include "platform/portable/user/display_choice.h"

#include <cstdlib>
#include <cstring>

#include "platform/portable/bridge.h"
#include "platform/portable/nullmode/null_mode_internal.h"
#include "platform/portable/system_backend.h"
#include "platform/portable/user/user_internal.h"
#include "platform/portable/user/wayland/wayland_display.h"
#include "platform/portable/user/x11/x11_calls.h"
#include "platform/portable/user/x11/x11_connection.h"

namespace portable {
namespace {

bool set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

// What NUVEX_BACKEND asks for: empty when it is not set.
std::string forced_backend() {
    const char* v = std::getenv("NUVEX_BACKEND");
    return v ? v : "";
}

bool forced_backend_unknown() {
    const std::string forced = forced_backend();
    return !forced.empty() && forced != "wayland" && forced != "x11";
}

// Handles of the Wayland desktop: it is no window anyone can draw in, only
// what GetDesktopWindow answers so that a window of our own can be made.
constexpr std::uint32_t kWaylandDesktop = 0x7FFFFFFEu;

}  // namespace

DisplayKind display_kind() {
    if (null_mode_on()) {
        return DisplayKind::none;  // the test mode asks no real display
    }
    static const DisplayKind kind = [] {
        const std::string forced = forced_backend();
        if (forced == "wayland") {
            return wayland::connect() ? DisplayKind::wayland : DisplayKind::none;
        }
        if (forced == "x11") {
            return x11::display_unreachable_reason().empty() ? DisplayKind::x11 : DisplayKind::none;
        }
        if (!forced.empty()) {
            return DisplayKind::none;
        }
        // WAYLAND_SOCKET is a connection handed over by the program that
        // started us; either variable names a compositor to ask.
        if ((set("WAYLAND_DISPLAY") || set("WAYLAND_SOCKET")) && wayland::connect()) {
            return DisplayKind::wayland;
        }
        return x11::display_unreachable_reason().empty() ? DisplayKind::x11 : DisplayKind::none;
    }();
    return kind;
}

Backend& backend() {
    if (null_mode_on()) {
        return null_backend();
    }
    if (Backend* display = display_backend()) {
        return *display;
    }
    return headless_backend();
}

Backend* display_backend() {
    static Backend* started = [] {
        switch (display_kind()) {
            case DisplayKind::wayland:
                return wayland::start_backend();
            case DisplayKind::x11:
                return x11::start_backend();
            case DisplayKind::none:
                break;
        }
        return static_cast<Backend*>(nullptr);
    }();
    return started;
}

SystemBackend& system_backend() {
    return null_mode_on() ? null_system() : real_system();
}

std::string quoted_display_name() {
    if (display_kind() == DisplayKind::wayland) {
        return wayland::quoted_display_name();
    }
    return x11::quoted_display_name();
}

std::string display_unreachable_reason() {
    if (forced_backend_unknown()) {
        return "NUVEX_BACKEND=" + forced_backend() + " names no display back end (wayland or x11)";
    }
    switch (display_kind()) {
        case DisplayKind::wayland:
        case DisplayKind::x11:
            return {};
        case DisplayKind::none:
            break;
    }
    const std::string forced = forced_backend();
    if (forced == "wayland") {
        return wayland::unreachable_reason();
    }
    const std::string x11Reason = x11::display_unreachable_reason();
    if (forced.empty() && set("WAYLAND_DISPLAY")) {
        // Both were asked; the compositor's answer comes first.
        return wayland::unreachable_reason() + ", and " + x11Reason;
    }
    return x11Reason;
}

std::string foreign_windows_missing() {
    if (display_kind() != DisplayKind::wayland) {
        return {};
    }
    return "Wayland has no windows of other programs to draw in (a preview, --window-id and "
           "--root need X11); use /s, or --window for a window of its own";
}

HWND display_desktop_window() {
    switch (display_kind()) {
        case DisplayKind::wayland:
            return handle_from(kWaylandDesktop);
        case DisplayKind::x11:
            return handle_from(x11::root_window_id());
        case DisplayKind::none:
            break;
    }
    return nullptr;
}

namespace {
// Set once shared memory was handed out: until then there is none to free,
// and freeing ordinary memory asks no display.
bool g_sharedMade = false;
}  // namespace

std::uint32_t* display_alloc_shared(std::size_t count) {
    // Wayland buffers are the back end's own; bitmaps stay in plain memory.
    std::uint32_t* pixels = display_kind() == DisplayKind::x11 ? x11::alloc_shared(count) : nullptr;
    g_sharedMade = g_sharedMade || pixels != nullptr;
    return pixels;
}

bool display_free_shared(std::uint32_t* pixels) {
    return g_sharedMade && x11::free_shared(pixels);
}

void toolkit_connecting() {
    // GTK picks its own back end otherwise (Wayland first); the dialog goes
    // where the saver would. A GDK_BACKEND the user set is left alone.
    if (set("GDK_BACKEND")) {
        return;
    }
    switch (display_kind()) {
        case DisplayKind::wayland:
            setenv("GDK_BACKEND", "wayland", 1);
            break;
        case DisplayKind::x11:
            setenv("GDK_BACKEND", "x11", 1);
            break;
        case DisplayKind::none:
            break;
    }
}

void end_process_on_lost_display() {
    // Only Xlib lets a program choose what happens then; GTK on Wayland ends
    // the process by itself.
    if (display_kind() == DisplayKind::x11) {
        x11::end_process_on_lost_display();
    }
}

}  // namespace portable

HWND GetDesktopWindow() {
    return portable::system_backend().desktop_window();
}

std::uint32_t* portable_alloc_pixels(std::size_t count) {
    if (std::uint32_t* shared = portable::system_backend().alloc_shared_pixels(count)) {
        return shared;
    }
    return static_cast<std::uint32_t*>(std::calloc(count, sizeof(std::uint32_t)));
}

void portable_free_pixels(std::uint32_t* pixels) {
    if (pixels && !portable::display_free_shared(pixels)) {
        std::free(pixels);
    }
}
