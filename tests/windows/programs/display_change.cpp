// Changes the display mode as the display settings do, so that the system
// tells every top-level window WM_DISPLAYCHANGE, and prints what the system
// reports afterwards:
//   result <ChangeDisplaySettingsExA's result> virtual-screen <x> <y> <w> <h>
//   nuvex-display-change.exe <width> <height>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: nuvex-display-change <width> <height>\n");
        return 2;
    }
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(std::atol(argv[1]));
    mode.dmPelsHeight = static_cast<DWORD>(std::atol(argv[2]));
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    // A mode the X server has just been given may take Wine a moment to list.
    LONG result = DISP_CHANGE_BADMODE;
    for (int attempt = 0; attempt < 5 && result == DISP_CHANGE_BADMODE; ++attempt) {
        if (attempt > 0) Sleep(300);
        result = ChangeDisplaySettingsExA(nullptr, &mode, nullptr, 0, nullptr);
    }
    std::printf("result %ld virtual-screen %d %d %d %d\n", result,
                GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    return result == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
}
