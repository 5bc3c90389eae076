// Input of the Wayland back end: seats, their pointers and keyboards, as the
// window messages the saver knows. The pointer is hidden over our surfaces
// while the saver hides it. A Wayland client never learns where the pointer
// is outside its surfaces, so GetCursorPos reports positions measured from
// the first one seen, which it puts where it answered before the pointer was
// seen: the saver's close rule (movement beyond a few pixels from where the
// pointer was) then holds from that first position on.
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-cursor.h>
#include <xkbcommon/xkbcommon.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/portable/user/wayland/wayland_internal.h"
#include "platform/portable/user/wayland/wayland_keys.h"

namespace portable::wayland {
namespace {

constexpr UINT kHitClient = 1;  // HTCLIENT
constexpr WPARAM kMouseLeft = 0x0001;
constexpr WPARAM kMouseRight = 0x0002;
constexpr WPARAM kMouseShift = 0x0004;
constexpr WPARAM kMouseControl = 0x0008;
constexpr WPARAM kMouseMiddle = 0x0010;

WaylandBackend* g_input = nullptr;

LPARAM point_param(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(x)),
                      static_cast<WORD>(static_cast<SHORT>(y)));
}

Seat& seat_of(void* data) {
    return *static_cast<Seat*>(data);
}

void on_capabilities(void* data, wl_seat*, std::uint32_t capabilities) {
    g_input->seat_capabilities(seat_of(data), capabilities);
}
void on_seat_name(void*, wl_seat*, const char*) {}
const wl_seat_listener seat_listener = {on_capabilities, on_seat_name};

void on_pointer_enter(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface,
                      wl_fixed_t x, wl_fixed_t y) {
    g_input->pointer_entered(seat_of(data), serial, surface, wl_fixed_to_double(x),
                             wl_fixed_to_double(y));
}
void on_pointer_leave(void* data, wl_pointer*, std::uint32_t, wl_surface* surface) {
    g_input->pointer_left(seat_of(data), surface);
}
void on_pointer_motion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
    g_input->pointer_moved(seat_of(data), wl_fixed_to_double(x), wl_fixed_to_double(y));
}
void on_pointer_button(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
                       std::uint32_t state) {
    g_input->pointer_button(seat_of(data), button, state == WL_POINTER_BUTTON_STATE_PRESSED);
}
void on_pointer_axis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
void on_pointer_frame(void*, wl_pointer*) {}
void on_pointer_axis_source(void*, wl_pointer*, std::uint32_t) {}
void on_pointer_axis_stop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
void on_pointer_axis_discrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
void on_pointer_axis_value120(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
const wl_pointer_listener pointer_listener = {
    on_pointer_enter,         on_pointer_leave,        on_pointer_motion,      on_pointer_button,
    on_pointer_axis,          on_pointer_frame,        on_pointer_axis_source, on_pointer_axis_stop,
    on_pointer_axis_discrete, on_pointer_axis_value120};

void on_keymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd,
               std::uint32_t size) {
    g_input->keymap_received(seat_of(data), format, fd, size);
}
void on_keyboard_enter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*) {
    g_input->keyboard_entered(seat_of(data), surface);
}
void on_keyboard_leave(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface) {
    g_input->keyboard_left(seat_of(data), surface);
}
void on_key(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
            std::uint32_t state) {
    g_input->key(seat_of(data), key, state == WL_KEYBOARD_KEY_STATE_PRESSED);
}
void on_modifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed,
                  std::uint32_t latched, std::uint32_t locked, std::uint32_t group) {
    g_input->modifiers(seat_of(data), depressed, latched, locked, group);
}
void on_repeat_info(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
const wl_keyboard_listener keyboard_listener = {on_keymap, on_keyboard_enter, on_keyboard_leave,
                                                on_key,    on_modifiers,      on_repeat_info};

void release_pointer(Seat& seat) {
    if (!seat.pointer) return;
    if (wl_pointer_get_version(seat.pointer) >= 3) {
        wl_pointer_release(seat.pointer);
    } else {
        wl_pointer_destroy(seat.pointer);
    }
    seat.pointer = nullptr;
    seat.pointerOver = nullptr;
    seat.buttons = 0;
}

void release_keyboard(Seat& seat) {
    if (seat.keyboard) {
        if (wl_keyboard_get_version(seat.keyboard) >= 3) {
            wl_keyboard_release(seat.keyboard);
        } else {
            wl_keyboard_destroy(seat.keyboard);
        }
        seat.keyboard = nullptr;
    }
    if (seat.state) xkb_state_unref(seat.state);
    if (seat.keymap) xkb_keymap_unref(seat.keymap);
    seat.state = nullptr;
    seat.keymap = nullptr;
}

}  // namespace

void WaylandBackend::add_seat_listener(Seat& seat) {
    g_input = this;
    wl_seat_add_listener(seat.seat, &seat_listener, &seat);
}

