// Window classes, window creation and destruction, default handling, and the
// window queries (geometry, parent, foreground, cursor, screen metrics).
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <string>

#include "platform/portable/bridge.h"
#include "platform/portable/user/user_internal.h"

namespace portable {
namespace {

struct WindowClass {
    ATOM atom;
    std::string name;
    UINT style;
    WNDPROC proc;
};

struct Globals {
    std::map<std::string, WindowClass> classes;  // key: lower-cased name
    ATOM nextAtom = 0xC000;
    HCURSOR cursor = nullptr;
    HWND focus = nullptr;
    HWND foreground = nullptr;
};

Globals& globals() {
    static Globals g;
    return g;
}

std::string lower(const char* s) {
    std::string out(s ? s : "");
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

const WindowClass* find_class(LPCSTR name) {
    auto& classes = globals().classes;
    if (!name) {
        return nullptr;
    }
    if (IS_INTRESOURCE(name)) {
        const ATOM atom = static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name));
        for (auto& [key, c] : classes) {
            if (c.atom == atom) {
                return &c;
            }
        }
        return nullptr;
    }
    auto it = classes.find(lower(name));
    return it == classes.end() ? nullptr : &it->second;
}

int arrow_cursor_tag;

}  // namespace

void show_window_now(Window& w, bool show) {
    const HWND hwnd = w.hwnd;
    w.visible = show;
    SendMessageA(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    Window* again = find_window(hwnd);
    if (!again || again->destroying) {
        return;
    }
    backend().show_native(*again, show);
    if (show) {
        // A window that becomes visible has to be painted whole.
        invalidate(*again);
    }
}

void set_foreground_window(HWND hwnd) {
    globals().foreground = hwnd;
}

void window_state_reset() {
    Globals& g = globals();
    g.classes.clear();
    g.nextAtom = 0xC000;
    g.cursor = nullptr;
    g.focus = nullptr;
    g.foreground = nullptr;
}

HCURSOR current_cursor() {
    return globals().cursor;
}

bool client_origin(HWND parent, POINT* origin) {
    if (Window* p = find_window(parent)) {
        *origin = POINT{p->rect.left, p->rect.top};
        return true;
    }
    RECT screen{};
    RECT client{};
    if (is_own_handle(parent) || !backend().foreign_rect(parent, &screen, &client)) {
        return false;
    }
    *origin = POINT{screen.left, screen.top};
    return true;
}

void place_window(HWND hwnd, int x, int y, int width, int height, bool moveNative) {
    Window* w = find_window(hwnd);
    if (!w || !w->created || w->destroying) {
        return;
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    const bool child = (w->style & WS_CHILD) != 0;
    POINT origin{0, 0};
    if (child && !client_origin(w->parent, &origin)) {
        origin = POINT{w->rect.left - w->offset.x, w->rect.top - w->offset.y};
    }
    const POINT before = child ? w->offset : POINT{w->rect.left, w->rect.top};
    const bool moved = before.x != x || before.y != y;
    const bool sized =
        w->rect.right - w->rect.left != width || w->rect.bottom - w->rect.top != height;
    w->rect = RECT{origin.x + x, origin.y + y, origin.x + x + width, origin.y + y + height};
    if (child) {
        w->offset = POINT{x, y};
    }
    if (moveNative) {
        backend().move_native(*w, x, y);
    }
    if (sized) {
        invalidate(*w);  // the whole window is drawn again at its new size
    }
    if (moved) {
        SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(x, y));
    }
    if (sized && find_window(hwnd)) {
        SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    }
}

void announce_display_change() {
    const LPARAM screen = MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    for (HWND h : window_handles()) {
        Window* w = find_window(h);
        if (w && w->created && !w->destroying && !(w->style & WS_CHILD)) {
            queue_post(h, WM_DISPLAYCHANGE, 32, screen);  // 32 bits per pixel
        }
    }
}

void follow_foreign_parent(HWND parent) {
    std::vector<HWND> inside;
    for (HWND h : window_handles()) {
        Window* w = find_window(h);
        if (w && w->created && !w->destroying && w->parent == parent && (w->style & WS_CHILD)) {
            inside.push_back(h);
        }
    }
    RECT client{};
    if (inside.empty() || is_own_handle(parent) || !GetClientRect(parent, &client)) {
        return;
    }
    for (HWND h : inside) {
        if (Window* w = find_window(h)) {
            const POINT at = w->offset;
            place_window(h, at.x, at.y, client.right - at.x, client.bottom - at.y, true);
        }
    }
}

}  // namespace portable

using portable::find_window;
using portable::Window;

