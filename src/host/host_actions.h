// The small actions every part of the host takes the same way: asking the
// saver window to close, hiding the cursor, and reading whether the machine
// runs on mains power.
#pragma once

#include "platform/win32.h"

// Posts WM_CLOSE rather than closing at once, so that the close request goes
// through the window's own handling (and, in the 9x family, the password
// prompt) after the current message.
void post_close(HWND window);
// The saver shows no cursor over its window.
void hide_cursor();
// The power status's AC line status, or unknown_ac_line_status when the
// system cannot tell; a change of it between power events closes the saver.
BYTE read_ac_line_status();
