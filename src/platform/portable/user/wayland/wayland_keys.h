// Windows virtual-key codes for the keys a Wayland keyboard reports.
#pragma once

#include <cstdint>

#include "platform/portable/windows.h"

namespace portable::wayland {

// The virtual key of an XKB key symbol (as the keyboard's layout gives it);
// 0xFF for a key without one, which is still a key press.
WPARAM virtual_key(std::uint32_t keysym);

}  // namespace portable::wayland
