// A small X client for the end-to-end tests of the saver: it makes the windows
// the saver is put into or competes with, and looks at the screen the way a
// user would (pixels, stacking, pointer).
//
//   parent W H         make a W×H window, print its id, live until killed
//   focus              make a small window, give it the input focus, live until killed
//   topmost            print the id of the top-most viewable child of the root
//   move X Y           move the pointer to (X, Y) on the screen, through XTEST
//   cursor-hidden      exit 0 when the pointer shows no visible pixel
//   lit X Y W H        print the fraction of non-black pixels in a screen area
//   warm X Y W H       the same for red to yellow pixels only
//   count-colour X Y W H RRGGBB
//                      print how many pixels of a screen area have that colour
//   wait-covered X Y W H RRGGBB MS [SINCE_NS]
//                      wait until a screen area is wholly a saver's picture (see
//                      below); print the milliseconds since SINCE_NS (the wall
//                      clock in nanoseconds, as `date +%s%N` gives it; default
//                      the start of the wait) and how lit the area's right edge
//                      is; fail MS milliseconds after SINCE_NS
//   first-frame MS PROGRAM ARGS...
//                      start PROGRAM and print the milliseconds from its start to
//                      the first non-black pixel in a band across the upper
//                      middle of the screen (fail after MS)
//   clear-present SECONDS
//                      what a saver costs at the least: a frame of the screen's
//                      size cleared and presented 30.3 times a second, as the
//                      saver presents; print the processor time per frame (ms)
//                      and the frames presented
//   frame-rate SECONDS [whole]
//                      print how many times per second the screen's picture
//                      changes (a band across its middle, or all of it)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <sys/ipc.h>
#include <sys/resource.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

Display* open_display() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "x11_test_host: cannot open display\n");
        std::exit(2);
    }
    return display;
}

[[noreturn]] void live_until_killed(Display* display) {
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
    }
}

Window make_window(Display* display, int width, int height, unsigned long background) {
    const int screen = DefaultScreen(display);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 10, 10,
                                        static_cast<unsigned>(width), static_cast<unsigned>(height),
                                        0, 0, background);
    XSelectInput(display, window, ExposureMask | StructureNotifyMask);
    XMapRaised(display, window);
    // Wait until the server has mapped it, so the id is usable at once.
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && event.xmap.window == window) break;
    }
    return window;
}

int parent(int width, int height) {
    Display* display = open_display();
    const Window window = make_window(display, width, height, 0x406080);
    std::printf("%lu\n", static_cast<unsigned long>(window));
    std::fflush(stdout);
    live_until_killed(display);
}

int focus() {
    Display* display = open_display();
    const Window window = make_window(display, 64, 64, 0x808080);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XFlush(display);
    std::printf("%lu\n", static_cast<unsigned long>(window));
    std::fflush(stdout);
    live_until_killed(display);
}

int topmost() {
    Display* display = open_display();
    Window root = 0, parentWindow = 0;
    Window* children = nullptr;
    unsigned count = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parentWindow, &children, &count);
    for (unsigned i = count; i-- > 0;) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable) {
            std::printf("%lu\n", static_cast<unsigned long>(children[i]));
            break;
        }
    }
    if (children) XFree(children);
    return 0;
}

// Real pointer motion through the server's test extension, as a mouse gives it.
int move(int x, int y) {
    Display* display = open_display();
    int event_base = 0, error_base = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event_base, &error_base, &major, &minor)) return 2;
    XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
    XSync(display, False);
    return 0;
}

int cursor_hidden() {
    Display* display = open_display();
    int event_base = 0, error_base = 0;
    if (!XFixesQueryExtension(display, &event_base, &error_base)) return 2;
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (!image) return 2;
    bool visible = false;
    for (int i = 0; i < image->width * image->height; ++i) {
        if ((image->pixels[i] >> 24) & 0xFF) visible = true;
    }
    std::printf("%s %dx%d\n", visible ? "visible" : "hidden", image->width, image->height);
    XFree(image);
    return visible ? 1 : 0;
}

// One pixel of a screenshot as 0xRRGGBB; read straight from memory where the
// image has 32-bit pixels, as whole screens are looked at many times a second.
unsigned long pixel_at(XImage* image, int col, int row) {
    if (image->bits_per_pixel == 32 && image->byte_order == LSBFirst) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(
            image->data + static_cast<std::ptrdiff_t>(row) * image->bytes_per_line);
        return line[col] & 0xFFFFFF;
    }
    return XGetPixel(image, col, row) & 0xFFFFFF;
}

// Non-black pixels, or with `warm` only the red to yellow ones: red strong,
// blue at most half of it (the message's particles; the sea is white).
double lit_fraction(Display* display, int x, int y, int width, int height, bool warm = false) {
    XImage* image =
        XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(width),
                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) return -1;
    long lit = 0;
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            const unsigned long pixel = pixel_at(image, col, row);
            const unsigned long red = pixel >> 16;
            const unsigned long blue = pixel & 0xFF;
            if (warm ? (red >= 0x80 && blue * 2 <= red) : pixel != 0) ++lit;
        }
    }
    XDestroyImage(image);
    return static_cast<double>(lit) / (static_cast<double>(width) * height);
}