ATOM RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpfnWndProc || !wc->lpszClassName || !*wc->lpszClassName ||
        IS_INTRESOURCE(wc->lpszClassName)) {
        return 0;
    }
    auto& g = portable::globals();
    std::string key = portable::lower(wc->lpszClassName);
    if (g.classes.count(key) || g.nextAtom == 0) {
        return 0;  // already registered, as on Windows
    }
    portable::WindowClass c{g.nextAtom++, wc->lpszClassName, wc->style, wc->lpfnWndProc};
    g.classes.emplace(key, c);
    return c.atom;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
    const portable::WindowClass* cls = portable::find_class(className);
    if (!cls) {
        return nullptr;
    }
    if ((style & WS_CHILD) && !parent) {
        return nullptr;
    }
    POINT origin{0, 0};
    if (parent) {
        if (Window* p = find_window(parent); p && p->destroying) {
            return nullptr;
        }
        if (!portable::client_origin(parent, &origin)) {
            return nullptr;
        }
    }
    if (width < 0) {
        width = 0;
    }
    if (height < 0) {
        height = 0;
    }
    Window* w = portable::add_window();
    const HWND hwnd = w->hwnd;
    w->proc = cls->proc;
    w->parent = parent;
    w->className = cls->name;
    w->title = windowName ? windowName : "";
    w->created = true;
    w->style = style;
    w->exStyle = exStyle;
    if (style & WS_CHILD) {
        w->rect = RECT{origin.x + x, origin.y + y, origin.x + x + width, origin.y + y + height};
        w->offset = POINT{x, y};
        w->controlId = static_cast<int>(reinterpret_cast<std::intptr_t>(menu));
    } else {
        w->rect = RECT{x, y, x + width, y + height};
    }
    const HWND nativeParent = (style & WS_CHILD) ? parent : nullptr;
    if (!portable::backend().create_native(*w, nativeParent)) {
        portable::remove_window(hwnd);
        return nullptr;
    }
    // Creation is reported synchronously, before the handle is returned.
    LRESULT created = w->proc(hwnd, WM_CREATE, 0, 0);
    w = find_window(hwnd);
    if (!w || w->destroying) {
        return nullptr;
    }
    if (created == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (style & WS_VISIBLE) {
        portable::show_window_now(*w, true);
        if (!find_window(hwnd)) {
            return nullptr;
        }
    }
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
    Window* w = find_window(hwnd);
    if (!w || !w->created || w->destroying) {
        return FALSE;
    }
    w->destroying = true;
    w->invalid = false;
    if (w->proc) {
        w->proc(hwnd, WM_DESTROY, 0, 0);
    }
    // Children go after their parent has heard of its destruction.
    for (HWND child : portable::window_handles()) {
        Window* c = find_window(child);
        if (c && c->created && c->parent == hwnd) {
            DestroyWindow(child);
        }
    }
    portable::kill_window_timers(hwnd);
    w = find_window(hwnd);
    if (w) {
        portable::backend().destroy_native(*w);
    }
    auto& g = portable::globals();
    if (g.focus == hwnd) {
        g.focus = nullptr;
    }
    if (g.foreground == hwnd) {
        g.foreground = nullptr;
    }
    portable::remove_window(hwnd);
    return TRUE;
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    portable::record_default_call(hwnd, msg, wParam, lParam);
    Window* w = find_window(hwnd);
    switch (msg) {
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_NCCREATE:
            return TRUE;
        case WM_SETTEXT:
            if (!w) {
                return FALSE;
            }
            w->title = lParam ? reinterpret_cast<const char*>(lParam) : "";
            if (w->created) {
                portable::backend().set_native_title(*w);
            }
            return TRUE;
        case WM_GETTEXT: {
            char* buffer = reinterpret_cast<char*>(lParam);
            if (!w || !buffer || wParam == 0) {
                return 0;
            }
            std::size_t n = w->title.size();
            if (n > wParam - 1) {
                n = wParam - 1;
            }
            std::memcpy(buffer, w->title.data(), n);
            buffer[n] = '\0';
            return static_cast<LRESULT>(n);
        }
        case WM_GETTEXTLENGTH:
            return w ? static_cast<LRESULT>(w->title.size()) : 0;
        case WM_PAINT:
            // Painting nothing still validates, as BeginPaint/EndPaint would.
            if (w) {
                portable::validate(*w);
            }
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                SendMessageA(hwnd, WM_CLOSE, 0, 0);
            }
            return 0;
        default:
            return 0;
    }
}

BOOL ShowWindow(HWND hwnd, int cmd) {
    Window* w = find_window(hwnd);
    if (!w || w->destroying) {
        return FALSE;
    }
    const BOOL wasVisible = w->visible ? TRUE : FALSE;
    const bool show = cmd != SW_HIDE;
    if (w->created && show != w->visible) {
        portable::show_window_now(*w, show);
    } else {
        w->visible = show;
    }
    return wasVisible;
}

HWND SetFocus(HWND hwnd) {
    auto& g = portable::globals();
    HWND previous = g.focus;
    if (hwnd && !find_window(hwnd)) {
        return nullptr;
    }
    g.focus = hwnd;
    return previous;
}

