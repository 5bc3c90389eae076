// The Wayland display backend: the compositor's globals and outputs, the
// surfaces that show our windows, frames in shared-memory buffers paced by
// the compositor's frame callbacks, and waiting for events. A saver window
// over the screens becomes one surface per output, on the overlay layer with
// the keyboard to itself where the compositor offers layer surfaces, else a
// full-screen toplevel on each output; a window of its own is a toplevel.
// Input is in wayland_input.cpp.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fractional-scale-v1-client-protocol.h"
#include "platform/portable/user/wayland/wayland_display.h"
#include "platform/portable/user/wayland/wayland_internal.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace portable::wayland {
namespace {

// The handle find_foreign gives for a window that another process holds.
constexpr std::uint32_t kRunningElsewhere = 0x7FFFFFF0u;

WaylandBackend* g_backend = nullptr;

// --- listeners: each hands its event to the backend ---------------------------

void on_global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
               std::uint32_t version) {
    static_cast<WaylandBackend*>(data)->global_added(registry, name, interface, version);
}
void on_global_remove(void* data, wl_registry*, std::uint32_t name) {
    static_cast<WaylandBackend*>(data)->global_removed(name);
}
const wl_registry_listener registry_listener = {on_global, on_global_remove};

void on_ping(void*, xdg_wm_base* base, std::uint32_t serial) {
    xdg_wm_base_pong(base, serial);
}
const xdg_wm_base_listener wm_base_listener = {on_ping};

void on_output_geometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t,
                        std::int32_t, std::int32_t, const char*, const char*,
                        std::int32_t transform) {
    auto* o = static_cast<Output*>(data);
    if (!o->incomingLogical) {
        o->incoming.x = x;
        o->incoming.y = y;
    }
    o->transform = transform;
}
void on_output_mode(void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                    std::int32_t height, std::int32_t) {
    auto* o = static_cast<Output*>(data);
    if (flags & WL_OUTPUT_MODE_CURRENT) {
        o->incoming.pixelWidth = width;
        o->incoming.pixelHeight = height;
    }
}
void on_output_done(void* data, wl_output*) {
    g_backend->output_done(*static_cast<Output*>(data));
}
void on_output_scale(void* data, wl_output*, std::int32_t factor) {
    static_cast<Output*>(data)->incoming.scale = std::max(1, factor);
}
void on_output_name(void*, wl_output*, const char*) {}
void on_output_description(void*, wl_output*, const char*) {}
const wl_output_listener output_listener = {on_output_geometry, on_output_mode,
                                            on_output_done,     on_output_scale,
                                            on_output_name,     on_output_description};

void on_logical_position(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
    auto* o = static_cast<Output*>(data);
    o->incoming.x = x;
    o->incoming.y = y;
    o->incomingLogical = true;
}
void on_logical_size(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
    auto* o = static_cast<Output*>(data);
    o->incoming.width = width;
    o->incoming.height = height;
    o->incomingLogical = true;
}
void on_xdg_output_done(void* data, zxdg_output_v1* xdgOutput) {
    // From version 3 on, wl_output.done ends the output's description.
    if (zxdg_output_v1_get_version(xdgOutput) < 3) {
        g_backend->output_done(*static_cast<Output*>(data));
    }
}
void on_xdg_output_name(void*, zxdg_output_v1*, const char*) {}
void on_xdg_output_description(void*, zxdg_output_v1*, const char*) {}
const zxdg_output_v1_listener xdg_output_listener = {on_logical_position, on_logical_size,
                                                     on_xdg_output_done, on_xdg_output_name,
                                                     on_xdg_output_description};

void on_layer_configure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                        std::uint32_t width, std::uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    g_backend->surface_configured(*static_cast<Surface*>(data), static_cast<int>(width),
                                  static_cast<int>(height));
}
void on_layer_closed(void* data, zwlr_layer_surface_v1*) {
    g_backend->surface_closed(*static_cast<Surface*>(data));
}
const zwlr_layer_surface_v1_listener layer_listener = {on_layer_configure, on_layer_closed};

void on_xdg_surface_configure(void* data, xdg_surface* xdgSurface, std::uint32_t serial) {
    xdg_surface_ack_configure(xdgSurface, serial);
    auto* s = static_cast<Surface*>(data);
    g_backend->surface_configured(*s, s->pendingWidth, s->pendingHeight);
}
const xdg_surface_listener xdg_surface_listener_ = {on_xdg_surface_configure};

