// Drives the portable window system on a real display, printing what arrives:
//   nuvex-user-probe full [seconds]   full-screen window, 33 ms timer, a frame
//                                     presented per tick; ends at the first key
//                                     press (status 0) or after `seconds`
//   nuvex-user-probe preview <xid> [seconds]
//                                     child filling window <xid>; ends when that
//                                     window goes (status 0) or after `seconds`
//   nuvex-user-probe find             prints the handle of another process's
//                                     saver window, or 0, and raises it
//   nuvex-user-probe present [count]  times portable_present of a whole frame
//   nuvex-user-probe areas            shows a frame red, then blue (with a green
//                                     that depends on x and y) only in three
//                                     areas given together (the areas printed
//                                     as x y w h), and stays until killed
// With NUVEX_PROBE_STATIC set the frame is drawn once and then only presented,
// so that the cost of the window system alone can be measured; with
// NUVEX_PROBE_NOPRESENT set nothing is presented (the loop and timer alone).
// Each line of output is one event, so scripts can wait for it.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/portable/bridge.h"
#include "platform/portable/windows.h"
#include "platform/present_areas.h"

namespace {

HWND g_window = nullptr;
// The frame lives in pixel memory of the platform, as a bitmap's does.
std::uint32_t* g_frame = nullptr;
std::size_t g_frameSize = 0;
int g_width = 0;
int g_height = 0;
unsigned g_ticks = 0;
unsigned g_paints = 0;
DWORD g_start = 0;
DWORD g_deadline = 0;
bool g_firstPresentReported = false;
bool g_endOnKey = true;
bool g_staticFrame = std::getenv("NUVEX_PROBE_STATIC") != nullptr;     // present only
bool g_skipPresent = std::getenv("NUVEX_PROBE_NOPRESENT") != nullptr;  // the loop alone

void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void fill_frame(unsigned n) {
    // Bands of colour that move with the tick, so each frame differs.
    for (int y = 0; y < g_height; ++y) {
        const std::uint32_t c = ((y + n) / 16 % 2) ? 0x00204080u : 0x00C08020u;
        std::uint32_t* row = g_frame + static_cast<std::size_t>(y) * g_width;
        for (int x = 0; x < g_width; ++x) {
            row[x] = c;
        }
    }
}

void CALLBACK on_tick(HWND hwnd, UINT, UINT_PTR id, DWORD time) {
    ++g_ticks;
    if (g_deadline && static_cast<std::int32_t>(time - g_deadline) >= 0) {
        const double seconds = (time - g_start) / 1000.0;
        say("ticks %u paints %u in %.3f s: %.2f per second", g_ticks, g_paints, seconds,
            g_ticks / seconds);
        DestroyWindow(hwnd);
        return;
    }
    InvalidateRect(hwnd, nullptr, FALSE);
}

// A frame in a bitmap of the window system shown whole in red, then painted
// blue (green = (7 x + 13 y) mod 256) and shown again only in three areas, in one transfer, as the
// saver shows a frame's changed areas: the screen must be blue in them and red everywhere else.
// Done in the window's first paint, once it is on screen.
HDC g_areasMemory = nullptr;
std::uint32_t* g_areasPixels = nullptr;

void show_areas(HDC target) {
    const std::size_t count = static_cast<std::size_t>(g_width) * g_height;
    std::fill(g_areasPixels, g_areasPixels + count, 0x00FF0000u);
    BitBlt(target, 0, 0, g_width, g_height, g_areasMemory, 0, 0, SRCCOPY);
    GdiFlush();  // shown red before the memory changes
    // Blue, with a green that changes from pixel to pixel, so that an area
    // shown from the wrong place in the frame shows the wrong green.
    for (int y = 0; y < g_height; ++y) {
        for (int x = 0; x < g_width; ++x) {
            g_areasPixels[static_cast<std::size_t>(y) * g_width + x] =
                0x000000FFu | static_cast<std::uint32_t>((x * 7 + y * 13) & 0xFF) << 8;
        }
    }
    const RECT shown[3] = {{10, 20, 26, 36}, {200, 20, 232, 100}, {40, 300, 41, 301}};
    PresentAreas(target, g_areasMemory, shown, 3);
    for (const RECT& r : shown) {
        say("area %ld %ld %ld %ld", static_cast<long>(r.left), static_cast<long>(r.top),
            static_cast<long>(r.right - r.left), static_cast<long>(r.bottom - r.top));
    }
}

LRESULT CALLBACK probe_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE: {
            RECT r{};
            GetClientRect(hwnd, &r);
            g_width = r.right;
            g_height = r.bottom;
            portable_free_pixels(g_frame);
            g_frameSize = static_cast<std::size_t>(g_width) * g_height;
            g_frame = portable_alloc_pixels(g_frameSize);
            say("WM_CREATE %dx%d", g_width, g_height);
            SetTimer(hwnd, 1, 33, on_tick);
            return 0;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            if (g_areasMemory) {
                if (g_paints == 0) show_areas(ps.hdc);
            } else if (!g_staticFrame || g_paints == 0) {
                fill_frame(g_ticks);
            }
            if (!g_skipPresent && !g_areasMemory) {
                portable_present(hwnd, 0, 0, g_width, g_height, g_frame, g_width);
            }
            ++g_paints;
            EndPaint(hwnd, &ps);
            if (!g_firstPresentReported) {
                g_firstPresentReported = true;
                say("first present");
            }
            return 0;
        }
        case WM_SHOWWINDOW:
            say("WM_SHOWWINDOW %d", static_cast<int>(wParam));
            SetCursor(nullptr);
            return 0;
        case WM_ACTIVATEAPP:
            say("WM_ACTIVATEAPP %d", static_cast<int>(wParam));
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            say("%s 0x%02X", msg == WM_KEYDOWN ? "WM_KEYDOWN" : "WM_SYSKEYDOWN",
                static_cast<unsigned>(wParam));
            if (g_endOnKey) {
                DestroyWindow(hwnd);
            }
            return 0;
        case WM_CHAR:
            say("WM_CHAR %u", static_cast<unsigned>(wParam));
            return 0;
        case WM_MOUSEMOVE: {
            POINT p{};
            GetCursorPos(&p);
            say("WM_MOUSEMOVE %d %d screen %ld %ld", static_cast<SHORT>(LOWORD(lParam)),
                static_cast<SHORT>(HIWORD(lParam)), static_cast<long>(p.x), static_cast<long>(p.y));
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            say("BUTTONDOWN 0x%04X", msg);
            return 0;
        case WM_SETCURSOR:
            SetCursor(nullptr);
            return TRUE;
        case WM_DESTROY:
            say("WM_DESTROY");
            KillTimer(hwnd, 1);
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

int run_loop() {
    MSG m;
    BOOL r;
    while ((r = GetMessageA(&m, nullptr, 0, 0)) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return r == 0 ? static_cast<int>(m.wParam) : 1;
}

bool register_class() {
    WNDCLASSA wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    wc.lpfnWndProc = probe_proc;
    wc.lpszClassName = "WindowsScreenSaverClass";
    return RegisterClassA(&wc) != 0;
}

int full(int seconds) {
    if (!register_class()) {
        return 2;
    }
    const DWORD t0 = GetTickCount();
    g_window =
        CreateWindowExA(WS_EX_TOPMOST, "WindowsScreenSaverClass", "Screen Saver",
                        WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                        GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                        GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
                        nullptr, nullptr, nullptr, nullptr);
    if (!g_window) {
        say("no window");
        return 3;
    }
    say("created in %u ms", static_cast<unsigned>(GetTickCount() - t0));
    SetForegroundWindow(g_window);
    g_start = GetTickCount();
    g_deadline = seconds > 0 ? g_start + static_cast<DWORD>(seconds) * 1000u : 0;
    return run_loop();
}

int preview(HWND parent, int seconds) {
    if (!IsWindow(parent)) {
        say("no parent");
        return 4;
    }
    if (!register_class()) {
        return 2;
    }
    RECT r{};
    GetClientRect(parent, &r);
    g_endOnKey = false;
    g_window = CreateWindowExA(0, "WindowsScreenSaverClass", "Preview",
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, r.right, r.bottom,
                               parent, nullptr, nullptr, nullptr);
    if (!g_window) {
        say("no window");
        return 3;
    }
    g_start = GetTickCount();
    g_deadline = seconds > 0 ? g_start + static_cast<DWORD>(seconds) * 1000u : 0;
    return run_loop();
}

int areas() {
    register_class();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = GetSystemMetrics(SM_CXSCREEN);
    info.bmiHeader.biHeight = -GetSystemMetrics(SM_CYSCREEN);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    g_areasMemory = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HBITMAP bitmap = CreateDIBSection(g_areasMemory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        say("no bitmap");
        return 5;
    }
    SelectObject(g_areasMemory, bitmap);
    g_areasPixels = static_cast<std::uint32_t*>(bits);
    HWND w = CreateWindowExA(0, "WindowsScreenSaverClass", "Areas", WS_POPUP | WS_VISIBLE, 0, 0,
                             info.bmiHeader.biWidth, -info.bmiHeader.biHeight, nullptr, nullptr,
                             nullptr, nullptr);
    if (!w) {
        say("no window");
        return 3;
    }
    KillTimer(w, 1);
    return run_loop();
}

int run(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "full") {
        return full(argc > 2 ? std::atoi(argv[2]) : 0);
    }
    if (mode == "preview" && argc > 2) {
        HWND parent =
            reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::strtoul(argv[2], nullptr, 0)));
        return preview(parent, argc > 3 ? std::atoi(argv[3]) : 0);
    }
    if (mode == "find") {
        HWND other = FindWindowA("WindowsScreenSaverClass", "Screen Saver");
        say("found %lu", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(other)));
        if (other) {
            say("raised %d", SetForegroundWindow(other));
        }
        return other ? 0 : 1;
    }
    if (mode == "present") {
        // Cost of one whole-frame present, measured against a plain copy of
        // the same frame, in one run.
        const int count = argc > 2 ? std::atoi(argv[2]) : 200;
        register_class();
        const DWORD t0 = GetTickCount();
        HWND w = CreateWindowExA(0, "WindowsScreenSaverClass", "Present", WS_POPUP | WS_VISIBLE, 0,
                                 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                 nullptr, nullptr, nullptr, nullptr);
        say("created in %u ms", static_cast<unsigned>(GetTickCount() - t0));
        KillTimer(w, 1);
        std::vector<std::uint32_t> copy(g_frameSize);
        const DWORD c0 = GetTickCount();
        for (int i = 0; i < count; ++i) {
            fill_frame(static_cast<unsigned>(i));
            std::memcpy(copy.data(), g_frame, g_frameSize * 4);
        }
        const DWORD c1 = GetTickCount();
        for (int i = 0; i < count; ++i) {
            fill_frame(static_cast<unsigned>(i));
            portable_present(w, 0, 0, g_width, g_height, g_frame, g_width);
        }
        const DWORD c2 = GetTickCount();
        say("fill+copy %.3f ms, fill+present %.3f ms per frame of %dx%d",
            static_cast<double>(c1 - c0) / count, static_cast<double>(c2 - c1) / count, g_width,
            g_height);
        DestroyWindow(w);
        return 0;
    }
    if (mode == "areas") {
        return areas();
    }
    std::fprintf(stderr, "usage: %s full [s] | preview <xid> [s] | find | present [n] | areas\n",
                 argv[0]);
    return 64;
}
}  // namespace

int main(int argc, char** argv) {
    portable_init_process(argc, argv);
    // Ends as the saver does: the display libraries' own exit handling (and
    // what they keep until the end) is not run.
    ExitProcess(static_cast<UINT>(run(argc, argv)));
}
