// The window system the portable platform draws on, chosen once for the
// process in display_choice.cpp, the one place that knows the display back
// ends (x11/, wayland/). Everything else reaches them through the Backend
// table (user_internal.h) and the functions here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/portable/windows.h"

namespace portable {

enum class DisplayKind { none, wayland, x11 };

// NUVEX_BACKEND=wayland or x11 forces one; otherwise Wayland when a
// compositor answers on WAYLAND_DISPLAY, else X11 when the X server DISPLAY
// names answers, else none. Asked once; never asked in the test mode.
DisplayKind display_kind();

// The display as messages name it, quoted: "\":0\"" or "\"wayland-1\"".
std::string quoted_display_name();
// Why no display can be reached, in words for one line of the error stream;
// empty when one can.
std::string display_unreachable_reason();
// Why windows of other programs (a preview's pane, --window-id, --root)
// cannot be drawn in, in words for one line; empty where they can.
std::string foreign_windows_missing();
// The desktop window GetDesktopWindow reports; nullptr without a display.
HWND display_desktop_window();
// Pixel memory the display shows without a copy on our side; nullptr where
// there is none. display_free_shared answers false for memory it did not make.
std::uint32_t* display_alloc_shared(std::size_t count);
bool display_free_shared(std::uint32_t* pixels);
// Called before a toolkit (GTK) connects to the display, so that it connects
// to the same window system, and after, so that a connection that breaks
// ends the process with one line on the error stream and status 255 where
// the window system lets us see that happen.
void toolkit_connecting();
void end_process_on_lost_display();

}  // namespace portable