void on_toplevel_configure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height,
                           wl_array*) {
    auto* s = static_cast<Surface*>(data);
    s->pendingWidth = width;
    s->pendingHeight = height;
}
void on_toplevel_close(void* data, xdg_toplevel*) {
    g_backend->surface_closed(*static_cast<Surface*>(data));
}
void on_toplevel_bounds(void*, xdg_toplevel*, std::int32_t, std::int32_t) {}
void on_toplevel_capabilities(void*, xdg_toplevel*, wl_array*) {}
const xdg_toplevel_listener toplevel_listener = {on_toplevel_configure, on_toplevel_close,
                                                 on_toplevel_bounds, on_toplevel_capabilities};

void on_preferred_scale(void* data, wp_fractional_scale_v1*, std::uint32_t scale) {
    auto* s = static_cast<Surface*>(data);
    if (s->output && scale > 0) {
        s->output->incoming.preferredScale = scale / 120.0;
        if (s->output->geometry.preferredScale != s->output->incoming.preferredScale) {
            g_backend->output_done(*s->output);
        }
    }
}
const wp_fractional_scale_v1_listener fractional_listener = {on_preferred_scale};

void on_frame_done(void* data, wl_callback*, std::uint32_t) {
    g_backend->frame_shown(*static_cast<Surface*>(data));
}
const wl_callback_listener frame_listener = {on_frame_done};

void on_buffer_release(void* data, wl_buffer*) {
    g_backend->buffer_released(*static_cast<ShmBuffer*>(data));
}
const wl_buffer_listener buffer_listener = {on_buffer_release};

bool odd_transform(int transform) {
    return transform == WL_OUTPUT_TRANSFORM_90 || transform == WL_OUTPUT_TRANSFORM_270 ||
           transform == WL_OUTPUT_TRANSFORM_FLIPPED_90 ||
           transform == WL_OUTPUT_TRANSFORM_FLIPPED_270;
}

bool same_rect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Copies pixels into a buffer the compositor reads next: streaming stores
// where the processor has them, so that the copy neither reads the
// destination first nor pushes the frame out of the caches.
void copy_to_buffer(std::uint32_t* to, const std::uint32_t* from, int count) {
#if defined(__SSE2__)
    while (count > 0 && (reinterpret_cast<std::uintptr_t>(to) & 15) != 0) {
        *to++ = *from++;
        --count;
    }
    for (; count >= 16; count -= 16, to += 16, from += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 4));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 8));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 12));
        _mm_stream_si128(reinterpret_cast<__m128i*>(to), a);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + 4), b);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + 8), c);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + 12), d);
    }
#endif
    std::memcpy(to, from, static_cast<std::size_t>(count) * 4);
}

bool same_layout(const Layout& a, const Layout& b) {
    if (a.scale != b.scale || a.areas.size() != b.areas.size() ||
        std::memcmp(&a.bounds, &b.bounds, sizeof(RECT)) != 0) {
        return false;
    }
    for (std::size_t i = 0; i < a.areas.size(); ++i) {
        if (std::memcmp(&a.areas[i], &b.areas[i], sizeof(RECT)) != 0) return false;
    }
    return true;
}

// A lock file per window identity (class and title) in the user's runtime
// folder: held by the process whose window has that identity, so that
// another process can tell that such a window exists. Wayland lets no client
// see another's windows.
std::string identity_path(const std::string& className, const std::string& title) {
    std::uint64_t hash = 1469598103934665603ull;
    std::string key;
    for (char c : className)
        key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    key += '\n';
    key += title;
    for (unsigned char c : key) hash = (hash ^ c) * 1099511628211ull;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string display = quoted_display_name();
    for (char& c : display) {
        if (c == '/' || c == '"' || c == ' ') c = '_';
    }
    char name[64];
    std::snprintf(name, sizeof name, "-%016llx.lock", static_cast<unsigned long long>(hash));
    return std::string(runtime && *runtime ? runtime : "/tmp") + "/nuvex" + display + name;
}

}  // namespace

// --- start and globals -------------------------------------------------------

bool WaylandBackend::start() {
    display_ = connection();
    if (!display_) return false;
    g_backend = this;
    const char* shell = std::getenv("NUVEX_WAYLAND_SHELL");
    useLayerShell_ = !(shell && std::strcmp(shell, "xdg") == 0);
    wl_registry* registry = wl_display_get_registry(display_);
    wl_registry_add_listener(registry, &registry_listener, this);
    // The globals, then what the outputs have to say about themselves.
    if (wl_display_roundtrip(display_) < 0) return false;
    for (auto& o : outputs_) watch_logical_geometry(*o);
    if (wl_display_roundtrip(display_) < 0) return false;
    if (!compositor_ || !shm_ || (!layerShell_ && !wmBase_)) {
        std::fprintf(stderr, "nuvex: the Wayland compositor offers no %s\n",
                     !compositor_ ? "compositor"
                     : !shm_      ? "shared memory"
                                  : "shell");
        return false;
    }
    relayout(false);
    started_ = true;
    return true;
}

