// The Wayland back end's own records: the compositor's globals, its outputs,
// the surfaces that show our windows, and the seats that bring input. Only
// the back end's files (wayland_*.cpp) include this.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/portable/user/user_internal.h"
#include "platform/portable/user/wayland/wayland_frames.h"
#include "platform/portable/user/wayland/wayland_layout.h"

struct xdg_wm_base;
struct xdg_surface;
struct xdg_toplevel;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct wp_viewporter;
struct wp_viewport;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;
struct wl_cursor_theme;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace portable::wayland {

// The connection wayland_connection.cpp made; nullptr when none answered.
wl_display* connection();

struct Output {
    wl_output* output = nullptr;
    std::uint32_t name = 0;  // in the registry
    zxdg_output_v1* xdgOutput = nullptr;
    OutputGeometry geometry;  // as of the last done event
    OutputGeometry incoming;  // being told; takes effect at done
    bool incomingLogical = false;
    int transform = 0;
    bool ready = false;  // told completely at least once
};

struct Surface;

struct ShmBuffer {
    wl_buffer* buffer = nullptr;
    std::uint32_t* pixels = nullptr;
    std::size_t bytes = 0;
    Surface* owner = nullptr;
    int index = 0;
};

// One wl_surface showing (part of) a window: for a saver window over the
// screens, one per output; for a window of its own, one toplevel.
struct Surface {
    HWND hwnd = nullptr;
    Output* output = nullptr;  // the output a covering surface is on
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    wp_viewport* viewport = nullptr;
    wp_fractional_scale_v1* fractional = nullptr;
    wl_callback* frame = nullptr;  // the compositor has not yet shown the last frame
    bool configured = false;
    int logicalWidth = 0;  // as the compositor configured it
    int logicalHeight = 0;
    int pendingWidth = 0;  // a toplevel's size until its configure is done
    int pendingHeight = 0;
    RECT area{};    // the part of the window it shows, in the window's pixels
    int width = 0;  // of its buffers
    int height = 0;
    FrameChain chain;
    ShmBuffer buffers[FrameChain::kMaxBuffers];
    bool missed = false;  // a frame found every buffer held: repaint on release
};

struct WaylandWindow {
    enum class Kind { cover, toplevel, child };
    HWND hwnd = nullptr;
    Kind kind = Kind::toplevel;
    std::vector<std::unique_ptr<Surface>> surfaces;
    int identityLock = -1;  // held while the window exists, for find_foreign
};

struct Seat {
    wl_seat* seat = nullptr;
    std::uint32_t name = 0;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* state = nullptr;
    std::uint32_t enterSerial = 0;
    Surface* pointerOver = nullptr;
    std::uint32_t buttons = 0;  // MK_* bits of the buttons held
};

class WaylandBackend final : public Backend {
public:
    bool start();

    bool create_native(Window& w, HWND foreignParent) override;
    void destroy_native(Window& w) override;
    void show_native(Window& w, bool show) override;
    void set_native_title(Window& w) override;
    void move_native(Window& w, int x, int y) override;
    bool wait(std::int64_t timeoutMs) override;
    void present_blocks(Window& w, const portable_block* blocks, int count) override;
    void present(Window& w, int x, int y, int width, int height, const std::uint32_t* pixels,
                 int stride) override;
    RECT primary_screen() override;
    RECT virtual_screen() override;
    bool cursor_pos(POINT* p) override;
    void show_cursor(bool show) override;
    bool foreign_exists(HWND hwnd) override;
    bool foreign_rect(HWND, RECT*, RECT*) override { return false; }
    HWND find_foreign(const char* className, const char* title) override;
    bool raise(Window* own, HWND foreign) override;
    bool post_foreign(HWND hwnd, UINT, WPARAM, LPARAM) override { return foreign_exists(hwnd); }
    bool shift_held() override;
    bool makes_windows() override { return true; }

    // --- for the listeners ---------------------------------------------------
    void global_added(wl_registry* registry, std::uint32_t name, const char* interface,
                      std::uint32_t version);
    void global_removed(std::uint32_t name);
    void output_done(Output& output);
    void surface_configured(Surface& s, int width, int height);
    void surface_closed(Surface& s);
    void frame_shown(Surface& s);
    void buffer_released(ShmBuffer& b);
    void seat_capabilities(Seat& seat, std::uint32_t capabilities);
    void pointer_entered(Seat& seat, std::uint32_t serial, wl_surface* surface, double x, double y);
    void pointer_left(Seat& seat, wl_surface* surface);
    void pointer_moved(Seat& seat, double x, double y);
    void pointer_button(Seat& seat, std::uint32_t button, bool down);
    void keymap_received(Seat& seat, std::uint32_t format, int fd, std::uint32_t size);
    void keyboard_entered(Seat& seat, wl_surface* surface);
    void keyboard_left(Seat& seat, wl_surface* surface);
    void key(Seat& seat, std::uint32_t key, bool down);
    void modifiers(Seat& seat, std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                   std::uint32_t group);
    void add_seat_listener(Seat& seat);
    void remove_seat(std::uint32_t name);

    wl_display* display_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    std::uint32_t compositorVersion_ = 0;
    wl_shm* shm_ = nullptr;
    xdg_wm_base* wmBase_ = nullptr;
    zwlr_layer_shell_v1* layerShell_ = nullptr;
    zxdg_output_manager_v1* xdgOutputs_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
    wp_fractional_scale_manager_v1* fractionalScales_ = nullptr;

private:
    WaylandWindow* window_of(HWND hwnd);
    Surface* surface_of(wl_surface* surface);
    void add_output(std::uint32_t name, std::uint32_t version, wl_registry* registry);
    void watch_logical_geometry(Output& output);
    // Lays the outputs out again; a change goes to the covering windows at
    // once and, with `announce`, to every top-level window (WM_DISPLAYCHANGE).
    void relayout(bool announce);
    void cover_outputs(WaylandWindow& ww);
    std::unique_ptr<Surface> make_cover_surface(HWND hwnd, Output& output);
    std::unique_ptr<Surface> make_toplevel_surface(Window& w);
    void size_toplevel(Surface& s, const Window& w);
    void destroy_surface(Surface& s);
    void destroy_buffers(Surface& s);
    bool make_buffer(Surface& s, int index);
    void present_rects(Surface& s, const RECT* rects, int count, const std::uint32_t* pixels,
                       int stride, POINT origin);
    void commit(Surface& s);
    void finish_dispatch();
    [[noreturn]] void lost_connection();
    void hide_pointer(Seat& seat);
    void show_pointer(Seat& seat);

    std::vector<std::unique_ptr<Output>> outputs_;
    std::vector<std::unique_ptr<Seat>> seats_;
    std::map<HWND, std::unique_ptr<WaylandWindow>> windows_;
    Layout layout_;
    std::vector<Output*> laidOut_;  // the outputs layout_ describes, in its order
    bool useLayerShell_ = true;
    bool started_ = false;

    // Input state.
    xkb_context* xkb_ = nullptr;
    HWND keyboardFocus_ = nullptr;
    HWND leaving_ = nullptr;  // lost the keyboard; told unless it comes back at once
    bool cursorShown_ = true;
    bool pointerSeen_ = false;
    POINT pointerAt_{};     // the last position, in virtual-screen pixels
    POINT pointerShift_{};  // added to what cursor_pos reports
    wl_cursor_theme* cursorTheme_ = nullptr;
    wl_surface* cursorSurface_ = nullptr;
    std::map<HWND, bool> runningElsewhere_;  // handles find_foreign gave out
};

}  // namespace portable::wayland
