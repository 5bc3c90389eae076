// Xlib work of the display backend on its own connection to the X server.
#include "platform/portable/user/x11/x11_calls.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace portable::x11 {
namespace {

Display* g_display = nullptr;
bool g_tried = false;
unsigned long g_errors = 0;

int ignore_error(Display*, XErrorEvent*) {
    ++g_errors;
    return 0;
}

Display* display() {
    if (!g_tried) {
        g_tried = true;
        g_display = XOpenDisplay(nullptr);
        if (g_display) {
            install_error_handler();
        }
    }
    return g_display;
}

// X window ids are 29-bit numbers; anything else would only draw an error.
bool plausible(std::uint32_t xid) {
    return xid != 0 && xid < 0x20000000u;
}

Atom atom(const char* name) {
    return XInternAtom(display(), name, False);
}

std::string string_property(::Window w, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string out;
    if (XGetWindowProperty(display(), w, property, 0, 1024, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (format == 8) {
            out.assign(reinterpret_cast<const char*>(data), count);
        }
        XFree(data);
    }
    return out;
}

std::string lower(const char* s) {
    std::string out(s ? s : "");
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

// Blocks smaller than this are not worth a shared segment of their own.
constexpr std::size_t kSharedMinimumPixels = 16384;

struct SharedBlock {
    XShmSegmentInfo info{};
    std::size_t pixels = 0;
    std::map<int, XImage*> imagesByStride;
};

struct Shared {
    std::mutex lock;
    std::vector<std::unique_ptr<SharedBlock>> blocks;
    std::map<std::uint32_t, GC> gcs;
    std::map<std::uint32_t, GC> clippedGcs;
    std::vector<XRectangle> clip;  // the areas of the last clipped put, kept for the next
    int usable = -1;               // unknown until asked
};

Shared& shared() {
    static Shared* s = new Shared();  // used until the process ends
    return *s;
}

// Our pixels go to the server as they are: 32 bits per pixel, least
// significant byte first, 24-bit true colour with red in bits 16..23.
bool default_visual_takes_xrgb(Display* d) {
    const int screen = DefaultScreen(d);
    const Visual* v = DefaultVisual(d, screen);
    if (DefaultDepth(d, screen) != 24 || v->red_mask != 0xFF0000 || v->green_mask != 0xFF00 ||
        v->blue_mask != 0xFF || ImageByteOrder(d) != LSBFirst) {
        return false;
    }
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(d, &count);
    bool ok = false;
    for (int i = 0; i < count; ++i) {
        if (formats[i].depth == 24) {
            ok = formats[i].bits_per_pixel == 32;
        }
    }
    if (formats) {
        XFree(formats);
    }
    return ok;
}

bool shared_usable() {
    Shared& s = shared();
    if (s.usable < 0) {
        s.usable =
            display() && XShmQueryExtension(display()) && default_visual_takes_xrgb(display()) ? 1
                                                                                               : 0;
    }
    return s.usable == 1;
}

}  // namespace

std::uint32_t* alloc_shared(std::size_t pixels) {
    if (pixels < kSharedMinimumPixels || pixels > (std::size_t{1} << 28)) {
        return nullptr;
    }
    Shared& s = shared();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!shared_usable()) {
        return nullptr;
    }
    const int id = shmget(IPC_PRIVATE, pixels * 4, IPC_CREAT | 0600);
    if (id < 0) {
        return nullptr;
    }
    void* address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return nullptr;
    }
    auto block = std::make_unique<SharedBlock>();
    block->info.shmid = id;
    block->info.shmaddr = static_cast<char*>(address);
    block->info.readOnly = True;
    block->pixels = pixels;
    const unsigned long errorsBefore = g_errors;
    XShmAttach(display(), &block->info);
    XSync(display(), False);
    // The segment goes away by itself once both sides have let go of it,
    // even if this process is killed.
    shmctl(id, IPC_RMID, nullptr);
    if (g_errors != errorsBefore) {  // a display on another machine, say
        shmdt(address);
        s.usable = 0;
        return nullptr;
    }
    s.blocks.push_back(std::move(block));
    return static_cast<std::uint32_t*>(address);  // zero-filled by the kernel
}

bool free_shared(std::uint32_t* pixels) {
    Shared& s = shared();
    std::lock_guard<std::mutex> guard(s.lock);
    for (auto it = s.blocks.begin(); it != s.blocks.end(); ++it) {
        SharedBlock& b = **it;
        if (reinterpret_cast<std::uint32_t*>(b.info.shmaddr) != pixels) {
            continue;
        }
        for (auto& [stride, image] : b.imagesByStride) {
            image->data = nullptr;  // the memory is the segment's, not the image's
            XDestroyImage(image);
        }
        XShmDetach(display(), &b.info);
        XSync(display(), False);
        shmdt(b.info.shmaddr);
        s.blocks.erase(it);
        return true;
    }
    return false;
}

