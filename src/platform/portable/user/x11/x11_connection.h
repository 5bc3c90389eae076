// The user's X display as the portable platform reaches it: its name, why it
// cannot be reached, and how the process ends when the connection is lost.
// Only the display choice (user/display_choice.cpp) and the X11 back end
// include this.
#pragma once

#include <cstdint>
#include <string>

namespace portable {
class Backend;
}

namespace portable::x11 {

// The display named by DISPLAY, quoted for a message: "\":0\"".
std::string quoted_display_name();
// Why no connection to the display can be made, in words for one line of the
// error stream; empty when one can be made.
std::string display_unreachable_reason();
// From now on, a connection to the X server that breaks (the server ended or
// was killed) ends the process at once, with one line on the error stream and
// status 255. Toolkits install handlers of their own when they connect, so
// this is called again after each of them.
void end_process_on_lost_display();
// The root window of the display's default screen; 0 without a display.
std::uint32_t root_window_id();
// The X11 window back end (SDL2 with Xlib), started; nullptr when SDL cannot
// open the display.
Backend* start_backend();

}  // namespace portable::x11
