// One saver run: the window class, the full-screen or preview window, the
// message loop, and around them (full screen, Windows 9x family) the system's
// password verifier and its screen-saver-running state.
#include "app/saver_window.h"
#include "config/nuvex_resource_ids.h"
#include "host/host_actions.h"
#include "host/host_state.h"
#include "host/saver_host.h"
#include "platform/failure_report.h"
#include "platform/win32.h"

namespace {

constexpr UINT saver_class_style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
constexpr DWORD preview_style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
constexpr DWORD full_screen_style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

struct WindowGeometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    LPCSTR title = nullptr;
};

WindowGeometry full_screen_geometry() {
    WindowGeometry geometry;
    geometry.x = GetSystemMetrics(SM_XVIRTUALSCREEN);
    geometry.y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    geometry.width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    geometry.height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (geometry.width == 0 || geometry.height == 0) {
        // No virtual screen on this system: cover what the screen's context shows.
        const HDC screen = GetDC(nullptr);
        RECT clip{};
        GetClipBox(screen, &clip);
        ReleaseDC(nullptr, screen);
        geometry.x = clip.left;
        geometry.y = clip.top;
        geometry.width = clip.right - clip.left;
        geometry.height = clip.bottom - clip.top;
    }
    geometry.style = full_screen_style;
    geometry.exStyle = WS_EX_TOPMOST;
    geometry.title = saver_full_screen_title;
    return geometry;
}

WindowGeometry preview_geometry(HWND parent) {
    RECT client{};
    GetClientRect(parent, &client);
    WindowGeometry geometry;
    geometry.width = client.right;
    geometry.height = client.bottom;
    geometry.style = preview_style;
    geometry.title = saver_preview_title;
    return geometry;
}

}  // namespace

void CoverVirtualScreen(HWND window) {
    const WindowGeometry geometry = full_screen_geometry();
    SetWindowPos(window, HWND_TOPMOST, geometry.x, geometry.y, geometry.width, geometry.height,
                 SWP_NOACTIVATE);
}

int RunSaverWindow(HWND parent) {
    WNDCLASSA saverClass{};
    saverClass.style = saver_class_style;
    saverClass.lpfnWndProc = SaverClassProc;
    saverClass.cbClsExtra = 0;
    saverClass.cbWndExtra = 0;
    saverClass.hInstance = SaverHostState.instance;
    saverClass.hIcon = LoadIconA(SaverHostState.instance, MAKEINTRESOURCEA(IDI_SAVER_CLASS));
    saverClass.hCursor = nullptr;
    saverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    saverClass.lpszMenuName = nullptr;
    saverClass.lpszClassName = saver_class_name;

    WindowGeometry geometry;
    if (parent) {
        geometry = preview_geometry(parent);
        SaverHostState.previewMode = true;
    } else {
        geometry = full_screen_geometry();

        const HWND running = FindWindowA(saver_class_name, saver_full_screen_title);
        if (running && IsWindow(running)) {
            SetForegroundWindow(running);
            return 0;
        }

        SaverHostState.lastAcLineStatus = read_ac_line_status();
        LoadPasswordVerifier();
    }

    SaverHostState.autoPlayQueryMessage =
        SaverHostState.win9xFamily ? RegisterWindowMessageA("QueryCancelAutoPlay") : 0;

    // What the animation's window procedure does not handle goes to the
    // host's default behaviour.
    SetSaverDefaultProc(DefaultSaverProc);
    if (RegisterClassA(&saverClass)) {
        SaverHostState.saverWindow =
            CreateWindowExA(geometry.exStyle, saver_class_name, geometry.title, geometry.style,
                            geometry.x, geometry.y, geometry.width, geometry.height, parent,
                            nullptr, SaverHostState.instance, nullptr);
    }

    int exitValue = 0;
    if (SaverHostState.saverWindow) {
        if (!SaverHostState.previewMode) SetForegroundWindow(SaverHostState.saverWindow);
        MSG message{};
        while (GetMessageA(&message, nullptr, 0, 0)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        exitValue = static_cast<int>(message.wParam);
    } else {
        exitValue = ReportNoSaverWindow(parent);
    }

    UnloadPasswordVerifier();
    return exitValue;
}

void LoadPasswordVerifier() {
    if (!SaverHostState.win9xFamily) return;
    if (SaverHostState.verifierModule) UnloadPasswordVerifier();

    HKEY desktop = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &desktop) !=
        ERROR_SUCCESS) {
        return;
    }
    DWORD usePassword = 0;
    DWORD size = sizeof(usePassword);
    if (RegQueryValueExA(desktop, "ScreenSaveUsePassword", nullptr, nullptr,
                         reinterpret_cast<LPBYTE>(&usePassword), &size) == ERROR_SUCCESS &&
        usePassword != 0) {
        SaverHostState.verifierModule = LoadLibraryA("PASSWORD.CPL");
        if (SaverHostState.verifierModule) {
            SaverHostState.verifierEntry = entry_point_cast<VerifyScreenSavePwdEntry>(
                GetProcAddress(SaverHostState.verifierModule, "VerifyScreenSavePwd"));
            if (SaverHostState.verifierEntry) {
                SetSaverRunning(true);
            } else {
                UnloadPasswordVerifier();
            }
        }
    }
    RegCloseKey(desktop);
}

void UnloadPasswordVerifier() {
    if (!SaverHostState.win9xFamily || !SaverHostState.verifierModule) return;
    FreeLibrary(SaverHostState.verifierModule);
    SaverHostState.verifierModule = nullptr;
    if (SaverHostState.verifierEntry) {
        SaverHostState.verifierEntry = nullptr;
        SetSaverRunning(false);
    }
}

void SetSaverRunning(bool on) {
    if (!SaverHostState.win9xFamily) return;
    BOOL previous = FALSE;  // the system reports its former state here; not needed
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, on ? 1u : 0u, &previous, 0);
}
