// A small Wayland client for the end-to-end tests of the saver on a
// compositor without input devices of its own (a headless one):
//
//   pointer ACTION...   a new virtual pointer of this client does each action
//                       in turn: m:DX,DY moves it by (DX, DY), b:left, b:right
//                       or b:middle clicks, w:MS waits MS milliseconds
//   clear-present SECONDS
//                       what a saver costs at the least: a layer surface over
//                       the first output, into which a frame of the output's
//                       size is cleared and presented 30.3 times a second, as
//                       the saver presents (two buffers, a frame callback);
//                       prints the processor time per frame (ms) and the
//                       frames presented
//   lit FILE X Y W H    prints the fraction of non-black pixels of an area of
//                       a PPM screenshot (grim -t ppm)
//   count FILE X Y W H RRGGBB
//                       prints the fraction of an area's pixels of that colour
//   pixel FILE X Y      prints the colour of a pixel as RRGGBB
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#include <wayland-client.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Globals {
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    wl_output* output = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    zwlr_virtual_pointer_manager_v1* pointers = nullptr;
};

void on_global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
               std::uint32_t) {
    auto* g = static_cast<Globals*>(data);
    const std::string iface = interface;
    if (iface == wl_compositor_interface.name) {
        g->compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    } else if (iface == wl_shm_interface.name) {
        g->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (iface == wl_seat_interface.name && !g->seat) {
        g->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (iface == wl_output_interface.name && !g->output) {
        g->output =
            static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1));
    } else if (iface == zwlr_layer_shell_v1_interface.name) {
        g->layerShell = static_cast<zwlr_layer_shell_v1*>(
            wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, 1));
    } else if (iface == zwlr_virtual_pointer_manager_v1_interface.name) {
        g->pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    }
}
void on_global_remove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener registry_listener = {on_global, on_global_remove};

wl_display* connect(Globals& g) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "wayland_test_host: no compositor\n");
        std::exit(2);
    }
    wl_registry_add_listener(wl_display_get_registry(display), &registry_listener, &g);
    wl_display_roundtrip(display);
    return display;
}

std::uint32_t now_ms() {
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
            .count());
}

int pointer(int count, char** actions) {
    Globals g;
    wl_display* display = connect(g);
    if (!g.pointers) {
        std::fprintf(stderr, "wayland_test_host: no virtual pointers here\n");
        return 2;
    }
    zwlr_virtual_pointer_v1* p =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g.pointers, g.seat);
    wl_display_roundtrip(display);
    // A new pointer device: the other clients hear of it and take a pointer
    // of their own before it does anything, as with a mouse plugged in.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (int i = 0; i < count; ++i) {
        const std::string a = actions[i];
        int dx = 0;
        int dy = 0;
        if (std::sscanf(a.c_str(), "m:%d,%d", &dx, &dy) == 2) {
            zwlr_virtual_pointer_v1_motion(p, now_ms(), wl_fixed_from_int(dx),
                                           wl_fixed_from_int(dy));
            zwlr_virtual_pointer_v1_frame(p);
        } else if (a.rfind("b:", 0) == 0) {
            const std::uint32_t button = a == "b:right"    ? BTN_RIGHT
                                         : a == "b:middle" ? BTN_MIDDLE
                                                           : BTN_LEFT;
            zwlr_virtual_pointer_v1_button(p, now_ms(), button, WL_POINTER_BUTTON_STATE_PRESSED);
            zwlr_virtual_pointer_v1_frame(p);
            zwlr_virtual_pointer_v1_button(p, now_ms(), button, WL_POINTER_BUTTON_STATE_RELEASED);
            zwlr_virtual_pointer_v1_frame(p);
        } else if (a.rfind("w:", 0) == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(a.c_str() + 2)));
        } else {
            std::fprintf(stderr, "wayland_test_host: unknown action %s\n", a.c_str());
            return 2;
        }
        wl_display_roundtrip(display);
    }
    zwlr_virtual_pointer_v1_destroy(p);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}

// --- the reference: clear and present ---------------------------------------

struct Reference {
    int width = 0;
    int height = 0;
    bool configured = false;
    bool frameDue = true;
    wl_buffer* buffers[2] = {};
    bool busy[2] = {};
    std::uint32_t* pixels[2] = {};
};

void on_configure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                  std::uint32_t width, std::uint32_t height) {
    auto* r = static_cast<Reference*>(data);
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    r->width = static_cast<int>(width);
    r->height = static_cast<int>(height);
    r->configured = true;
}
void on_closed(void*, zwlr_layer_surface_v1*) {}
const zwlr_layer_surface_v1_listener layer_listener = {on_configure, on_closed};

void on_release(void* data, wl_buffer* buffer) {
    auto* r = static_cast<Reference*>(data);
    for (int i = 0; i < 2; ++i) {
        if (r->buffers[i] == buffer) r->busy[i] = false;
    }
}
const wl_buffer_listener buffer_listener = {on_release};

void on_frame(void* data, wl_callback* callback, std::uint32_t) {
    static_cast<Reference*>(data)->frameDue = true;
    wl_callback_destroy(callback);
}
const wl_callback_listener frame_listener = {on_frame};