void WaylandBackend::global_added(wl_registry* registry, std::uint32_t name, const char* interface,
                                  std::uint32_t version) {
    const std::string iface = interface;
    auto bind = [&](const wl_interface* type, std::uint32_t highest) {
        return wl_registry_bind(registry, name, type, std::min(version, highest));
    };
    if (iface == wl_compositor_interface.name) {
        compositorVersion_ = std::min<std::uint32_t>(version, 4);
        compositor_ = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
    } else if (iface == wl_shm_interface.name) {
        shm_ = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (iface == xdg_wm_base_interface.name) {
        wmBase_ = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(wmBase_, &wm_base_listener, this);
    } else if (iface == zwlr_layer_shell_v1_interface.name && useLayerShell_) {
        layerShell_ = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 4));
    } else if (iface == zxdg_output_manager_v1_interface.name) {
        xdgOutputs_ =
            static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 3));
    } else if (iface == wp_viewporter_interface.name) {
        viewporter_ = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
    } else if (iface == wp_fractional_scale_manager_v1_interface.name) {
        fractionalScales_ = static_cast<wp_fractional_scale_manager_v1*>(
            bind(&wp_fractional_scale_manager_v1_interface, 1));
    } else if (iface == wl_output_interface.name) {
        auto o = std::make_unique<Output>();
        o->name = name;
        o->output = static_cast<wl_output*>(bind(&wl_output_interface, 3));
        wl_output_add_listener(o->output, &output_listener, o.get());
        outputs_.push_back(std::move(o));
        watch_logical_geometry(*outputs_.back());
    } else if (iface == wl_seat_interface.name) {
        auto seat = std::make_unique<Seat>();
        seat->name = name;
        seat->seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 5));
        seats_.push_back(std::move(seat));
        add_seat_listener(*seats_.back());
    }
}

void WaylandBackend::watch_logical_geometry(Output& o) {
    if (xdgOutputs_ && !o.xdgOutput) {
        o.xdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgOutputs_, o.output);
        zxdg_output_v1_add_listener(o.xdgOutput, &xdg_output_listener, &o);
    }
}

void WaylandBackend::global_removed(std::uint32_t name) {
    for (auto it = outputs_.begin(); it != outputs_.end(); ++it) {
        Output& o = **it;
        if (o.name != name) continue;
        // Its surfaces go first; the windows cover what is left.
        for (auto& [hwnd, ww] : windows_) {
            auto& list = ww->surfaces;
            for (auto s = list.begin(); s != list.end();) {
                if ((*s)->output == &o) {
                    destroy_surface(**s);
                    s = list.erase(s);
                } else {
                    ++s;
                }
            }
        }
        if (o.xdgOutput) zxdg_output_v1_destroy(o.xdgOutput);
        if (wl_output_get_version(o.output) >= 3) {
            wl_output_release(o.output);
        } else {
            wl_output_destroy(o.output);
        }
        outputs_.erase(it);
        relayout(true);
        return;
    }
    remove_seat(name);
}

void WaylandBackend::output_done(Output& o) {
    OutputGeometry g = o.incoming;
    if (odd_transform(o.transform)) std::swap(g.pixelWidth, g.pixelHeight);
    if (!o.incomingLogical) {
        // Without xdg-output: the logical size is the mode over the scale.
        g.width = g.pixelWidth / std::max(1, g.scale);
        g.height = g.pixelHeight / std::max(1, g.scale);
    }
    o.geometry = g;
    o.ready = true;
    relayout(true);
}

void WaylandBackend::relayout(bool announce) {
    std::vector<OutputGeometry> geometries;
    std::vector<Output*> order;
    for (auto& o : outputs_) {
        if (!o->ready) continue;
        geometries.push_back(o->geometry);
        order.push_back(o.get());
    }
    Layout next = lay_out(geometries, viewporter_ != nullptr);
    if (same_layout(next, layout_) && order == laidOut_) return;
    layout_ = std::move(next);
    laidOut_ = std::move(order);
    for (auto& [hwnd, ww] : windows_) {
        if (ww->kind == WaylandWindow::Kind::cover && !ww->surfaces.empty()) cover_outputs(*ww);
    }
    // Not while starting: the window system is not ours to call back yet.
    if (announce && started_) announce_display_change();
}

