// The user's X display as the portable platform reaches it: its name, why it
// cannot be reached, and how the process ends when the connection is lost.
// Nothing outside platform/portable/ includes this.
#pragma once

#include <string>

namespace portable {

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

}  // namespace portable
