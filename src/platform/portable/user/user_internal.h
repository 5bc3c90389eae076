// Internal state of the portable window system: the window table, the message
// queue with its timers, and the backend that connects them to a display (a
// Wayland compositor, or the X server through SDL2 and Xlib), to none (the
// headless backend, when no display can be opened), or to the test mode's
// stand-ins; which one is chosen in display_choice.cpp alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/portable/bridge.h"
#include "platform/portable/windows.h"

// Virtual-key codes that the input translation produces.
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_NUMPAD0 0x60
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F10 0x79
#define VK_F12 0x7B

namespace portable {

// Handles of windows made here carry this bit; X11 window ids never do (they
// are 29-bit numbers), so one 32-bit handle space holds both kinds.
constexpr std::uint32_t kOwnHandleBit = 0x80000000u;

inline std::uint32_t handle_value(HWND hwnd) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hwnd));
}
inline HWND handle_from(std::uint32_t value) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
}
inline bool is_own_handle(HWND hwnd) {
    const std::uintptr_t v = reinterpret_cast<std::uintptr_t>(hwnd);
    return v <= 0xFFFFFFFFu && (v & kOwnHandleBit) != 0;
}

struct NativeWindow;  // owned by the backend

struct Window {
    HWND hwnd = nullptr;
    WNDPROC proc = nullptr;
    WNDPROC unicodeProc = nullptr;  // serves SendMessageW where set; see portable_set_unicode_proc
    HWND parent = nullptr;
    std::string className;
    std::string title;
    int controlId = 0;
    void* owner = nullptr;  // free for whoever registered the window
    bool created = false;   // made by CreateWindowExA (not only registered)
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};     // screen coordinates
    POINT offset{};  // a child's place in its parent's client area
    bool visible = false;
    bool destroying = false;
    bool invalid = false;  // waiting for WM_PAINT
    bool erase = false;    // ... and its background is to be erased first (it was exposed)
    std::uint64_t invalidSerial = 0;
    NativeWindow* native = nullptr;
};

// The window table. Entries are stable while they exist; nothing may keep a
// pointer across a call into a window procedure, which may destroy windows.
Window* find_window(HWND hwnd);
Window* add_window();
void remove_window(HWND hwnd);
std::vector<HWND> window_handles();  // in creation order
void clear_windows();

// The queue.
void queue_post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void queue_clear();
void timers_clear();
void kill_window_timers(HWND hwnd);
std::uint64_t now_ms();  // the clock behind GetTickCount and the timers

// Validates a window (EndPaint, DefWindowProcA at WM_PAINT).
void validate(Window& w);
// Marks the window for a paint; `erase` asks for the background to be erased
// first (WM_ERASEBKGND from BeginPaint), as an exposed window is on Windows.
void invalidate(Window& w, bool erase = false);

// A display, or the test mode's stand-in for one.
class Backend {
public:
    virtual ~Backend() = default;
    virtual bool create_native(Window& w, HWND foreignParent) = 0;
    virtual void destroy_native(Window& w) = 0;
    virtual void show_native(Window& w, bool show) = 0;
    virtual void set_native_title(Window& w) = 0;
    // Gives the native window the place and size of w.rect; x and y are its
    // place in the native parent (the screen for a top-level window).
    virtual void move_native(Window& w, int x, int y) = 0;
    // Moves what the display has to say into the queue; waits at most
    // `timeoutMs` (negative: without limit) for it. Returns false when nothing
    // can ever arrive, so a caller must not wait again.
    virtual bool wait(std::int64_t timeoutMs) = 0;
    virtual void present(Window& w, int x, int y, int width, int height,
                         const std::uint32_t* pixels, int stride) = 0;
    // The blocks of one paint; by default one present after another.
    virtual void present_blocks(Window& w, const portable_block* blocks, int count) {
        for (int k = 0; k < count; ++k) {
            const portable_block& b = blocks[k];
            present(w, b.x, b.y, b.width, b.height, b.pixels, b.stride);
        }
    }
    virtual RECT primary_screen() = 0;
    virtual RECT virtual_screen() = 0;
    virtual bool cursor_pos(POINT* p) = 0;
    virtual void show_cursor(bool show) = 0;
    // Foreign windows: other processes' windows, named by their window id.
    virtual bool foreign_exists(HWND hwnd) = 0;
    virtual bool foreign_rect(HWND hwnd, RECT* screen, RECT* client) = 0;
    virtual HWND find_foreign(const char* className, const char* title) = 0;
    virtual bool raise(Window* own, HWND foreign) = 0;
    virtual bool post_foreign(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    virtual bool shift_held() = 0;
    // False when no window can be made at all (no display could be opened).
    virtual bool makes_windows() = 0;
};

// The test mode's backend when it is on, else the display's, else (no
// display could be opened) one that has no windows but keeps real time. The
// rest of the system has a sibling table chosen alike (system_backend.h).
// Both are chosen in one place, display_choice.cpp.
Backend& backend();
Backend* display_backend();  // nullptr when no display can be opened
Backend& headless_backend();
Backend& null_backend();

void set_last_error(DWORD error);

// Records kept for the test mode (null_mode.h reads them).
void record_post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void record_default_call(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void record_cursor_change(HCURSOR cursor);
void record_present();
void record_system_parameter(UINT action, UINT param);
void record_stall();

// Screen position of a window's client area (ours, or another process's).
bool client_origin(HWND parent, POINT* origin);
// Gives a window a new place (in its parent's client area for a child, on the
// screen otherwise) and size, and tells it as Windows does: WM_MOVE when its
// place changed, then WM_SIZE when its size changed, which also makes it
// repaint whole. The native window follows when `moveNative` is set (not when
// the display reports a change it already made).
void place_window(HWND hwnd, int x, int y, int width, int height, bool moveNative);
// After a change of the screens: WM_DISPLAYCHANGE to every top-level window.
void announce_display_change();
// Windows made inside a foreign window keep reaching its right and bottom
// edges when it changes size, so that a preview keeps filling its pane.
void follow_foreign_parent(HWND parent);
// Sends WM_SHOWWINDOW and shows or hides the native window.
void show_window_now(Window& w, bool show);
// The window that has the keyboard (set by the display backend on focus).
void set_foreground_window(HWND hwnd);
HCURSOR current_cursor();
// Forgets classes, focus, foreground and cursor (test mode reset).
void window_state_reset();
// Monotonic milliseconds of the real clock.
std::uint64_t monotonic_ms();

// Sleeps on the real clock.
void sleep_real(DWORD milliseconds);
// The AC line status the kernel's power-supply class reports (0, 1, or 255
// for unknown).
BYTE mains_line_status();

}  // namespace portable