RECT WaylandBackend::primary_screen() {
    return layout_.primary >= 0 ? layout_.areas[layout_.primary] : RECT{0, 0, 0, 0};
}

RECT WaylandBackend::virtual_screen() {
    return layout_.bounds;
}

// --- windows -----------------------------------------------------------------

WaylandWindow* WaylandBackend::window_of(HWND hwnd) {
    auto it = windows_.find(hwnd);
    return it == windows_.end() ? nullptr : it->second.get();
}

Surface* WaylandBackend::surface_of(wl_surface* surface) {
    if (!surface) return nullptr;
    for (auto& [hwnd, ww] : windows_) {
        for (auto& s : ww->surfaces) {
            if (s->surface == surface) return s.get();
        }
    }
    return nullptr;
}

bool WaylandBackend::create_native(Window& w, HWND parent) {
    auto ww = std::make_unique<WaylandWindow>();
    ww->hwnd = w.hwnd;
    if (parent) {
        // Drawn into its own top-level window's surfaces; another program's
        // window is nothing a Wayland client can draw in.
        if (!find_window(parent)) return false;
        ww->kind = WaylandWindow::Kind::child;
    } else {
        ww->kind = (w.exStyle & WS_EX_TOPMOST) ? WaylandWindow::Kind::cover
                                               : WaylandWindow::Kind::toplevel;
        if (!w.title.empty()) {
            const std::string path = identity_path(w.className, w.title);
            const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) {
                ww->identityLock = fd;
            } else if (fd >= 0) {
                close(fd);
            }
        }
    }
    windows_[w.hwnd] = std::move(ww);
    return true;
}

void WaylandBackend::destroy_native(Window& w) {
    WaylandWindow* ww = window_of(w.hwnd);
    if (!ww) return;
    for (auto& s : ww->surfaces) {
        for (auto& seat : seats_) {
            if (seat->pointerOver == s.get()) seat->pointerOver = nullptr;
        }
        destroy_surface(*s);
    }
    if (ww->identityLock >= 0) close(ww->identityLock);
    if (keyboardFocus_ == w.hwnd) keyboardFocus_ = nullptr;
    if (leaving_ == w.hwnd) leaving_ = nullptr;
    windows_.erase(w.hwnd);
    wl_display_flush(display_);
}

void WaylandBackend::show_native(Window& w, bool show) {
    WaylandWindow* ww = window_of(w.hwnd);
    if (!ww || ww->kind == WaylandWindow::Kind::child) return;
    if (!show) {
        for (auto& s : ww->surfaces) destroy_surface(*s);
        ww->surfaces.clear();
    } else if (ww->surfaces.empty()) {
        if (ww->kind == WaylandWindow::Kind::cover) {
            cover_outputs(*ww);
        } else {
            ww->surfaces.push_back(make_toplevel_surface(w));
        }
    }
    wl_display_flush(display_);
}

void WaylandBackend::set_native_title(Window& w) {
    WaylandWindow* ww = window_of(w.hwnd);
    if (!ww) return;
    for (auto& s : ww->surfaces) {
        if (s->toplevel) xdg_toplevel_set_title(s->toplevel, w.title.c_str());
    }
}

void WaylandBackend::move_native(Window& w, int, int) {
    WaylandWindow* ww = window_of(w.hwnd);
    if (!ww || ww->surfaces.empty()) return;
    if (ww->kind == WaylandWindow::Kind::cover) {
        cover_outputs(*ww);
    } else if (ww->kind == WaylandWindow::Kind::toplevel) {
        size_toplevel(*ww->surfaces.front(), w);
        wl_surface_commit(ww->surfaces.front()->surface);
    }
}

// Gives a covering window one surface on each output and tells each the part
// of the window it shows.
void WaylandBackend::cover_outputs(WaylandWindow& ww) {
    Window* w = find_window(ww.hwnd);
    if (!w) return;
    auto& list = ww.surfaces;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](const std::unique_ptr<Surface>& s) {
                                  const bool gone = std::find(laidOut_.begin(), laidOut_.end(),
                                                              s->output) == laidOut_.end();
                                  if (gone) destroy_surface(*s);
                                  return gone;
                              }),
               list.end());
    for (std::size_t i = 0; i < laidOut_.size(); ++i) {
        Output* o = laidOut_[i];
        auto it = std::find_if(list.begin(), list.end(),
                               [&](const std::unique_ptr<Surface>& s) { return s->output == o; });
        Surface* s = nullptr;
        if (it == list.end()) {
            list.push_back(make_cover_surface(ww.hwnd, *o));
            s = list.back().get();
        } else {
            s = it->get();
        }
        const RECT& a = layout_.areas[i];
        s->area = RECT{a.left - w->rect.left, a.top - w->rect.top, a.right - w->rect.left,
                       a.bottom - w->rect.top};
    }
    invalidate(*w);
    wl_display_flush(display_);
}