int count_colour(int x, int y, int width, int height, unsigned long colour) {
    Display* display = open_display();
    XImage* image =
        XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(width),
                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) return 2;
    long count = 0;
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            if (pixel_at(image, col, row) == colour) ++count;
        }
    }
    XDestroyImage(image);
    XCloseDisplay(display);
    std::printf("%ld\n", count);
    return 0;
}

int lit(int x, int y, int width, int height, bool warm) {
    Display* display = open_display();
    std::printf("%.6f\n", lit_fraction(display, x, y, width, height, warm));
    XCloseDisplay(display);
    return 0;
}

// Whether any pixel of a band of the screen is not black. The band lies where
// the sea is seen, and is small so that polling it takes little from the
// program being watched.
bool band_lit(Display* display, int width, int top, int rows) {
    XImage* image =
        XGetImage(display, DefaultRootWindow(display), 0, top, static_cast<unsigned>(width),
                  static_cast<unsigned>(rows), AllPlanes, ZPixmap);
    if (!image) return false;
    bool any = false;
    for (int row = 0; row < rows && !any; ++row) {
        for (int col = 0; col < width; ++col) {
            if (XGetPixel(image, col, row) & 0xFFFFFF) {
                any = true;
                break;
            }
        }
    }
    XDestroyImage(image);
    return any;
}

// Waits until an area of the screen is wholly a saver's picture: the screen
// reaches over the whole area, no pixel there has the colour of what lies
// beneath (the desktop, a parent window), and the last eighth of its columns
// shows something lit, which a picture still of an earlier, narrower size
// would leave undrawn. Started before a change is made, it times how long
// the saver takes to follow it.
int wait_covered(int x, int y, int width, int height, unsigned long beneath, int limit_ms,
                 long long since_ns) {
    using Wall = std::chrono::system_clock;
    const auto start = since_ns > 0 ? Wall::time_point(std::chrono::duration_cast<Wall::duration>(
                                          std::chrono::nanoseconds(since_ns)))
                                    : Wall::now();
    Display* display = open_display();
    long showing = -1;
    double edge = 0;
    for (;;) {
        const auto elapsed = std::chrono::duration<double, std::milli>(Wall::now() - start).count();
        Window root = 0;
        int rx = 0, ry = 0;
        unsigned rw = 0, rh = 0, border = 0, depth = 0;
        XGetGeometry(display, DefaultRootWindow(display), &root, &rx, &ry, &rw, &rh, &border,
                     &depth);
        XImage* image = nullptr;
        if (x + width <= static_cast<int>(rw) && y + height <= static_cast<int>(rh)) {
            image =
                XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), AllPlanes, ZPixmap);
        }
        if (image) {
            showing = 0;
            long lit = 0;
            long edge_pixels = 0;
            for (int row = 0; row < height; ++row) {
                for (int col = 0; col < width; ++col) {
                    const unsigned long pixel = pixel_at(image, col, row);
                    if (pixel == beneath) ++showing;
                    if (col >= width - width / 8) {
                        ++edge_pixels;
                        if (pixel != 0) ++lit;
                    }
                }
            }
            XDestroyImage(image);
            edge = edge_pixels ? static_cast<double>(lit) / edge_pixels : 0;
            if (showing == 0 && edge > 0.001) {
                std::printf("%.0f %.6f\n", elapsed, edge);
                XCloseDisplay(display);
                return 0;
            }
        }
        if (elapsed > limit_ms) {
            std::printf("timeout: %ld pixels of %06lx show, the right edge is %.6f lit\n", showing,
                        beneath, edge);
            XCloseDisplay(display);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int first_frame(int limit_ms, char** argv) {
    Display* display = open_display();
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int top = DisplayHeight(display, DefaultScreen(display)) * 3 / 8;
    constexpr int rows = 32;
    if (band_lit(display, width, top, rows)) {
        std::fprintf(stderr, "x11_test_host: the screen is not black before the start\n");
        return 2;
    }
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[0], argv);
        _exit(127);
    }
    for (;;) {
        const auto elapsed =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (band_lit(display, width, top, rows)) {
            const auto seen =
                std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            std::printf("%.1f\n", seen);
            std::fflush(stdout);
            break;
        }
        if (elapsed > limit_ms) {
            std::printf("timeout\n");
            kill(child, SIGTERM);
            waitpid(child, nullptr, 0);
            return 1;
        }
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return 0;
}