void WaylandBackend::remove_seat(std::uint32_t name) {
    for (auto it = seats_.begin(); it != seats_.end(); ++it) {
        if ((*it)->name != name) continue;
        release_pointer(**it);
        release_keyboard(**it);
        if (wl_seat_get_version((*it)->seat) >= 5) {
            wl_seat_release((*it)->seat);
        } else {
            wl_seat_destroy((*it)->seat);
        }
        seats_.erase(it);
        return;
    }
}

void WaylandBackend::seat_capabilities(Seat& seat, std::uint32_t capabilities) {
    const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (pointer && !seat.pointer) {
        seat.pointer = wl_seat_get_pointer(seat.seat);
        wl_pointer_add_listener(seat.pointer, &pointer_listener, &seat);
    } else if (!pointer) {
        release_pointer(seat);
    }
    if (keyboard && !seat.keyboard) {
        seat.keyboard = wl_seat_get_keyboard(seat.seat);
        wl_keyboard_add_listener(seat.keyboard, &keyboard_listener, &seat);
    } else if (!keyboard && seat.keyboard) {
        // The keyboard went away (unplugged): it leaves our surface first,
        // but no other program took it, so the window stays active.
        release_keyboard(seat);
        if (leaving_) {
            keyboardFocus_ = leaving_;
            leaving_ = nullptr;
        }
    }
}

// --- pointer -------------------------------------------------------------------

void WaylandBackend::pointer_entered(Seat& seat, std::uint32_t serial, wl_surface* surface,
                                     double x, double y) {
    seat.enterSerial = serial;
    seat.pointerOver = surface_of(surface);
    if (!seat.pointerOver) return;
    if (cursorShown_) {
        show_pointer(seat);
    } else {
        hide_pointer(seat);
    }
    pointer_moved(seat, x, y);
}

void WaylandBackend::pointer_left(Seat& seat, wl_surface*) {
    seat.pointerOver = nullptr;
}

void WaylandBackend::pointer_moved(Seat& seat, double x, double y) {
    Surface* s = seat.pointerOver;
    if (!s) return;
    const HWND hwnd = s->hwnd;
    Window* w = find_window(hwnd);
    if (!w) return;
    // Surface units to the window's pixels, then to the virtual screen.
    const int clientX = s->area.left + static_cast<int>(std::floor(x * layout_.scale));
    const int clientY = s->area.top + static_cast<int>(std::floor(y * layout_.scale));
    const POINT at{w->rect.left + clientX, w->rect.top + clientY};
    if (!pointerSeen_) {
        pointerSeen_ = true;
        RECT answered{};
        POINT before{};
        answered = primary_screen();
        before = POINT{(answered.left + answered.right) / 2, (answered.top + answered.bottom) / 2};
        pointerShift_ = POINT{before.x - at.x, before.y - at.y};
    }
    pointerAt_ = at;
    WPARAM keys = seat.buttons;
    if (shift_held()) keys |= kMouseShift;
    if (seat.state &&
        xkb_state_mod_name_is_active(seat.state, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0) {
        keys |= kMouseControl;
    }
    queue_post(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
               MAKELPARAM(kHitClient, WM_MOUSEMOVE));
    queue_post(hwnd, WM_MOUSEMOVE, keys, point_param(clientX, clientY));
}

void WaylandBackend::pointer_button(Seat& seat, std::uint32_t button, bool down) {
    UINT msg = 0;
    WPARAM bit = 0;
    switch (button) {
        case BTN_LEFT:
            msg = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            bit = kMouseLeft;
            break;
        case BTN_RIGHT:
            msg = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
            bit = kMouseRight;
            break;
        case BTN_MIDDLE:
            msg = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
            bit = kMouseMiddle;
            break;
        default:
            return;
    }
    seat.buttons = down ? (seat.buttons | bit) : (seat.buttons & ~bit);
    Surface* s = seat.pointerOver;
    Window* w = s ? find_window(s->hwnd) : nullptr;
    if (!w) return;
    queue_post(s->hwnd, msg, seat.buttons | (shift_held() ? kMouseShift : 0),
               point_param(pointerAt_.x - w->rect.left, pointerAt_.y - w->rect.top));
}

bool WaylandBackend::cursor_pos(POINT* p) {
    if (!pointerSeen_) {
        const RECT r = primary_screen();
        *p = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        return true;
    }
    *p = POINT{pointerAt_.x + pointerShift_.x, pointerAt_.y + pointerShift_.y};
    return true;
}

void WaylandBackend::show_cursor(bool show) {
    if (cursorShown_ == show) return;
    cursorShown_ = show;
    for (auto& seat : seats_) {
        if (!seat->pointerOver) continue;
        if (show) {
            show_pointer(*seat);
        } else {
            hide_pointer(*seat);
        }
    }
    wl_display_flush(display_);
}

void WaylandBackend::hide_pointer(Seat& seat) {
    if (seat.pointer) wl_pointer_set_cursor(seat.pointer, seat.enterSerial, nullptr, 0, 0);
}

// The arrow of the user's cursor theme (XCURSOR_THEME, XCURSOR_SIZE), or none
// when no theme can be read.
void WaylandBackend::show_pointer(Seat& seat) {
    if (!seat.pointer) return;
    if (!cursorTheme_) {
        const char* sizeText = std::getenv("XCURSOR_SIZE");
        const int size = sizeText && std::atoi(sizeText) > 0 ? std::atoi(sizeText) : 24;
        cursorTheme_ = wl_cursor_theme_load(std::getenv("XCURSOR_THEME"), size, shm_);
        if (!cursorTheme_) return;
    }
    wl_cursor* cursor = wl_cursor_theme_get_cursor(cursorTheme_, "left_ptr");
    if (!cursor) cursor = wl_cursor_theme_get_cursor(cursorTheme_, "default");
    if (!cursor || cursor->image_count == 0) return;
    wl_cursor_image* image = cursor->images[0];
    wl_buffer* buffer = wl_cursor_image_get_buffer(image);
    if (!buffer) return;
    if (!cursorSurface_) cursorSurface_ = wl_compositor_create_surface(compositor_);
    wl_pointer_set_cursor(seat.pointer, seat.enterSerial, cursorSurface_,
                          static_cast<std::int32_t>(image->hotspot_x),
                          static_cast<std::int32_t>(image->hotspot_y));
    wl_surface_attach(cursorSurface_, buffer, 0, 0);
    wl_surface_damage(cursorSurface_, 0, 0, static_cast<std::int32_t>(image->width),
                      static_cast<std::int32_t>(image->height));
    wl_surface_commit(cursorSurface_);
}

// --- keyboard ------------------------------------------------------------------

void WaylandBackend::keymap_received(Seat& seat, std::uint32_t format, int fd, std::uint32_t size) {
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || size == 0) {
        close(fd);
        return;
    }
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (text == MAP_FAILED) return;
    if (!xkb_) xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap =
        xkb_ ? xkb_keymap_new_from_buffer(xkb_, static_cast<const char*>(text),
                                          ::strnlen(static_cast<const char*>(text), size),
                                          XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS)
             : nullptr;
    munmap(text, size);
    if (!keymap) return;
    if (seat.state) xkb_state_unref(seat.state);
    if (seat.keymap) xkb_keymap_unref(seat.keymap);
    seat.keymap = keymap;
    seat.state = xkb_state_new(keymap);
}

