// A display-mode run: the window the command line names (a daemon's window,
// the root window, or a window of our own), the overrides for this run, and
// then the same saver run as a preview inside that window.
#include <cstdio>

#include "config/run_overrides.h"
#include "host/display_mode_command.h"
#include "host/host_state.h"
#include "host/saver_host.h"
#include "platform/command_line_usage.h"
#include "platform/win32.h"

namespace {

constexpr char own_window_class[] = "NuvexWindow";
constexpr char own_window_title[] = "Nuvex";
constexpr int own_window_width = 640;
constexpr int own_window_height = 480;
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

int place(int requested, bool from_far_edge, int size, int screen) {
    return from_far_edge ? screen - size - requested : requested;
}

HWND create_own_window(const DisplayModeGeometry& geometry) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = OwnWindowProc;
    windowClass.hInstance = SaverHostState.instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = own_window_class;
    if (!RegisterClassA(&windowClass)) return nullptr;

    const int width = geometry.has_size ? geometry.width : own_window_width;
    const int height = geometry.has_size ? geometry.height : own_window_height;
    const int screen_width = GetSystemMetrics(SM_CXSCREEN);
    const int screen_height = GetSystemMetrics(SM_CYSCREEN);
    int x = (screen_width - width) / 2;
    int y = (screen_height - height) / 2;
    if (geometry.has_position) {
        x = place(geometry.x, geometry.x_from_right, width, screen_width);
        y = place(geometry.y, geometry.y_from_bottom, height, screen_height);
    }
    const HWND window = CreateWindowExA(
        0, own_window_class, own_window_title, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
        x, y, width, height, nullptr, nullptr, SaverHostState.instance, nullptr);
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
    if (!parent) return refuse("cannot open the X display");
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
            if (!parent) return refuse("cannot open a window on the X display");
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