std::unique_ptr<Surface> WaylandBackend::make_cover_surface(HWND hwnd, Output& output) {
    auto s = std::make_unique<Surface>();
    s->hwnd = hwnd;
    s->output = &output;
    s->surface = wl_compositor_create_surface(compositor_);
    if (viewporter_) s->viewport = wp_viewporter_get_viewport(viewporter_, s->surface);
    if (fractionalScales_) {
        s->fractional =
            wp_fractional_scale_manager_v1_get_fractional_scale(fractionalScales_, s->surface);
        wp_fractional_scale_v1_add_listener(s->fractional, &fractional_listener, s.get());
    }
    if (layerShell_) {
        s->layer = zwlr_layer_shell_v1_get_layer_surface(
            layerShell_, s->surface, output.output, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "nuvex");
        zwlr_layer_surface_v1_set_size(s->layer, 0, 0);
        zwlr_layer_surface_v1_set_anchor(
            s->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                          ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_exclusive_zone(s->layer, -1);  // over panels too
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            s->layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
        zwlr_layer_surface_v1_add_listener(s->layer, &layer_listener, s.get());
    } else {
        s->xdgSurface = xdg_wm_base_get_xdg_surface(wmBase_, s->surface);
        xdg_surface_add_listener(s->xdgSurface, &xdg_surface_listener_, s.get());
        s->toplevel = xdg_surface_get_toplevel(s->xdgSurface);
        xdg_toplevel_add_listener(s->toplevel, &toplevel_listener, s.get());
        if (Window* w = find_window(hwnd)) xdg_toplevel_set_title(s->toplevel, w->title.c_str());
        xdg_toplevel_set_app_id(s->toplevel, "nuvex");
        xdg_toplevel_set_fullscreen(s->toplevel, output.output);
    }
    wl_surface_commit(s->surface);  // no buffer yet: asks for the first configure
    return s;
}

std::unique_ptr<Surface> WaylandBackend::make_toplevel_surface(Window& w) {
    auto s = std::make_unique<Surface>();
    s->hwnd = w.hwnd;
    s->surface = wl_compositor_create_surface(compositor_);
    if (viewporter_) s->viewport = wp_viewporter_get_viewport(viewporter_, s->surface);
    if (!wmBase_) return s;  // never configured: nothing is shown
    s->xdgSurface = xdg_wm_base_get_xdg_surface(wmBase_, s->surface);
    xdg_surface_add_listener(s->xdgSurface, &xdg_surface_listener_, s.get());
    s->toplevel = xdg_surface_get_toplevel(s->xdgSurface);
    xdg_toplevel_add_listener(s->toplevel, &toplevel_listener, s.get());
    xdg_toplevel_set_title(s->toplevel, w.title.c_str());
    xdg_toplevel_set_app_id(s->toplevel, "nuvex");
    size_toplevel(*s, w);
    wl_surface_commit(s->surface);
    return s;
}

// A window of its own keeps the size it was made with: the compositor is
// asked for exactly that (a tiling one floats such a window).
void WaylandBackend::size_toplevel(Surface& s, const Window& w) {
    s.area = RECT{0, 0, w.rect.right - w.rect.left, w.rect.bottom - w.rect.top};
    if (!s.toplevel) return;
    const int width = std::max(1, static_cast<int>((s.area.right) / layout_.scale));
    const int height = std::max(1, static_cast<int>((s.area.bottom) / layout_.scale));
    xdg_toplevel_set_min_size(s.toplevel, width, height);
    xdg_toplevel_set_max_size(s.toplevel, width, height);
}

void WaylandBackend::surface_configured(Surface& s, int width, int height) {
    Window* w = find_window(s.hwnd);
    if (!w) return;
    if (s.output && (width <= 0 || height <= 0)) {
        width = s.output->geometry.width;
        height = s.output->geometry.height;
    }
    if (!s.output) {
        // A window of its own: the compositor may give it another size.
        const int nowWidth = static_cast<int>((w->rect.right - w->rect.left) / layout_.scale);
        const int nowHeight = static_cast<int>((w->rect.bottom - w->rect.top) / layout_.scale);
        if (width <= 0 || height <= 0) {
            width = nowWidth;
            height = nowHeight;
        } else if (width != nowWidth || height != nowHeight) {
            const HWND hwnd = s.hwnd;
            place_window(hwnd, w->rect.left, w->rect.top, scaled(width, layout_.scale),
                         scaled(height, layout_.scale), false);
            // Its children keep filling it, as a preview fills its pane.
            for (HWND h : window_handles()) {
                Window* c = find_window(h);
                if (c && c->created && !c->destroying && c->parent == hwnd &&
                    (c->style & WS_CHILD)) {
                    place_window(h, c->offset.x, c->offset.y,
                                 scaled(width, layout_.scale) - c->offset.x,
                                 scaled(height, layout_.scale) - c->offset.y, true);
                }
            }
            w = find_window(hwnd);
            if (!w) return;
            s.area = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
        }
    }
    s.logicalWidth = width;
    s.logicalHeight = height;
    s.configured = true;
    invalidate(*w);  // the next paint fills the surface
}

void WaylandBackend::surface_closed(Surface& s) {
    if (!s.output) {
        // A window of its own: the user closed it.
        queue_post(s.hwnd, WM_CLOSE, 0, 0);
        return;
    }
    // A covering surface whose output went away: the window covers the rest.
    WaylandWindow* ww = window_of(s.hwnd);
    if (!ww) return;
    for (auto it = ww->surfaces.begin(); it != ww->surfaces.end(); ++it) {
        if (it->get() == &s) {
            for (auto& seat : seats_) {
                if (seat->pointerOver == &s) seat->pointerOver = nullptr;
            }
            destroy_surface(s);
            ww->surfaces.erase(it);
            return;
        }
    }
}

void WaylandBackend::destroy_surface(Surface& s) {
    if (s.frame) wl_callback_destroy(s.frame);
    destroy_buffers(s);
    if (s.fractional) wp_fractional_scale_v1_destroy(s.fractional);
    if (s.viewport) wp_viewport_destroy(s.viewport);
    if (s.layer) zwlr_layer_surface_v1_destroy(s.layer);
    if (s.toplevel) xdg_toplevel_destroy(s.toplevel);
    if (s.xdgSurface) xdg_surface_destroy(s.xdgSurface);
    if (s.surface) wl_surface_destroy(s.surface);
    s = Surface{};
}

// --- frames ------------------------------------------------------------------

void WaylandBackend::destroy_buffers(Surface& s) {
    for (ShmBuffer& b : s.buffers) {
        if (b.buffer) wl_buffer_destroy(b.buffer);
        if (b.pixels) munmap(b.pixels, b.bytes);
        b = ShmBuffer{};
    }
    s.chain.reset();
    s.missed = false;
}

bool WaylandBackend::make_buffer(Surface& s, int index) {
    ShmBuffer& b = s.buffers[index];
    b.bytes = static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height) * 4;
    const int fd = memfd_create("nuvex-frame", MFD_CLOEXEC);
    if (fd < 0) return false;
    if (ftruncate(fd, static_cast<off_t>(b.bytes)) != 0) {
        close(fd);
        return false;
    }
    void* memory = mmap(nullptr, b.bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        close(fd);
        return false;
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm_, fd, static_cast<std::int32_t>(b.bytes));
    close(fd);
    b.pixels = static_cast<std::uint32_t*>(memory);
    b.buffer =
        wl_shm_pool_create_buffer(pool, 0, s.width, s.height, s.width * 4, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    b.owner = &s;
    b.index = index;
    wl_buffer_add_listener(b.buffer, &buffer_listener, &b);
    return true;
}

void WaylandBackend::present(Window& w, int x, int y, int width, int height,
                             const std::uint32_t* pixels, int stride) {
    // The block in the coordinates of the top-level window whose surfaces
    // show it (a child is drawn into its parent's).
    Window* top = &w;
    while (top->style & WS_CHILD) {
        top = find_window(top->parent);
        if (!top) return;
    }
    WaylandWindow* ww = window_of(top->hwnd);
    if (!ww) return;
    const POINT shift{w.rect.left - top->rect.left, w.rect.top - top->rect.top};
    RECT block{x + shift.x, y + shift.y, x + shift.x + width, y + shift.y + height};
    // A child shows nothing outside itself.
    block = intersected(block, RECT{shift.x, shift.y, shift.x + (w.rect.right - w.rect.left),
                                    shift.y + (w.rect.bottom - w.rect.top)});
    if (empty(block)) return;
    // Where pixels[0] lies in the top-level window.
    const POINT origin{x + shift.x, y + shift.y};
    for (auto& s : ww->surfaces) {
        present_rects(*s, &block, 1, pixels, stride, origin);
    }
}

// The blocks of one paint, when they all come from one frame (each block's
// pixels where the first block's place them), go to each surface in one
// frame hand-over; otherwise one after another.
void WaylandBackend::present_blocks(Window& w, const portable_block* blocks, int count) {
    if (count <= 0) return;
    const portable_block& first = blocks[0];
    bool one_frame = true;
    for (int k = 1; k < count && one_frame; ++k) {
        const portable_block& b = blocks[k];
        const std::ptrdiff_t offset =
            static_cast<std::ptrdiff_t>(b.y - first.y) * first.stride + (b.x - first.x);
        one_frame = b.stride == first.stride && b.pixels - first.pixels == offset;
    }
    if (!one_frame || count == 1) {
        Backend::present_blocks(w, blocks, count);
        return;
    }
    Window* top = &w;
    while (top->style & WS_CHILD) {
        top = find_window(top->parent);
        if (!top) return;
    }
    WaylandWindow* ww = window_of(top->hwnd);
    if (!ww) return;
    const POINT shift{w.rect.left - top->rect.left, w.rect.top - top->rect.top};
    const RECT inside{shift.x, shift.y, shift.x + (w.rect.right - w.rect.left),
                      shift.y + (w.rect.bottom - w.rect.top)};
    std::vector<RECT> rects;
    rects.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const portable_block& b = blocks[k];
        const RECT block = intersected(
            RECT{b.x + shift.x, b.y + shift.y, b.x + shift.x + b.width, b.y + shift.y + b.height},
            inside);
        if (!empty(block)) rects.push_back(block);
    }
    if (rects.empty()) return;
    const POINT origin{first.x + shift.x, first.y + shift.y};
    for (auto& s : ww->surfaces) {
        present_rects(*s, rects.data(), static_cast<int>(rects.size()), first.pixels, first.stride,
                      origin);
    }
}