double processor_ms() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

int clear_present(double seconds) {
    Globals g;
    wl_display* display = connect(g);
    if (!g.layerShell || !g.compositor || !g.shm) return 2;
    Reference r;
    wl_surface* surface = wl_compositor_create_surface(g.compositor);
    zwlr_layer_surface_v1* layer = zwlr_layer_shell_v1_get_layer_surface(
        g.layerShell, surface, g.output, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "reference");
    zwlr_layer_surface_v1_set_anchor(layer, 15);
    zwlr_layer_surface_v1_set_exclusive_zone(layer, -1);
    zwlr_layer_surface_v1_add_listener(layer, &layer_listener, &r);
    wl_surface_commit(surface);
    while (!r.configured && wl_display_dispatch(display) >= 0) {
    }
    const std::size_t bytes = static_cast<std::size_t>(r.width) * r.height * 4;
    for (int i = 0; i < 2; ++i) {
        const int fd = memfd_create("reference", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, static_cast<off_t>(bytes)) != 0) return 2;
        r.pixels[i] = static_cast<std::uint32_t*>(
            mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
        wl_shm_pool* pool = wl_shm_create_pool(g.shm, fd, static_cast<std::int32_t>(bytes));
        r.buffers[i] = wl_shm_pool_create_buffer(pool, 0, r.width, r.height, r.width * 4,
                                                 WL_SHM_FORMAT_XRGB8888);
        wl_buffer_add_listener(r.buffers[i], &buffer_listener, &r);
        wl_shm_pool_destroy(pool);
        close(fd);
    }
    auto present = [&]() {
        if (!r.frameDue) return false;
        const int i = r.busy[0] ? 1 : 0;
        if (r.busy[i]) return false;
        std::memset(r.pixels[i], 0, bytes);
        wl_surface_attach(surface, r.buffers[i], 0, 0);
        wl_surface_damage_buffer(surface, 0, 0, r.width, r.height);
        wl_callback_add_listener(wl_surface_frame(surface), &frame_listener, &r);
        wl_surface_commit(surface);
        wl_display_flush(display);
        r.busy[i] = true;
        r.frameDue = false;
        return true;
    };
    present();  // the first touch of fresh pages is not counted
    wl_display_roundtrip(display);
    const double before = processor_ms();
    const auto start = Clock::now();
    auto next = start;
    long frames = 0;
    while (std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
        wl_display_dispatch_pending(display);
        if (present()) ++frames;
        next += std::chrono::milliseconds(33);
        std::this_thread::sleep_until(next);
        wl_display_roundtrip(display);
    }
    const double spent = processor_ms() - before;
    std::printf("%.3f %ld\n", frames ? spent / frames : 0.0, frames);
    wl_display_disconnect(display);
    return 0;
}

// --- screenshots -------------------------------------------------------------

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    std::uint32_t at(int x, int y) const {
        const unsigned char* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
        return (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    }
};

Image read_ppm(const char* path) {
    Image image;
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> image.width >> image.height >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255 || image.width <= 0 || image.height <= 0) {
        std::fprintf(stderr, "wayland_test_host: %s is no 8-bit PPM\n", path);
        std::exit(2);
    }
    image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
    in.read(reinterpret_cast<char*>(image.rgb.data()),
            static_cast<std::streamsize>(image.rgb.size()));
    return image;
}

// Calls f(x, y) for every pixel of the area that lies in the image; returns
// how many there were.
template <typename F>
long each(const Image& image, int x, int y, int w, int h, F f) {
    long n = 0;
    for (int row = std::max(0, y); row < std::min(image.height, y + h); ++row) {
        for (int col = std::max(0, x); col < std::min(image.width, x + w); ++col) {
            f(col, row);
            ++n;
        }
    }
    return n;
}

int fraction(char** argv, bool lit, std::uint32_t colour) {
    const Image image = read_ppm(argv[0]);
    long hits = 0;
    const long n = each(image, std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]),
                        std::atoi(argv[4]), [&](int x, int y) {
                            const std::uint32_t p = image.at(x, y);
                            hits += lit ? p != 0 : p == colour;
                        });
    std::printf("%.6f\n", n ? static_cast<double>(hits) / n : 0.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "pointer" && argc > 2) return pointer(argc - 2, argv + 2);
    if (command == "clear-present" && argc == 3) return clear_present(std::atof(argv[2]));
    if (command == "lit" && argc == 7) return fraction(argv + 2, true, 0);
    if (command == "count" && argc == 8) {
        return fraction(argv + 2, false, std::strtoul(argv[7], nullptr, 16));
    }
    if (command == "pixel" && argc == 5) {
        const Image image = read_ppm(argv[2]);
        const int x = std::atoi(argv[3]);
        const int y = std::atoi(argv[4]);
        if (x < 0 || y < 0 || x >= image.width || y >= image.height) return 2;
        std::printf("%06x\n", image.at(x, y));
        return 0;
    }
    std::fprintf(stderr,
                 "usage: wayland_test_host pointer ACTION... | clear-present SECONDS | "
                 "lit FILE X Y W H | count FILE X Y W H RRGGBB | "
                 "pixel FILE X Y\n");
    return 2;
}