bool takes_xrgb(std::uint32_t xid) {
    if (!plausible(xid) || !display()) {
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(shared().lock);
        if (!shared_usable()) {
            return false;
        }
    }
    XWindowAttributes attr;
    return XGetWindowAttributes(display(), xid, &attr) && attr.depth == 24 &&
           attr.visual->red_mask == 0xFF0000 && attr.visual->green_mask == 0xFF00 &&
           attr.visual->blue_mask == 0xFF;
}

namespace {

// Where a block of pixels lies in a shared segment: the segment's image for
// the block's stride, and the block's column and row in it. No image when the
// block is not in shared memory or does not fit in its segment.
struct shared_place {
    XImage* image = nullptr;
    int sx = 0;
    int sy = 0;
};

// Called with the lock held.
shared_place place_of(Shared& s, const std::uint32_t* pixels, int stride, int width, int height) {
    if (stride <= 0) return {};
    for (auto& block : s.blocks) {
        const auto* base = reinterpret_cast<const std::uint32_t*>(block->info.shmaddr);
        if (pixels < base || pixels >= base + block->pixels) {
            continue;
        }
        const std::size_t offset = static_cast<std::size_t>(pixels - base);
        const std::size_t rows = block->pixels / static_cast<std::size_t>(stride);
        const int sx = static_cast<int>(offset % static_cast<std::size_t>(stride));
        const std::size_t sy = offset / static_cast<std::size_t>(stride);
        if (sx + width > stride || sy + static_cast<std::size_t>(height) > rows) {
            return {};
        }
        XImage*& image = block->imagesByStride[stride];
        if (!image) {
            Display* d = display();
            image = XShmCreateImage(d, DefaultVisual(d, DefaultScreen(d)), 24, ZPixmap,
                                    block->info.shmaddr, &block->info,
                                    static_cast<unsigned>(stride), static_cast<unsigned>(rows));
            if (!image) {
                block->imagesByStride.erase(stride);
                return {};
            }
        }
        if (image->bits_per_pixel != 32 || image->bytes_per_line != stride * 4) {
            return {};
        }
        return {image, sx, static_cast<int>(sy)};
    }
    return {};
}

// The window's graphics context for plain puts, or for puts clipped to a
// list of rectangles (kept apart, so that a plain put is never clipped).
GC& context_of(std::map<std::uint32_t, GC>& contexts, std::uint32_t xid) {
    GC& gc = contexts[xid];
    if (!gc) {
        gc = XCreateGC(display(), xid, 0, nullptr);
    }
    return gc;
}

}  // namespace

bool put_shared(std::uint32_t xid, const std::uint32_t* pixels, int stride, int x, int y, int width,
                int height, bool wait) {
    Shared& s = shared();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.blocks.empty() || !plausible(xid)) {
        return false;
    }
    const shared_place at = place_of(s, pixels, stride, width, height);
    if (!at.image) {
        return false;
    }
    XShmPutImage(display(), xid, context_of(s.gcs, xid), at.image, at.sx, at.sy, x, y,
                 static_cast<unsigned>(width), static_cast<unsigned>(height), False);
    // The caller may draw into the block again as soon as this returns
    // (or, when several are put together, after wait_for_server).
    if (wait) XSync(display(), False);
    return true;
}