// Copies the parts of the rectangles (in window pixels) that the surface
// shows into its next frame, and hands the frame over at once unless the
// compositor has not shown the previous one yet (then the frame callback
// does it). `pixels` holds the window's pixels with (origin) at index 0.
void WaylandBackend::present_rects(Surface& s, const RECT* rects, int count,
                                   const std::uint32_t* pixels, int stride, POINT origin) {
    if (!s.configured || !s.surface) return;
    const int width = s.area.right - s.area.left;
    const int height = s.area.bottom - s.area.top;
    if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > (1LL << 28)) return;
    if (width != s.width || height != s.height) {
        destroy_buffers(s);
        s.width = width;
        s.height = height;
    }
    const RECT whole{0, 0, width, height};
    FrameChain::Fill fill{};
    bool filling = false;
    for (int i = 0; i < count; ++i) {
        const RECT local =
            intersected(RECT{rects[i].left - s.area.left, rects[i].top - s.area.top,
                             rects[i].right - s.area.left, rects[i].bottom - s.area.top},
                        whole);
        if (empty(local)) continue;
        if (!filling) {
            fill = s.chain.fill();
            if (fill.buffer < 0) {
                s.missed = true;  // every buffer is on screen; repainted on release
                return;
            }
            if (fill.make && !make_buffer(s, fill.buffer)) {
                destroy_buffers(s);
                return;
            }
            // What a block of this frame covers needs no repair (a whole
            // frame, the usual case, needs none at all).
            RECT r = intersected(fill.repair, whole);
            for (int k = 0; k < count; ++k) {
                const RECT block =
                    intersected(RECT{rects[k].left - s.area.left, rects[k].top - s.area.top,
                                     rects[k].right - s.area.left, rects[k].bottom - s.area.top},
                                whole);
                if (!empty(r) && same_rect(intersected(r, block), r)) {
                    r = kNoArea;
                }
            }
            if (fill.repairFrom >= 0 && !empty(r)) {
                const std::uint32_t* from = s.buffers[fill.repairFrom].pixels;
                std::uint32_t* to = s.buffers[fill.buffer].pixels;
                for (int row = r.top; row < r.bottom; ++row) {
                    const std::size_t at = static_cast<std::size_t>(row) * width + r.left;
                    std::memcpy(to + at, from + at, static_cast<std::size_t>(r.right - r.left) * 4);
                }
            }
            filling = true;
        }
        std::uint32_t* to = s.buffers[fill.buffer].pixels;
        for (int row = local.top; row < local.bottom; ++row) {
            const int windowX = local.left + s.area.left;
            const int windowY = row + s.area.top;
            const std::uint32_t* src = pixels +
                                       static_cast<std::ptrdiff_t>(windowY - origin.y) * stride +
                                       (windowX - origin.x);
            copy_to_buffer(to + static_cast<std::size_t>(row) * width + local.left, src,
                           local.right - local.left);
        }
#if defined(__SSE2__)
        _mm_sfence();  // the streamed pixels are in memory before the compositor looks
#endif
        s.chain.damage(local);
    }
    if (filling && !s.frame) commit(s);
}

