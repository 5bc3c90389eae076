// The X11 display backend: windows, input, waiting and presenting over SDL2,
// with Xlib (x11_calls.cpp) where SDL2 has no call for it. SDL is started once, on
// the first call that needs the display.
#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/portable/user/user_internal.h"
#include "platform/portable/user/x11/x11_calls.h"
#include "platform/portable/user/x11/x11_connection.h"

namespace portable {

struct NativeWindow {
    SDL_Window* window = nullptr;
    std::uint32_t xid = 0;
    std::uint32_t ownChild = 0;  // our X child inside a foreign parent, if any
    Display* sdlDisplay = nullptr;
    bool hadFocus = false;
    bool direct = false;  // blocks in shared memory go straight to the window
};

namespace {

constexpr UINT kHitClient = 1;  // HTCLIENT
constexpr WPARAM kMouseLeft = 0x0001;
constexpr WPARAM kMouseRight = 0x0002;
constexpr WPARAM kMouseShift = 0x0004;
constexpr WPARAM kMouseControl = 0x0008;
constexpr WPARAM kMouseMiddle = 0x0010;
constexpr WPARAM kUnknownKey = 0xFF;

WPARAM virtual_key(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) {
        return static_cast<WPARAM>('A' + (key - SDLK_a));
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return static_cast<WPARAM>('0' + (key - SDLK_0));
    }
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        return static_cast<WPARAM>(VK_F1 + (key - SDLK_F1));
    }
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
        return static_cast<WPARAM>(VK_NUMPAD0 + 1 + (key - SDLK_KP_1));
    }
    switch (key) {
        case SDLK_KP_0:
            return VK_NUMPAD0;
        case SDLK_SPACE:
            return VK_SPACE;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return VK_RETURN;
        case SDLK_ESCAPE:
            return VK_ESCAPE;
        case SDLK_BACKSPACE:
            return VK_BACK;
        case SDLK_TAB:
            return VK_TAB;
        case SDLK_LEFT:
            return VK_LEFT;
        case SDLK_RIGHT:
            return VK_RIGHT;
        case SDLK_UP:
            return VK_UP;
        case SDLK_DOWN:
            return VK_DOWN;
        case SDLK_HOME:
            return VK_HOME;
        case SDLK_END:
            return VK_END;
        case SDLK_PAGEUP:
            return VK_PRIOR;
        case SDLK_PAGEDOWN:
            return VK_NEXT;
        case SDLK_INSERT:
            return VK_INSERT;
        case SDLK_DELETE:
            return VK_DELETE;
        case SDLK_PAUSE:
            return VK_PAUSE;
        case SDLK_CAPSLOCK:
            return VK_CAPITAL;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT:
            return VK_MENU;
        case SDLK_KP_MULTIPLY:
            return VK_MULTIPLY;
        case SDLK_KP_PLUS:
            return VK_ADD;
        case SDLK_KP_MINUS:
            return VK_SUBTRACT;
        case SDLK_KP_PERIOD:
            return VK_DECIMAL;
        case SDLK_KP_DIVIDE:
            return VK_DIVIDE;
        case SDLK_SEMICOLON:
            return 0xBA;
        case SDLK_EQUALS:
            return 0xBB;
        case SDLK_COMMA:
            return 0xBC;
        case SDLK_MINUS:
            return 0xBD;
        case SDLK_PERIOD:
            return 0xBE;
        case SDLK_SLASH:
            return 0xBF;
        case SDLK_BACKQUOTE:
            return 0xC0;
        case SDLK_LEFTBRACKET:
            return 0xDB;
        case SDLK_BACKSLASH:
            return 0xDC;
        case SDLK_RIGHTBRACKET:
            return 0xDD;
        case SDLK_QUOTE:
            return 0xDE;
        default:
            return kUnknownKey;  // still a key press: it must reach the saver
    }
}

WPARAM mouse_keys(Uint32 buttons) {
    WPARAM keys = 0;
    if (buttons & SDL_BUTTON_LMASK) keys |= kMouseLeft;
    if (buttons & SDL_BUTTON_RMASK) keys |= kMouseRight;
    if (buttons & SDL_BUTTON_MMASK) keys |= kMouseMiddle;
    const SDL_Keymod mod = SDL_GetModState();
    if (mod & KMOD_SHIFT) keys |= kMouseShift;
    if (mod & KMOD_CTRL) keys |= kMouseControl;
    return keys;
}

LPARAM point_param(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(x)),
                      static_cast<WORD>(static_cast<SHORT>(y)));
}

