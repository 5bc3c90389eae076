// Stands in for the display settings' preview pane: makes a top-level window
// with a 152 × 112 client area at (100, 100), starts the saver module in it
// with "/p <window>", and reports what the test script needs:
//   window <decimal handle>           once the window exists
//   child-window <0|1>                the module made a child window in ours
//   child-size <w> <h> visible <0|1> title <text>
//                                     that child window
//   background-pixels <n>             pixels of our client area, read back from
//                                     the screen, still in our own background
//   lit-pixels <n> of <m>             pixels neither black nor our background
//                                     (where the system shows what another
//                                     process draws in our window)
//   running-before-destroy <0|1>      the module still ran after the input phase
//   resized <w> <h> child-size <w> <h>
//                                     after our client area was resized (to about
//                                     320 × 240, then 200 × 150, each then left
//                                     alone for a second): its size as the system
//                                     made it, and the child's size
//   exit-code <n> after <ms> ms       after our window was destroyed
// The input phase lasts <input ms> (second argument, default 1500): the script
// sends keys, clicks and mouse moves to our window meanwhile.
//   nuvex-preview-host.exe <module path> [input ms] [extra command-line text]
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int client_w = 152;
constexpr int client_h = 112;
// Our background, a colour the saver's black sea does not produce around it.
constexpr COLORREF background = RGB(0x12, 0x34, 0x56);
constexpr DWORD background_pixel = 0x123456;  // the same in DIB order

LRESULT CALLBACK host_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

void pump_for(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < milliseconds) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

// Gives our window a client area of w × h, as a settings window that the user
// enlarges or shrinks would, and reports the child's size a second later.
void resize_client(HWND window, int w, int h, DWORD style) {
    RECT frame{0, 0, w, h};
    AdjustWindowRect(&frame, style, FALSE);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    pump_for(1000);
    RECT client{};
    GetClientRect(window, &client);
    RECT box{};
    const HWND child = GetWindow(window, GW_CHILD);
    if (child) GetClientRect(child, &box);
    std::printf("resized %ld %ld child-size %ld %ld\n", client.right, client.bottom, box.right,
                box.bottom);
    std::fflush(stdout);
}

// Reads our client area back, the child's pixels included, and counts the
// pixels still in our background colour and those neither black nor that.
void count_pixels(HWND window, long& lit, long& uncovered) {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = client_w;
    info.bmiHeader.biHeight = -client_h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, client_w, client_h, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    lit = 0;
    uncovered = 0;
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int k = 0; k < client_w * client_h; ++k) {
        const DWORD pixel = pixels[k] & 0xFFFFFF;
        if (pixel == background_pixel) {
            ++uncovered;
        } else if (pixel != 0) {
            ++lit;
        }
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: nuvex-preview-host <module> [input ms] [extra]\n");
        return 2;
    }
    const DWORD input_ms = argc > 2 ? static_cast<DWORD>(std::atol(argv[2])) : 1500;
    const char* extra = argc > 3 ? argv[3] : "";

    WNDCLASSA host_class{};
    host_class.lpfnWndProc = host_proc;
    host_class.hInstance = GetModuleHandleA(nullptr);
    host_class.hbrBackground = CreateSolidBrush(background);
    host_class.lpszClassName = "NuvexPreviewHost";
    RegisterClassA(&host_class);
    RECT frame{0, 0, client_w, client_h};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE | WS_CLIPCHILDREN;
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowExA(0, "NuvexPreviewHost", "Preview host", style, 100, 100,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                  nullptr, host_class.hInstance, nullptr);
    if (!window) return 2;
    const auto handle = static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window));
    std::printf("window %llu\n", handle);
    std::fflush(stdout);

    char command[1024];
    std::snprintf(command, sizeof command, "\"%s\" /p %llu%s", argv[1], handle, extra);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::printf("cannot start %s\n", command);
        return 2;
    }
    pump_for(input_ms);
    const HWND child = GetWindow(window, GW_CHILD);
    std::printf("child-window %d\n", child != nullptr ? 1 : 0);
    if (child) {
        RECT box{};
        GetClientRect(child, &box);
        char title[64] = "";
        GetWindowTextA(child, title, sizeof title);
        std::printf("child-size %ld %ld visible %d title %s\n", box.right, box.bottom,
                    IsWindowVisible(child) ? 1 : 0, title);
    }
    long lit = 0;
    long uncovered = 0;
    count_pixels(window, lit, uncovered);
    std::printf("background-pixels %ld\n", uncovered);
    std::printf("lit-pixels %ld of %d\n", lit, client_w * client_h);
    std::printf("running-before-destroy %d\n",
                WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT ? 1 : 0);
    std::fflush(stdout);
    resize_client(window, 320, 240, style);
    resize_client(window, 200, 150, style);

    const DWORD destroyed_at = GetTickCount();
    DestroyWindow(window);
    DWORD waited = 0;
    while (WaitForSingleObject(process.hProcess, 10) == WAIT_TIMEOUT && waited < 5000) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        waited = GetTickCount() - destroyed_at;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process.hProcess, &code) || code == STILL_ACTIVE) {
        std::printf("exit-code none after %lu ms\n", static_cast<unsigned long>(waited));
        TerminateProcess(process.hProcess, 99);
        return 1;
    }
    std::printf("exit-code %ld after %lu ms\n", static_cast<long>(code),
                static_cast<unsigned long>(GetTickCount() - destroyed_at));
    return 0;
}