void WaylandBackend::commit(Surface& s) {
    const FrameChain::HandOver h = s.chain.hand_over();
    if (h.buffer < 0) return;
    if (s.viewport) {
        wp_viewport_set_destination(s.viewport, s.logicalWidth, s.logicalHeight);
    } else if (layout_.scale > 1.0) {
        wl_surface_set_buffer_scale(s.surface, static_cast<std::int32_t>(layout_.scale));
    }
    wl_surface_attach(s.surface, s.buffers[h.buffer].buffer, 0, 0);
    if (compositorVersion_ >= 4) {
        wl_surface_damage_buffer(s.surface, h.damage.left, h.damage.top,
                                 h.damage.right - h.damage.left, h.damage.bottom - h.damage.top);
    } else {
        wl_surface_damage(s.surface, 0, 0, INT32_MAX, INT32_MAX);
    }
    s.frame = wl_surface_frame(s.surface);
    wl_callback_add_listener(s.frame, &frame_listener, &s);
    wl_surface_commit(s.surface);
    wl_display_flush(display_);
}

void WaylandBackend::frame_shown(Surface& s) {
    if (s.frame) {
        wl_callback_destroy(s.frame);
        s.frame = nullptr;
    }
    if (s.chain.filling()) commit(s);
}

void WaylandBackend::buffer_released(ShmBuffer& b) {
    Surface& s = *b.owner;
    s.chain.released(b.index);
    if (s.missed) {
        s.missed = false;
        if (Window* w = find_window(s.hwnd)) invalidate(*w);
    }
}