bool put_shared_areas(std::uint32_t xid, const portable_block* blocks, int count) {
    Shared& s = shared();
    std::lock_guard<std::mutex> guard(s.lock);
    if (count <= 0 || s.blocks.empty() || !plausible(xid)) {
        return false;
    }
    // Every block must come from one image, moved by the same amount, and fit
    // in a clip rectangle.
    XImage* image = nullptr;
    int move_x = 0;
    int move_y = 0;
    long left = LONG_MAX, top = LONG_MAX, right = LONG_MIN, bottom = LONG_MIN;  // in the window
    s.clip.clear();
    for (int k = 0; k < count; ++k) {
        const portable_block& b = blocks[k];
        if (b.width <= 0 || b.height <= 0 || b.width > USHRT_MAX || b.height > USHRT_MAX ||
            b.x < SHRT_MIN || b.x > SHRT_MAX || b.y < SHRT_MIN || b.y > SHRT_MAX) {
            return false;
        }
        const shared_place at = place_of(s, b.pixels, b.stride, b.width, b.height);
        if (!at.image) return false;
        if (!image) {
            image = at.image;
            move_x = b.x - at.sx;
            move_y = b.y - at.sy;
        } else if (at.image != image || b.x - at.sx != move_x || b.y - at.sy != move_y) {
            return false;
        }
        left = std::min<long>(left, b.x);
        top = std::min<long>(top, b.y);
        right = std::max<long>(right, b.x + static_cast<long>(b.width));
        bottom = std::max<long>(bottom, b.y + static_cast<long>(b.height));
        s.clip.push_back({static_cast<short>(b.x), static_cast<short>(b.y),
                          static_cast<unsigned short>(b.width),
                          static_cast<unsigned short>(b.height)});
    }
    GC& gc = context_of(s.clippedGcs, xid);
    XSetClipRectangles(display(), gc, 0, 0, s.clip.data(), count, Unsorted);
    XShmPutImage(display(), xid, gc, image, static_cast<int>(left - move_x),
                 static_cast<int>(top - move_y), static_cast<int>(left), static_cast<int>(top),
                 static_cast<unsigned>(right - left), static_cast<unsigned>(bottom - top), False);
    XSync(display(), False);
    return true;
}

void wait_for_server() {
    if (display()) XSync(display(), False);
}

void forget_window(std::uint32_t xid) {
    Shared& s = shared();
    std::lock_guard<std::mutex> guard(s.lock);
    for (auto* contexts : {&s.gcs, &s.clippedGcs}) {
        auto it = contexts->find(xid);
        if (it != contexts->end()) {
            XFreeGC(display(), it->second);
            contexts->erase(it);
        }
    }
}

bool available() {
    return display() != nullptr;
}

void install_error_handler() {
    XSetErrorHandler(ignore_error);
}

unsigned long error_count() {
    return g_errors;
}

bool window_exists(std::uint32_t xid) {
    if (!plausible(xid) || !display()) {
        return false;
    }
    XWindowAttributes attr;
    return XGetWindowAttributes(display(), xid, &attr) != 0;
}

bool window_geometry(std::uint32_t xid, RECT* screen) {
    if (!plausible(xid) || !display()) {
        return false;
    }
    XWindowAttributes attr;
    if (!XGetWindowAttributes(display(), xid, &attr)) {
        return false;
    }
    int x = 0;
    int y = 0;
    ::Window child = 0;
    if (!XTranslateCoordinates(display(), xid, attr.root, 0, 0, &x, &y, &child)) {
        x = attr.x;
        y = attr.y;
    }
    *screen = RECT{x, y, x + attr.width, y + attr.height};
    return true;
}

bool root_size(int* width, int* height) {
    if (!display()) {
        return false;
    }
    // Asked of the server each time: the sizes Xlib keeps for the screen are
    // those of when the connection was opened, not after a change of modes.
    ::Window root = 0;
    int x = 0;
    int y = 0;
    unsigned int w = 0;
    unsigned int h = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
    if (!XGetGeometry(display(), DefaultRootWindow(display()), &root, &x, &y, &w, &h, &border,
                      &depth)) {
        return false;
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

bool primary_monitor(RECT* screen) {
    Display* d = display();
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!d || !XRRQueryExtension(d, &eventBase, &errorBase) ||
        !XRRQueryVersion(d, &major, &minor) || major < 1 || (major == 1 && minor < 5)) {
        return false;
    }
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(d, DefaultRootWindow(d), True, &count);
    if (!monitors) {
        return false;
    }
    // The primary monitor, or the first when none is marked primary.
    int chosen = -1;
    for (int i = 0; i < count; ++i) {
        if (monitors[i].primary) {
            chosen = i;
            break;
        }
    }
    if (chosen < 0 && count > 0) {
        chosen = 0;
    }
    if (chosen >= 0) {
        const XRRMonitorInfo& m = monitors[chosen];
        *screen = RECT{m.x, m.y, m.x + m.width, m.y + m.height};
    }
    XRRFreeMonitors(monitors);
    return chosen >= 0;
}

bool pointer(POINT* p) {
    if (!display()) {
        return false;
    }
    ::Window rootReturn = 0;
    ::Window childReturn = 0;
    int rootX = 0;
    int rootY = 0;
    int winX = 0;
    int winY = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display(), DefaultRootWindow(display()), &rootReturn, &childReturn, &rootX,
                       &rootY, &winX, &winY, &mask)) {
        return false;  // the pointer is on another screen
    }
    *p = POINT{rootX, rootY};
    return true;
}