HWND GetParent(HWND hwnd) {
    Window* w = find_window(hwnd);
    return w ? w->parent : nullptr;
}

BOOL IsWindow(HWND hwnd) {
    if (!hwnd) {
        return FALSE;
    }
    if (portable::is_own_handle(hwnd)) {
        return find_window(hwnd) ? TRUE : FALSE;
    }
    return portable::backend().foreign_exists(hwnd) ? TRUE : FALSE;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
    const std::string wantClass = portable::lower(className);
    for (HWND h : portable::window_handles()) {
        Window* w = find_window(h);
        if (!w || !w->created || w->destroying) {
            continue;
        }
        if (className && portable::lower(w->className.c_str()) != wantClass) {
            continue;
        }
        if (windowName && w->title != windowName) {
            continue;
        }
        return h;
    }
    return portable::backend().find_foreign(className, windowName);
}

BOOL SetForegroundWindow(HWND hwnd) {
    if (!hwnd) {
        return FALSE;
    }
    if (Window* w = find_window(hwnd)) {
        if (w->destroying || !portable::backend().raise(w, nullptr)) {
            return FALSE;
        }
        portable::globals().foreground = hwnd;
        return TRUE;
    }
    if (portable::is_own_handle(hwnd)) {
        return FALSE;
    }
    if (!portable::backend().raise(nullptr, hwnd)) {
        return FALSE;
    }
    portable::globals().foreground = hwnd;
    return TRUE;
}

HWND GetForegroundWindow() {
    return portable::globals().foreground;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    if (!rect) {
        return FALSE;
    }
    if (Window* w = find_window(hwnd)) {
        *rect = w->rect;
        return TRUE;
    }
    RECT client{};
    if (!hwnd || portable::is_own_handle(hwnd) ||
        !portable::backend().foreign_rect(hwnd, rect, &client)) {
        return FALSE;
    }
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    // The stacking order and activation are left as they are: the only
    // top-most window made here stays above everything anyway.
    (void)insertAfter;
    Window* w = find_window(hwnd);
    if (!w || !w->created || w->destroying) {
        return FALSE;  // another process's window is not ours to move
    }
    const bool child = (w->style & WS_CHILD) != 0;
    if (flags & SWP_NOMOVE) {
        x = child ? w->offset.x : w->rect.left;
        y = child ? w->offset.y : w->rect.top;
    }
    if (flags & SWP_NOSIZE) {
        cx = w->rect.right - w->rect.left;
        cy = w->rect.bottom - w->rect.top;
    }
    portable::place_window(hwnd, x, y, cx, cy, true);
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    if (!rect) {
        return FALSE;
    }
    if (Window* w = find_window(hwnd)) {
        *rect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
        return TRUE;
    }
    RECT screen{};
    if (!hwnd || portable::is_own_handle(hwnd) ||
        !portable::backend().foreign_rect(hwnd, &screen, rect)) {
        return FALSE;
    }
    return TRUE;
}

int GetSystemMetrics(int index) {
    switch (index) {
        case SM_CXSCREEN: {
            RECT r = portable::backend().primary_screen();
            return r.right - r.left;
        }
        case SM_CYSCREEN: {
            RECT r = portable::backend().primary_screen();
            return r.bottom - r.top;
        }
        case SM_XVIRTUALSCREEN:
            return portable::backend().virtual_screen().left;
        case SM_YVIRTUALSCREEN:
            return portable::backend().virtual_screen().top;
        case SM_CXVIRTUALSCREEN: {
            RECT r = portable::backend().virtual_screen();
            return r.right - r.left;
        }
        case SM_CYVIRTUALSCREEN: {
            RECT r = portable::backend().virtual_screen();
            return r.bottom - r.top;
        }
        default:
            return 0;
    }
}

HDC GetDC(HWND hwnd) {
    if (hwnd && !find_window(hwnd)) {
        return nullptr;
    }
    return portable_create_window_dc(hwnd);
}

int ReleaseDC(HWND hwnd, HDC dc) {
    if (!dc) {
        return 0;
    }
    portable_delete_window_dc(dc);
    return 1;
}

HCURSOR SetCursor(HCURSOR cursor) {
    auto& g = portable::globals();
    portable::record_cursor_change(cursor);
    HCURSOR previous = g.cursor;
    g.cursor = cursor;
    portable::backend().show_cursor(cursor != nullptr);
    return previous;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    // The pointer's look is the display's; every cursor is the arrow.
    return reinterpret_cast<HCURSOR>(&portable::arrow_cursor_tag);
}

BOOL GetCursorPos(LPPOINT point) {
    if (!point) {
        return FALSE;
    }
    return portable::backend().cursor_pos(point) ? TRUE : FALSE;
}