double processor_ms() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// The reference the saver's cost per tick is measured against: a window over
// the whole screen into which a frame of the screen's size, in memory shared
// with the server, is cleared and presented every 33 ms, the way the saver
// presents its frames (one put, then a round trip).
int clear_present(double seconds) {
    Display* display = open_display();
    if (!XShmQueryExtension(display)) return 2;
    const int screen = DefaultScreen(display);
    Window root = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    XGetGeometry(display, RootWindow(display, screen), &root, &x, &y, &width, &height, &border,
                 &depth);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(display, screen);
    const Window window =
        XCreateWindow(display, root, 0, 0, width, height, 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(display, window);
    XShmSegmentInfo segment{};
    XImage* image =
        XShmCreateImage(display, DefaultVisual(display, screen), DefaultDepth(display, screen),
                        ZPixmap, nullptr, &segment, width, height);
    if (!image) return 2;
    const std::size_t bytes = static_cast<std::size_t>(image->bytes_per_line) * height;
    segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    segment.shmaddr = image->data = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
    segment.readOnly = False;
    XShmAttach(display, &segment);
    XSync(display, False);
    shmctl(segment.shmid, IPC_RMID, nullptr);
    const GC gc = XCreateGC(display, window, 0, nullptr);
    // One frame before the measurement, as the saver's frame has long been in
    // use when it is measured: the first touch of fresh pages is not counted.
    std::memset(image->data, 0, bytes);
    XShmPutImage(display, window, gc, image, 0, 0, 0, 0, width, height, False);
    XSync(display, False);

    const double before = processor_ms();
    const auto start = Clock::now();
    auto next = start;
    long frames = 0;
    while (std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
        std::memset(image->data, 0, bytes);
        XShmPutImage(display, window, gc, image, 0, 0, 0, 0, width, height, False);
        XSync(display, False);
        ++frames;
        next += std::chrono::milliseconds(33);
        std::this_thread::sleep_until(next);
    }
    const double spent = processor_ms() - before;
    std::printf("%.3f %ld\n", frames ? spent / frames : 0.0, frames);
    XShmDetach(display, &segment);
    XFreeGC(display, gc);
    image->data = nullptr;
    XDestroyImage(image);
    shmdt(segment.shmaddr);
    XCloseDisplay(display);
    return 0;
}

// Counts changes of a band across the middle of the screen: one per frame
// presented, as every tick turns the view.
int frame_rate(double seconds, bool whole) {
    Display* display = open_display();
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    const int band = whole ? height : 96;
    const int top = height / 2 - band / 2;
    std::uint64_t previous = 0;
    long changes = -1;
    const auto start = Clock::now();
    while (std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
        XImage* image = XGetImage(display, DefaultRootWindow(display), 0, top,
                                  static_cast<unsigned>(width), band, AllPlanes, ZPixmap);
        if (!image) return 2;
        std::uint64_t hash = 1469598103934665603ull;
        const std::size_t bytes = static_cast<std::size_t>(image->bytes_per_line) * band;
        for (std::size_t i = 0; i < bytes; ++i) {
            hash = (hash ^ static_cast<unsigned char>(image->data[i])) * 1099511628211ull;
        }
        XDestroyImage(image);
        if (hash != previous) ++changes;
        previous = hash;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::printf("%.2f\n", static_cast<double>(changes) / seconds);
    XCloseDisplay(display);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "parent" && argc == 4) return parent(std::atoi(argv[2]), std::atoi(argv[3]));
    if (command == "focus") return focus();
    if (command == "topmost") return topmost();
    if (command == "move" && argc == 4) return move(std::atoi(argv[2]), std::atoi(argv[3]));
    if (command == "cursor-hidden") return cursor_hidden();
    if ((command == "lit" || command == "warm") && argc == 6) {
        return lit(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                   command == "warm");
    }
    if (command == "count-colour" && argc == 7) {
        return count_colour(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                            std::atoi(argv[5]), std::strtoul(argv[6], nullptr, 16));
    }
    if (command == "first-frame" && argc >= 4) return first_frame(std::atoi(argv[2]), argv + 3);
    if (command == "wait-covered" && (argc == 8 || argc == 9)) {
        return wait_covered(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                            std::atoi(argv[5]), std::strtoul(argv[6], nullptr, 16),
                            std::atoi(argv[7]), argc == 9 ? std::atoll(argv[8]) : 0);
    }
    if (command == "clear-present" && argc == 3) return clear_present(std::atof(argv[2]));
    if (command == "frame-rate" && (argc == 3 || argc == 4)) {
        return frame_rate(std::atof(argv[2]), argc == 4 && std::string(argv[3]) == "whole");
    }
    std::fprintf(stderr,
                 "usage: x11_test_host parent W H | focus | topmost | cursor-hidden | "
                 "move X Y | lit X Y W H | count-colour X Y W H RRGGBB | "
                 "wait-covered X Y W H RRGGBB MS [SINCE_NS] | "
                 "first-frame MS PROGRAM ARGS... | clear-present SECONDS | "
                 "frame-rate SECONDS [whole]\n");
    return 2;
}