void set_identity(std::uint32_t xid, const std::string& className, const std::string& title) {
    if (!plausible(xid) || !display()) {
        return;
    }
    XChangeProperty(display(), xid, atom("_NUVEX_WINDOW_CLASS"), XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(className.data()),
                    static_cast<int>(className.size()));
    XChangeProperty(display(), xid, atom("_NUVEX_WINDOW_TITLE"), XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    XFlush(display());
}

std::uint32_t find_window(const char* className, const char* title, std::uint32_t skipA,
                          std::uint32_t skipB) {
    if (!display()) {
        return 0;
    }
    const Atom classAtom = XInternAtom(display(), "_NUVEX_WINDOW_CLASS", True);
    if (classAtom == None) {
        return 0;  // no window anywhere was ever marked
    }
    const Atom titleAtom = atom("_NUVEX_WINDOW_TITLE");
    const std::string wantClass = lower(className);
    auto matches = [&](::Window w) {
        if (w == skipA || w == skipB) {
            return false;
        }
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display(), w, classAtom, 0, 256, False, AnyPropertyType, &type,
                               &format, &count, &after, &data) != Success ||
            !data) {
            return false;
        }
        std::string cls(reinterpret_cast<const char*>(data), format == 8 ? count : 0);
        XFree(data);
        if (className && lower(cls.c_str()) != wantClass) {
            return false;
        }
        return !title || string_property(w, titleAtom) == title;
    };
    // Top-level windows, and one level further down for windows that a
    // window manager has put into frames.
    std::vector<::Window> level{DefaultRootWindow(display())};
    for (int depth = 0; depth < 2; ++depth) {
        std::vector<::Window> next;
        for (::Window parent : level) {
            ::Window root = 0;
            ::Window up = 0;
            ::Window* children = nullptr;
            unsigned int n = 0;
            if (!XQueryTree(display(), parent, &root, &up, &children, &n)) {
                continue;
            }
            for (unsigned int i = n; i-- > 0;) {  // topmost first
                if (matches(children[i])) {
                    const std::uint32_t found = static_cast<std::uint32_t>(children[i]);
                    XFree(children);
                    return found;
                }
                next.push_back(children[i]);
            }
            if (children) {
                XFree(children);
            }
        }
        level.swap(next);
    }
    return 0;
}

bool activate(std::uint32_t xid) {
    if (!window_exists(xid)) {
        return false;
    }
    Display* d = display();
    XRaiseWindow(d, xid);
    // Ask a window manager, if there is one, to activate the window ...
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = xid;
    e.xclient.message_type = atom("_NET_ACTIVE_WINDOW");
    e.xclient.format = 32;
    e.xclient.data.l[0] = 2;  // a request on the user's behalf
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &e);
    // ... and give it the keyboard directly where there is none.
    XWindowAttributes attr;
    if (XGetWindowAttributes(d, xid, &attr) && attr.map_state == IsViewable) {
        XSetInputFocus(d, xid, RevertToParent, CurrentTime);
    }
    XSync(d, False);
    return true;
}

std::uint32_t create_child(std::uint32_t parent, int x, int y, int width, int height) {
    if (!window_exists(parent)) {
        return 0;
    }
    Display* d = display();
    const unsigned long black = BlackPixel(d, DefaultScreen(d));
    ::Window w =
        XCreateSimpleWindow(d, parent, x, y, static_cast<unsigned>(width > 0 ? width : 1),
                            static_cast<unsigned>(height > 0 ? height : 1), 0, black, black);
    // The other connection (SDL's) must find the window when it looks.
    const unsigned long errorsBefore = g_errors;
    XSync(d, False);
    if (g_errors != errorsBefore) {
        return 0;
    }
    return static_cast<std::uint32_t>(w);
}

void destroy_child(std::uint32_t xid) {
    if (plausible(xid) && display()) {
        XDestroyWindow(display(), xid);
        XSync(display(), False);
    }
}

void move_resize(std::uint32_t xid, int x, int y, int width, int height) {
    if (!plausible(xid) || !display()) {
        return;
    }
    XMoveResizeWindow(display(), xid, x, y, static_cast<unsigned>(width > 0 ? width : 1),
                      static_cast<unsigned>(height > 0 ? height : 1));
    // Done before the next frame is shown in it, and before the window's
    // configure events reach the other connection.
    XSync(display(), False);
}

void map_child(std::uint32_t xid, bool show) {
    if (!plausible(xid) || !display()) {
        return;
    }
    if (show) {
        XMapWindow(display(), xid);
    } else {
        XUnmapWindow(display(), xid);
    }
    XSync(display(), False);
}

}  // namespace portable::x11