class DisplayBackend final : public Backend {
public:
    bool start() {
        // Settings that must be made before SDL starts its video subsystem.
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");   // we are the screen saver's window
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");  // present by shared memory, no GL
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");        // SIGTERM ends the process as usual
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH,
                    "1");  // a click on an unfocused window counts
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "1");
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        // Window ids are X11 window ids throughout: only the X11 driver will do.
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
        // SDL opens an X input method, which parses the locale's whole compose
        // table (most of SDL's start-up time). The saver takes no text, so the
        // table is left empty for that moment when the user has not named one.
        const bool composeNamed = std::getenv("XCOMPOSEFILE") != nullptr;
        if (!composeNamed) {
            setenv("XCOMPOSEFILE", "/dev/null", 1);
        }
        const int started = SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER);
        if (!composeNamed) {
            unsetenv("XCOMPOSEFILE");
        }
        if (started != 0) {
            return false;
        }
        // Destruction of a preview's parent arrives only as a raw X event.
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
        SDL_EventState(SDL_TEXTINPUT, SDL_DISABLE);
        SDL_EventState(SDL_TEXTEDITING, SDL_DISABLE);
        // SDL's own X error handler ends the process; a vanished foreign
        // window must not.
        if (x11::available()) {
            x11::install_error_handler();
        }
        x11::end_process_on_lost_display();
        return true;
    }

    bool create_native(Window& w, HWND parent) override {
        const int width = std::max<int>(1, w.rect.right - w.rect.left);
        const int height = std::max<int>(1, w.rect.bottom - w.rect.top);
        auto native = new NativeWindow();
        if (parent) {
            std::uint32_t parentXid = 0;
            RECT parentOrigin{};
            if (Window* own = find_window(parent)) {
                parentXid = own->native ? own->native->xid : 0;
                parentOrigin = own->rect;
            } else {
                parentXid = handle_value(parent);
                x11::window_geometry(parentXid, &parentOrigin);
            }
            native->ownChild = x11::create_child(parentXid, w.rect.left - parentOrigin.left,
                                                 w.rect.top - parentOrigin.top, width, height);
            if (!native->ownChild) {
                delete native;
                return false;
            }
            native->window = SDL_CreateWindowFrom(
                reinterpret_cast<const void*>(static_cast<std::uintptr_t>(native->ownChild)));
        } else {
            // Only a window with a caption (the display mode's window of its
            // own) gets the window manager's frame.
            Uint32 flags = SDL_WINDOW_HIDDEN;
            if ((w.style & WS_CAPTION) != WS_CAPTION) {
                flags |= SDL_WINDOW_BORDERLESS;
            }
            const bool topmost = (w.exStyle & WS_EX_TOPMOST) != 0;
            if (topmost) {
                flags |= SDL_WINDOW_ALWAYS_ON_TOP;
                // A top-most popup over the whole virtual screen is kept out of
                // the window manager's hands, so that it is neither moved onto
                // one monitor nor stacked under panels; it takes the keyboard
                // itself (SetForegroundWindow).
                SDL_SetHint(SDL_HINT_X11_FORCE_OVERRIDE_REDIRECT, "1");
            }
            native->window =
                SDL_CreateWindow(w.title.c_str(), w.rect.left, w.rect.top, width, height, flags);
            if (topmost) {
                SDL_SetHint(SDL_HINT_X11_FORCE_OVERRIDE_REDIRECT, "0");
            }
        }
        if (!native->window) {
            if (native->ownChild) {
                x11::destroy_child(native->ownChild);
            }
            delete native;
            return false;
        }
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(native->window, &info) && info.subsystem == SDL_SYSWM_X11) {
            native->xid = static_cast<std::uint32_t>(info.info.x11.window);
            native->sdlDisplay = info.info.x11.display;
        }
        if (native->ownChild && native->sdlDisplay) {
            // Only what a preview needs: it ignores input, and selecting
            // button presses could clash with the parent's owner anyway.
            XSelectInput(native->sdlDisplay, native->ownChild, ExposureMask | StructureNotifyMask);
            // A foreign parent's size changes, so that the window follows them.
            if (parent && !find_window(parent)) {
                add_structure_events(native->sdlDisplay, handle_value(parent));
            }
            XFlush(native->sdlDisplay);
        }
        if (native->sdlDisplay && !screenWatched_) {
            // The root window changes size with the screens: that is when the
            // top-level windows hear WM_DISPLAYCHANGE.
            screenWatched_ = true;
            root_ = DefaultRootWindow(native->sdlDisplay);
            add_structure_events(native->sdlDisplay, root_);
            XFlush(native->sdlDisplay);
        }
        x11::set_identity(native->xid, w.className, w.title);
        native->direct = x11::takes_xrgb(native->xid);
        w.native = native;
        bySdlId_[SDL_GetWindowID(native->window)] = w.hwnd;
        return true;
    }

    void destroy_native(Window& w) override {
        NativeWindow* native = w.native;
        if (!native) {
            return;
        }
        w.native = nullptr;
        bySdlId_.erase(SDL_GetWindowID(native->window));
        x11::forget_window(native->xid);
        SDL_DestroyWindow(native->window);
        if (native->ownChild) {
            x11::destroy_child(native->ownChild);
        }
        delete native;
    }

    void show_native(Window& w, bool show) override {
        if (!w.native) {
            return;
        }
        if (w.native->ownChild) {
            x11::map_child(w.native->ownChild, show);
        } else if (show) {
            SDL_ShowWindow(w.native->window);
        } else {
            SDL_HideWindow(w.native->window);
        }
    }

    void set_native_title(Window& w) override {
        if (!w.native) {
            return;
        }
        if (!w.native->ownChild) {
            SDL_SetWindowTitle(w.native->window, w.title.c_str());
        }
        x11::set_identity(w.native->xid, w.className, w.title);
    }

    void move_native(Window& w, int x, int y) override {
        if (w.native) {
            x11::move_resize(w.native->xid, x, y, w.rect.right - w.rect.left,
                             w.rect.bottom - w.rect.top);
        }
    }

    bool wait(std::int64_t timeoutMs) override {
        SDL_Event e;
        if (timeoutMs != 0) {
            const int limit = timeoutMs < 0
                                  ? -1
                                  : static_cast<int>(std::min<std::int64_t>(timeoutMs, 0x7FFFFFFF));
            if (SDL_WaitEventTimeout(&e, limit)) {
                translate(e);
            }
        }
        while (SDL_PollEvent(&e)) {
            translate(e);
        }
        return true;
    }

    // Shared-memory blocks are put together and waited for once: the areas of
    // one frame as a single clipped put.
    void present_blocks(Window& w, const portable_block* blocks, int count) override {
        if (!w.native) return;
        if (w.native->direct && count > 1 && x11::put_shared_areas(w.native->xid, blocks, count)) {
            return;
        }
        bool put = false;
        for (int k = 0; k < count; ++k) {
            const portable_block& b = blocks[k];
            if (w.native->direct && x11::put_shared(w.native->xid, b.pixels, b.stride, b.x, b.y,
                                                    b.width, b.height, false)) {
                put = true;
            } else {
                present(w, b.x, b.y, b.width, b.height, b.pixels, b.stride);
            }
        }
        if (put) x11::wait_for_server();
    }

    void present(Window& w, int x, int y, int width, int height, const std::uint32_t* pixels,
                 int stride) override {
        if (!w.native) {
            return;
        }
        if (w.native->direct &&
            x11::put_shared(w.native->xid, pixels, stride, x, y, width, height)) {
            return;
        }
        SDL_Surface* surface = SDL_GetWindowSurface(w.native->window);
        if (!surface) {
            return;
        }
        // Clip the block to the window.
        int sx = 0;
        int sy = 0;
        if (x < 0) {
            sx = -x;
            width += x;
            x = 0;
        }
        if (y < 0) {
            sy = -y;
            height += y;
            y = 0;
        }
        width = std::min(width, surface->w - x);
        height = std::min(height, surface->h - y);
        if (width <= 0 || height <= 0) {
            return;
        }
        const std::uint32_t* src = pixels + static_cast<std::ptrdiff_t>(sy) * stride + sx;
        auto* dst = static_cast<std::uint8_t*>(surface->pixels) +
                    static_cast<std::ptrdiff_t>(y) * surface->pitch + x * 4;
        const Uint32 format = surface->format->format;
        if (format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888) {
            for (int row = 0; row < height; ++row) {
                std::memcpy(dst + static_cast<std::ptrdiff_t>(row) * surface->pitch,
                            src + static_cast<std::ptrdiff_t>(row) * stride,
                            static_cast<std::size_t>(width) * 4);
            }
        } else {
            SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_RGB888, src, stride * 4, format,
                              static_cast<std::uint8_t*>(surface->pixels) +
                                  static_cast<std::ptrdiff_t>(y) * surface->pitch +
                                  x * surface->format->BytesPerPixel,
                              surface->pitch);
        }
        SDL_Rect r{x, y, width, height};
        SDL_UpdateWindowSurfaceRects(w.native->window, &r, 1);
    }

    // Both asked of the server each time, as the screens may have changed
    // since the last call (SDL keeps what it saw at its start).
    RECT primary_screen() override {
        RECT r{};
        return x11::primary_monitor(&r) ? r : root_rect();
    }

    // The whole root window: every monitor lies within it, and nothing of it
    // may stay uncovered by a saver.
    RECT virtual_screen() override { return root_rect(); }

    bool cursor_pos(POINT* p) override {
        if (x11::pointer(p)) {
            return true;
        }
        int x = 0;
        int y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        *p = POINT{x, y};
        return true;
    }

    void show_cursor(bool show) override { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }

    bool foreign_exists(HWND hwnd) override { return x11::window_exists(handle_value(hwnd)); }

    bool foreign_rect(HWND hwnd, RECT* screen, RECT* client) override {
        if (!x11::window_geometry(handle_value(hwnd), screen)) {
            return false;
        }
        *client = RECT{0, 0, screen->right - screen->left, screen->bottom - screen->top};
        return true;
    }

    HWND find_foreign(const char* className, const char* title) override {
        // Our own windows were looked at already, by handle.
        std::uint32_t skipA = 0;
        std::uint32_t skipB = 0;
        for (auto& [id, hwnd] : bySdlId_) {
            if (Window* w = find_window(hwnd); w && w->native) {
                (skipA ? skipB : skipA) = w->native->xid;
            }
        }
        return handle_from(x11::find_window(className, title, skipA, skipB));
    }

    bool raise(Window* own, HWND foreign) override {
        if (own) {
            if (!own->native) {
                return false;
            }
            if (own->native->ownChild) {
                return true;  // a child inside someone else's window stays where it is
            }
            SDL_RaiseWindow(own->native->window);
            SDL_SetWindowInputFocus(own->native->window);
            return true;
        }
        return x11::activate(handle_value(foreign));
    }

    bool post_foreign(HWND hwnd, UINT, WPARAM, LPARAM) override {
        // Another process's window has no queue of ours; the request is
        // accepted as Windows would accept it and goes no further.
        return x11::window_exists(handle_value(hwnd));
    }

    bool makes_windows() override { return true; }

    bool shift_held() override { return (SDL_GetModState() & KMOD_SHIFT) != 0; }

