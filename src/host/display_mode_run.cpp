// A display-mode run: the window the command line names (a daemon's window,
// the root window, or a window of our own), the overrides for this run, and
// then the same saver run as a preview inside that window.
#include <cstdio>
#include <cstdlib>

#include "config/run_overrides.h"
#include "host/display_mode_command.h"
#include "host/host_state.h"
#include "host/saver_host.h"
#include "platform/command_line_usage.h"
#include "platform/shared/quoted.h"
#include "platform/win32.h"

namespace {

constexpr char own_window_class[] = "NuvexWindow";
constexpr char own_window_title[] = "Nuvex";
constexpr WPARAM escape_key = 0x1B;

HWND window_of_id(std::uint32_t id) {
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(id));
}

// The saver inside it ignores input, as a preview does; Esc or the window
// manager's close button ends the run.
LRESULT CALLBACK OwnWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == escape_key) {
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND create_own_window(const DisplayModeGeometry& geometry) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = OwnWindowProc;
    windowClass.hInstance = SaverHostState.instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = own_window_class;
    if (!RegisterClassA(&windowClass)) return nullptr;

    const WindowPlace place =
        PlaceOwnWindow(geometry, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    const HWND window = CreateWindowExA(0, own_window_class, own_window_title,
                                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                                        place.x, place.y, place.width, place.height, nullptr,
                                        nullptr, SaverHostState.instance, nullptr);
    if (window) SetForegroundWindow(window);
    return window;
}

int refuse(const char* what) {
    ReportCommandLineProblem(what);
    return -1;
}

int RunDisplayModeGuarded(void* context) {
    const auto& command = *static_cast<const DisplayModeCommand*>(context);
    HWND parent = GetDesktopWindow();
    if (!parent) {
        const char* display = std::getenv("DISPLAY");
        return refuse(("cannot open the X display " + quoted(display ? display : "")).c_str());
    }
    switch (command.target) {
        case DisplayModeTarget::root:
            break;
        case DisplayModeTarget::window_id: {
            parent = window_of_id(command.window_id);
            if (!IsWindow(parent)) {
                char line[96];
                std::snprintf(line, sizeof line, "there is no window 0x%lx on the X display",
                              static_cast<unsigned long>(command.window_id));
                return refuse(line);
            }
            break;
        }
        case DisplayModeTarget::new_window:
            parent = create_own_window(command.geometry);
            if (!parent) {
                const WindowPlace place = PlaceOwnWindow(command.geometry, 0, 0);
                char line[96];
                std::snprintf(line, sizeof line, "cannot open a %dx%d window on the X display",
                              place.width, place.height);
                return refuse(line);
            }
            break;
    }
    return RunSaverWindow(parent);
}

}  // namespace

int RunDisplayMode(HINSTANCE instance, const DisplayModeCommand& command) {
    run_overrides.message = command.message;
    run_overrides.follow = command.follow;
    run_overrides.show_fps = command.show_fps;
    return RunSaverMode(instance, &RunDisplayModeGuarded,
                        const_cast<DisplayModeCommand*>(&command));
}