void WaylandBackend::keyboard_entered(Seat&, wl_surface* surface) {
    Surface* s = surface_of(surface);
    if (!s) return;
    const HWND hwnd = s->hwnd;
    if (leaving_ == hwnd) {
        leaving_ = nullptr;  // from one of its surfaces to another: still active
    }
    if (keyboardFocus_ == hwnd) return;
    keyboardFocus_ = hwnd;
    set_foreground_window(hwnd);
    queue_post(hwnd, WM_ACTIVATEAPP, TRUE, 0);
}

void WaylandBackend::keyboard_left(Seat&, wl_surface* surface) {
    Surface* s = surface_of(surface);
    const HWND hwnd = s ? s->hwnd : keyboardFocus_;
    if (!hwnd || hwnd != keyboardFocus_) return;
    // Told once the events read together are handled: the keyboard may only
    // be moving to another surface of the same window (another output).
    keyboardFocus_ = nullptr;
    leaving_ = hwnd;
}

void WaylandBackend::finish_dispatch() {
    if (!leaving_) return;
    const HWND hwnd = leaving_;
    leaving_ = nullptr;
    if (keyboardFocus_ == hwnd || !find_window(hwnd)) return;
    if (GetForegroundWindow() == hwnd) set_foreground_window(nullptr);
    queue_post(hwnd, WM_ACTIVATEAPP, FALSE, 0);
}

void WaylandBackend::key(Seat& seat, std::uint32_t key, bool down) {
    if (!keyboardFocus_) return;
    // Without a keymap every key is still a key; Esc (which ends a window of
    // its own) is known by its place.
    WPARAM vk = key == KEY_ESC ? VK_ESCAPE : 0xFF;
    bool alt = false;
    if (seat.state) {
        vk = virtual_key(xkb_state_key_get_one_sym(seat.state, key + 8));
        alt = xkb_state_mod_name_is_active(seat.state, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) >
              0;
    }
    // Alt held (or Alt itself) and F10 are the system keys.
    const bool system = alt || vk == VK_MENU || vk == VK_F10;
    DWORD lParam = 1u | ((key & 0xFFu) << 16);
    if (alt) lParam |= 1u << 29;
    if (!down) lParam |= (1u << 30) | (1u << 31);
    const UINT msg =
        down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    queue_post(keyboardFocus_, msg, vk, static_cast<LPARAM>(lParam));
}

void WaylandBackend::modifiers(Seat& seat, std::uint32_t depressed, std::uint32_t latched,
                               std::uint32_t locked, std::uint32_t group) {
    if (seat.state) xkb_state_update_mask(seat.state, depressed, latched, locked, 0, 0, group);
}

bool WaylandBackend::shift_held() {
    for (auto& seat : seats_) {
        if (seat->state && xkb_state_mod_name_is_active(seat->state, XKB_MOD_NAME_SHIFT,
                                                        XKB_STATE_MODS_EFFECTIVE) > 0) {
            return true;
        }
    }
    return false;
}

}  // namespace portable::wayland