private:
    static RECT root_rect() {
        int width = 0;
        int height = 0;
        x11::root_size(&width, &height);
        return RECT{0, 0, width, height};
    }

    HWND hwnd_of(Uint32 sdlId) const {
        auto it = bySdlId_.find(sdlId);
        return it == bySdlId_.end() ? nullptr : it->second;
    }

    HWND hwnd_of_xid(unsigned long xid) const {
        for (auto& [id, hwnd] : bySdlId_) {
            Window* w = find_window(hwnd);
            if (w && w->native && (w->native->xid == xid || w->native->ownChild == xid)) {
                return hwnd;
            }
        }
        return nullptr;
    }

    void translate(const SDL_Event& e) {
        switch (e.type) {
            case SDL_WINDOWEVENT:
                window_event(e.window);
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                key_event(e.key);
                break;
            case SDL_MOUSEMOTION:
                if (HWND hwnd = hwnd_of(e.motion.windowID)) {
                    queue_post(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
                               MAKELPARAM(kHitClient, WM_MOUSEMOVE));
                    queue_post(hwnd, WM_MOUSEMOVE, mouse_keys(e.motion.state),
                               point_param(e.motion.x, e.motion.y));
                }
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                button_event(e.button);
                break;
            case SDL_SYSWMEVENT:
                if (e.syswm.msg && e.syswm.msg->subsystem == SDL_SYSWM_X11) {
                    x11_event(e.syswm.msg->msg.x11.event);
                }
                break;
            default:
                break;
        }
    }

    void window_event(const SDL_WindowEvent& e) {
        HWND hwnd = hwnd_of(e.windowID);
        Window* w = find_window(hwnd);
        if (!w || w->destroying) {
            return;
        }
        switch (e.event) {
            case SDL_WINDOWEVENT_EXPOSED:
                invalidate(*w, true);
                break;
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                if (w->native) {
                    w->native->hadFocus = true;
                }
                set_foreground_window(hwnd);
                queue_post(hwnd, WM_ACTIVATEAPP, TRUE, 0);
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                // Deactivation is reported only after an activation.
                if (w->native && w->native->hadFocus) {
                    w->native->hadFocus = false;
                    if (GetForegroundWindow() == hwnd) {
                        set_foreground_window(nullptr);
                    }
                    queue_post(hwnd, WM_ACTIVATEAPP, FALSE, 0);
                }
                break;
            case SDL_WINDOWEVENT_CLOSE:
                queue_post(hwnd, WM_CLOSE, 0, 0);
                break;
            case SDL_WINDOWEVENT_MOVED:
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                adopt_server_geometry(hwnd, e);
                break;
            default:
                break;
        }
    }

    // Raw X events: the destruction of a window under one of ours, and size
    // changes of the screen and of the foreign windows ours live in.
    void x11_event(const XEvent& event) {
        if (event.type == DestroyNotify) {
            // The X window under one of ours went away (a preview's parent was
            // destroyed): the window is destroyed with it.
            HWND hwnd = hwnd_of_xid(event.xdestroywindow.window);
            if (Window* w = find_window(hwnd); w && w->native && w->native->ownChild) {
                w->native->ownChild = 0;  // already gone, not to be destroyed again
                DestroyWindow(hwnd);
            }
        } else if (event.type == ConfigureNotify) {
            const ::Window changed = event.xconfigure.window;
            if (screenWatched_ && changed == root_) {
                announce_display_change();
            } else if (!hwnd_of_xid(changed)) {
                follow_foreign_parent(handle_from(static_cast<std::uint32_t>(changed)));
            }
        }
    }

    // SDL reports moves and size changes of our windows late, and may report
    // several in a row after they were made; what counts is where the window
    // is now. Only a change that we did not make ourselves (a window manager
    // moving a window, say) is taken over and told to the window.
    void adopt_server_geometry(HWND hwnd, const SDL_WindowEvent& e) {
        Window* w = find_window(hwnd);
        if (!w || !w->native) {
            return;
        }
        if (w->native->ownChild) {
            invalidate(*w);  // a child inside a foreign window is moved by us alone
            return;
        }
        RECT now{};
        if (!x11::window_geometry(w->native->xid, &now)) {
            now = w->rect;
            if (e.event == SDL_WINDOWEVENT_MOVED) {
                now = RECT{e.data1, e.data2, e.data1 + (w->rect.right - w->rect.left),
                           e.data2 + (w->rect.bottom - w->rect.top)};
            } else {
                now.right = now.left + e.data1;
                now.bottom = now.top + e.data2;
            }
        }
        if (e.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
            invalidate(*w);
        }
        if (now.left != w->rect.left || now.top != w->rect.top || now.right != w->rect.right ||
            now.bottom != w->rect.bottom) {
            place_window(hwnd, now.left, now.top, now.right - now.left, now.bottom - now.top,
                         false);
        }
    }

    // Adds the structure events of a window (its size changes among them) to
    // what this connection hears of it, keeping whatever was chosen before.
    static void add_structure_events(Display* display, ::Window window) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, window, &attributes)) {
            XSelectInput(display, window, attributes.your_event_mask | StructureNotifyMask);
        }
    }

    void key_event(const SDL_KeyboardEvent& e) {
        HWND hwnd = hwnd_of(e.windowID);
        if (!hwnd) {
            return;
        }
        const WPARAM vk = virtual_key(e.keysym.sym);
        const bool alt = (e.keysym.mod & KMOD_ALT) != 0;
        const bool down = e.type == SDL_KEYDOWN;
        // Alt held (or Alt itself) and F10 are the system keys.
        const bool system = alt || vk == VK_MENU || vk == VK_F10;
        DWORD lParam = 1u | ((static_cast<DWORD>(e.keysym.scancode) & 0xFFu) << 16);
        if (alt) {
            lParam |= 1u << 29;
        }
        if (!down || e.repeat) {
            lParam |= 1u << 30;
        }
        if (!down) {
            lParam |= 1u << 31;
        }
        UINT msg = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
        queue_post(hwnd, msg, vk, static_cast<LPARAM>(lParam));
    }

    void button_event(const SDL_MouseButtonEvent& e) {
        HWND hwnd = hwnd_of(e.windowID);
        if (!hwnd) {
            return;
        }
        const bool down = e.type == SDL_MOUSEBUTTONDOWN;
        UINT msg = 0;
        switch (e.button) {
            case SDL_BUTTON_LEFT:
                msg = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
                break;
            case SDL_BUTTON_RIGHT:
                msg = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
                break;
            case SDL_BUTTON_MIDDLE:
                msg = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
                break;
            default:
                return;
        }
        queue_post(hwnd, msg, mouse_keys(SDL_GetMouseState(nullptr, nullptr)),
                   point_param(e.x, e.y));
    }

    std::map<Uint32, HWND> bySdlId_;
    bool screenWatched_ = false;
    ::Window root_ = 0;
};

}  // namespace

namespace x11 {

Backend* start_backend() {
    auto* b = new DisplayBackend();  // lives as long as the process
    if (!b->start()) {
        delete b;
        return nullptr;
    }
    return b;
}

}  // namespace x11

}  // namespace portable
