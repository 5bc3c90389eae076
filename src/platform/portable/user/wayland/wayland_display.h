// The Wayland display as the display choice reaches it: the connection to the
// compositor (made once, kept for the back end), its name for messages, and
// the back end on it. Only display_choice.cpp and the Wayland back end
// include this.
#pragma once

#include <string>

namespace portable {
class Backend;
}

namespace portable::wayland {

// Connects to the compositor WAYLAND_SOCKET or WAYLAND_DISPLAY names
// (libwayland's default socket when neither is set) and keeps the connection
// for the back end. False when none answers.
bool connect();
// The compositor's socket name, quoted for a message: "\"wayland-1\"".
std::string quoted_display_name();
// Why connect() failed, in words for one line.
std::string unreachable_reason();
// The back end on the connection connect() made; nullptr when the compositor
// lacks what it needs (a compositor, shared memory, a shell).
Backend* start_backend();

}  // namespace portable::wayland