// --- waiting -----------------------------------------------------------------

bool WaylandBackend::wait(std::int64_t timeoutMs) {
    if (wl_display_get_error(display_) != 0) lost_connection();
    while (wl_display_prepare_read(display_) != 0) {
        if (wl_display_dispatch_pending(display_) < 0) lost_connection();
    }
    if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(display_);
        lost_connection();
    }
    pollfd p{wl_display_get_fd(display_), POLLIN, 0};
    const int limit =
        timeoutMs < 0 ? -1 : static_cast<int>(std::min<std::int64_t>(timeoutMs, 0x7FFFFFFF));
    const int ready = poll(&p, 1, limit);
    if (ready > 0 && (p.revents & POLLIN)) {
        if (wl_display_read_events(display_) < 0) lost_connection();
    } else {
        wl_display_cancel_read(display_);
        if (ready > 0 && (p.revents & (POLLERR | POLLHUP))) lost_connection();
    }
    if (wl_display_dispatch_pending(display_) < 0) lost_connection();
    finish_dispatch();
    wl_display_flush(display_);
    return true;
}

void WaylandBackend::lost_connection() {
    std::fprintf(stderr, "nuvex: lost the connection to Wayland display %s\n",
                 quoted_display_name().c_str());
    ExitProcess(static_cast<UINT>(-1));
}

// --- other processes' windows ---------------------------------------------------

HWND WaylandBackend::find_foreign(const char* className, const char* title) {
    if (!className || !title || !*title) return nullptr;
    const int fd = open(identity_path(className, title).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    if (!held) return nullptr;
    const HWND found =
        handle_from(kRunningElsewhere + static_cast<std::uint32_t>(runningElsewhere_.size()));
    runningElsewhere_[found] = true;
    return found;
}

bool WaylandBackend::foreign_exists(HWND hwnd) {
    return runningElsewhere_.count(hwnd) != 0;
}

bool WaylandBackend::raise(Window* own, HWND foreign) {
    // The compositor alone stacks and focuses windows; ours cover the
    // outputs already, and another process's saver does too.
    return own != nullptr || foreign_exists(foreign);
}

Backend* start_backend() {
    auto* b = new WaylandBackend();  // lives as long as the process
    if (!b->start()) {
        delete b;
        g_backend = nullptr;
        return nullptr;
    }
    return b;
}

}  // namespace portable::wayland
