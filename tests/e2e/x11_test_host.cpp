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
//   first-frame MS PROGRAM ARGS...
//                      start PROGRAM and print the milliseconds from its start to
//                      the first non-black pixel in a band across the upper
//                      middle of the screen (fail after MS)
//   frame-rate SECONDS print how many times per second the screen's picture changes
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/XTest.h>
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
                                        static_cast<unsigned>(width),
                                        static_cast<unsigned>(height), 0, 0, background);
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

// Non-black pixels, or with `warm` only the red to yellow ones: red strong,
// blue at most half of it (the message's particles; the sea is white).
double lit_fraction(Display* display, int x, int y, int width, int height, bool warm = false) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y,
                              static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (!image) return -1;
    long lit = 0;
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            const unsigned long pixel = XGetPixel(image, col, row) & 0xFFFFFF;
            const unsigned long red = pixel >> 16;
            const unsigned long blue = pixel & 0xFF;
            if (warm ? (red >= 0x80 && blue * 2 <= red) : pixel != 0) ++lit;
        }
    }
    XDestroyImage(image);
    return static_cast<double>(lit) / (static_cast<double>(width) * height);
}

int lit(int x, int y, int width, int height, bool warm) {
    Display* display = open_display();
    std::printf("%.6f\n", lit_fraction(display, x, y, width, height, warm));
    return 0;
}

// Whether any pixel of a band of the screen is not black. The band lies where
// the sea is seen, and is small so that polling it takes little from the
// program being watched.
bool band_lit(Display* display, int width, int top, int rows) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), 0, top,
                              static_cast<unsigned>(width), static_cast<unsigned>(rows),
                              AllPlanes, ZPixmap);
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

// Counts changes of a band across the middle of the screen: one per frame
// presented, as every tick turns the view.
int frame_rate(double seconds) {
    Display* display = open_display();
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    const int band = 96;
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
    if (command == "first-frame" && argc >= 4) return first_frame(std::atoi(argv[2]), argv + 3);
    if (command == "frame-rate" && argc == 3) return frame_rate(std::atof(argv[2]));
    std::fprintf(stderr, "usage: x11_test_host parent W H | focus | topmost | cursor-hidden | "
                         "move X Y | lit X Y W H | first-frame MS PROGRAM ARGS... | frame-rate SECONDS\n");
    return 2;
}
