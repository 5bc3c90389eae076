#include "host/host_actions.h"

#include "host/host_state.h"

void post_close(HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
}

void hide_cursor() {
    SetCursor(nullptr);
}

BYTE read_ac_line_status() {
    SYSTEM_POWER_STATUS power{};
    return GetSystemPowerStatus(&power) ? power.ACLineStatus : unknown_ac_line_status;
}
