// Device contexts, bitmaps, brushes and the handle registry of the portable
// GDI. A device context knows what it draws into: a bitmap (memory context),
// a window, or the screen.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <unordered_set>

#include "platform/portable/bridge.h"
#include "platform/portable/gdi/gdi_internal.h"

font_instance* font_create_default();

namespace {

constexpr int region_null = 1;    // NULLREGION
constexpr int region_simple = 2;  // SIMPLEREGION
constexpr int white_brush_index = 0;
constexpr int ansi_var_font_index = 12;
constexpr int system_font_index = 13;

// Largest bitmap we allocate: far above any screen, far below address-space
// trouble, and every offset stays within 32-bit signed pixel counts.
constexpr std::int64_t max_bitmap_side = 65536;
constexpr std::int64_t max_bitmap_pixels = std::int64_t{1} << 28;

std::recursive_mutex registry_mutex;

std::unordered_set<const void*>& live_objects() {
    static auto* objects = new std::unordered_set<const void*>();
    return *objects;
}

struct stock_objects {
    std::uint32_t default_pixel = 0;
    HBITMAP__ default_bitmap;  // what a new memory context holds: 1 x 1
    HBRUSH__ black_brush;
    HBRUSH__ white_brush;
    HFONT__ gui_font;  // its face is loaded on first use

    stock_objects() {
        default_bitmap.width = 1;
        default_bitmap.height = 1;
        default_bitmap.memory = &default_pixel;
        black_brush.colour = 0x000000;
        white_brush.colour = 0xFFFFFF;
        for (gdi_header* object :
             {&default_bitmap.header, &black_brush.header, &white_brush.header, &gui_font.header}) {
            object->stock = true;
            gdi_register(object);
        }
    }
};

stock_objects& stock() {
    static auto* objects = new stock_objects();  // never freed, like Windows' stock objects
    return *objects;
}

template <typename T>
T* lookup_as(const void* handle, gdi_kind kind) {
    gdi_header* header = gdi_lookup(handle);
    return header && header->kind == kind ? reinterpret_cast<T*>(header) : nullptr;
}

void deselect(gdi_header* object) {
    if (object && object->selections > 0) --object->selections;
}

// The live contexts that draw into windows.
std::vector<HDC__*>& window_contexts() {
    static std::vector<HDC__*> contexts;
    return contexts;
}

HDC__* new_dc(dc_target target, HWND window) {
    std::lock_guard<std::recursive_mutex> lock(registry_mutex);
    auto* dc = new HDC__();
    if (target == dc_target::window) window_contexts().push_back(dc);
    dc->target = target;
    dc->window = window;
    if (target == dc_target::memory) {
        dc->bitmap = &stock().default_bitmap;
        ++dc->bitmap->header.selections;
    }
    gdi_register(&dc->header);
    return dc;
}

void destroy_dc(HDC__* dc) {
    std::lock_guard<std::recursive_mutex> lock(registry_mutex);
    if (dc->bitmap) deselect(&dc->bitmap->header);
    if (dc->font) deselect(&dc->font->header);
    if (dc->brush) deselect(&dc->brush->header);
    gdi_unregister(&dc->header);
    auto& windows = window_contexts();
    windows.erase(std::remove(windows.begin(), windows.end(), dc), windows.end());
    delete dc;
}

HBITMAP__* new_bitmap(std::int64_t width, std::int64_t height, bool bottomUp) {
    if (width <= 0 || height <= 0 || width > max_bitmap_side || height > max_bitmap_side ||
        width * height > max_bitmap_pixels) {
        return nullptr;
    }
    // Zero-filled, as new bitmap memory is on Windows; shared with the display
    // where it can be, so that presenting a frame copies nothing more.
    void* memory = portable_alloc_pixels(static_cast<std::size_t>(width * height));
    if (!memory) return nullptr;
    auto* bitmap = new HBITMAP__();
    bitmap->width = static_cast<int>(width);
    bitmap->height = static_cast<int>(height);
    bitmap->bottom_up = bottomUp;
    bitmap->memory = static_cast<std::uint32_t*>(memory);
    gdi_register(&bitmap->header);
    return bitmap;
}

COLORREF pixel_colour(const HBITMAP__* bitmap, int x, int y) {
    return gdi_colour_from_pixel(bitmap->row(y)[x] & 0xFFFFFFu);
}

}  // namespace

void gdi_register(gdi_header* object) {
    std::lock_guard<std::recursive_mutex> lock(registry_mutex);
    live_objects().insert(object);
}

void gdi_unregister(gdi_header* object) {
    std::lock_guard<std::recursive_mutex> lock(registry_mutex);
    live_objects().erase(object);
}

gdi_header* gdi_lookup(const void* handle) {
    if (!handle) return nullptr;
    stock();  // stock objects are live before any lookup
    std::lock_guard<std::recursive_mutex> lock(registry_mutex);
    if (live_objects().count(handle) == 0) return nullptr;
    return static_cast<gdi_header*>(const_cast<void*>(handle));
}

HDC__* gdi_dc(HDC handle) {
    return lookup_as<HDC__>(handle, gdi_kind::device_context);
}
HBITMAP__* gdi_bitmap(const void* handle) {
    return lookup_as<HBITMAP__>(handle, gdi_kind::bitmap);
}
HFONT__* gdi_font(const void* handle) {
    return lookup_as<HFONT__>(handle, gdi_kind::font);
}

HFONT__* gdi_current_font(HDC__* dc) {
    HFONT__* stock_font = &stock().gui_font;
    if (dc->font && dc->font != stock_font) return dc->font;
    static std::once_flag loaded;
    std::call_once(loaded, [stock_font] { stock_font->instance = font_create_default(); });
    return stock_font;
}

HDC portable_create_window_dc(HWND hwnd) {
    return new_dc(hwnd ? dc_target::window : dc_target::screen, hwnd);
}

void portable_delete_window_dc(HDC handle) {
    HDC__* dc = gdi_dc(handle);
    if (!dc || dc->target == dc_target::memory) return;
    gdi_flush_window(dc);
    destroy_dc(dc);
}

HDC CreateCompatibleDC(HDC reference) {
    // No reference means "compatible with the screen", as on Windows.
    if (reference && !gdi_dc(reference)) return nullptr;
    return new_dc(dc_target::memory, nullptr);
}

BOOL DeleteDC(HDC handle) {
    HDC__* dc = gdi_dc(handle);
    if (!dc) return FALSE;
    destroy_dc(dc);
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC reference, int width, int height) {
    if (!gdi_dc(reference)) return nullptr;
    return new_bitmap(width, height, false);
}

HBITMAP CreateDIBSection(HDC reference, const BITMAPINFO* info, UINT usage, void** bits,
                         HANDLE section, DWORD offset) {
    if (bits) *bits = nullptr;
    if (reference && !gdi_dc(reference)) return nullptr;
    // Only what the saver uses: 32 bits per pixel, uncompressed, own memory.
    if (!info || usage != DIB_RGB_COLORS || section || info->bmiHeader.biBitCount != 32 ||
        info->bmiHeader.biCompression != BI_RGB || info->bmiHeader.biPlanes != 1) {
        return nullptr;
    }
    const std::int64_t width = info->bmiHeader.biWidth;
    const std::int64_t height = info->bmiHeader.biHeight;
    // A negative height means rows run top-down in memory.
    HBITMAP__* bitmap = new_bitmap(width, height < 0 ? -height : height, height > 0);
    if (bitmap && bits) *bits = bitmap->memory;
    return bitmap;
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
    std::lock_guard<std::recursive_mutex> lock(registry_mutex);
    HDC__* dc = gdi_dc(handle);
    gdi_header* header = gdi_lookup(object);
    if (!dc || !header) return nullptr;
    switch (header->kind) {
        case gdi_kind::bitmap: {
            auto* bitmap = reinterpret_cast<HBITMAP__*>(header);
            if (dc->target != dc_target::memory) return nullptr;
            if (bitmap == dc->bitmap) return bitmap;
            // A bitmap can be selected into one context at a time.
            if (!header->stock && header->selections > 0) return nullptr;
            HBITMAP__* previous = dc->bitmap;
            deselect(&previous->header);
            dc->bitmap = bitmap;
            ++header->selections;
            return previous;
        }
        case gdi_kind::font: {
            auto* font = reinterpret_cast<HFONT__*>(header);
            HFONT__* previous = dc->font ? dc->font : &stock().gui_font;
            if (dc->font) deselect(&dc->font->header);
            dc->font = font;
            ++header->selections;
            return previous;
        }
        case gdi_kind::brush: {
            auto* brush = reinterpret_cast<HBRUSH__*>(header);
            HBRUSH__* previous = dc->brush ? dc->brush : &stock().white_brush;
            if (dc->brush) deselect(&dc->brush->header);
            dc->brush = brush;
            ++header->selections;
            return previous;
        }
        case gdi_kind::device_context:
            return nullptr;
    }
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    std::lock_guard<std::recursive_mutex> lock(registry_mutex);
    gdi_header* header = gdi_lookup(object);
    if (!header || header->kind == gdi_kind::device_context) return FALSE;
    if (header->stock) return TRUE;
    // Freeing an object a context still uses would leave the context pointing
    // at freed memory; Windows refuses too.
    if (header->selections > 0) return FALSE;
    gdi_unregister(header);
    switch (header->kind) {
        case gdi_kind::bitmap: {
            auto* bitmap = reinterpret_cast<HBITMAP__*>(header);
            // Blocks transferred from it and not shown yet are shown first.
            for (HDC__* dc : window_contexts()) gdi_flush_window(dc);
            portable_free_pixels(bitmap->memory);
            delete bitmap;
            break;
        }
        case gdi_kind::font: {
            auto* font = reinterpret_cast<HFONT__*>(header);
            font_release(font->instance);
            delete font;
            break;
        }
        case gdi_kind::brush:
            delete reinterpret_cast<HBRUSH__*>(header);
            break;
        case gdi_kind::device_context:
            break;
    }
    return TRUE;
}

HGDIOBJ GetStockObject(int index) {
    switch (index) {
        case BLACK_BRUSH:
            return &stock().black_brush;
        case white_brush_index:
            return &stock().white_brush;
        case DEFAULT_GUI_FONT:
        case ansi_var_font_index:
        case system_font_index:
            return &stock().gui_font;
        default:
            return nullptr;
    }
}

std::vector<HDC__*> gdi_window_contexts() {
    std::lock_guard<std::recursive_mutex> lock(registry_mutex);
    return window_contexts();
}

BOOL GdiFlush() {
    // Only transfers to windows are batched (until their context is released).
    for (HDC__* dc : gdi_window_contexts()) gdi_flush_window(dc);
    return TRUE;
}

int GetClipBox(HDC handle, LPRECT rect) {
    HDC__* dc = gdi_dc(handle);
    if (!dc || !rect) return 0;
    switch (dc->target) {
        case dc_target::memory:
            *rect = RECT{0, 0, dc->bitmap->width, dc->bitmap->height};
            break;
        case dc_target::screen:
            *rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            break;
        case dc_target::window: {
            RECT client{0, 0, 0, 0};
            if (!GetClientRect(dc->window, &client)) return 0;
            *rect = client;
            break;
        }
    }
    return rect->right > rect->left && rect->bottom > rect->top ? region_simple : region_null;
}

COLORREF GetPixel(HDC handle, int x, int y) {
    HDC__* dc = gdi_dc(handle);
    if (!dc || dc->target != dc_target::memory) return CLR_INVALID;
    const HBITMAP__* bitmap = dc->bitmap;
    if (x < 0 || y < 0 || x >= bitmap->width || y >= bitmap->height) return CLR_INVALID;
    return pixel_colour(bitmap, x, y);
}

COLORREF SetTextColor(HDC handle, COLORREF colour) {
    HDC__* dc = gdi_dc(handle);
    if (!dc) return CLR_INVALID;
    const COLORREF previous = dc->text_colour;
    dc->text_colour = colour & 0xFFFFFFu;
    return previous;
}

COLORREF SetBkColor(HDC handle, COLORREF colour) {
    HDC__* dc = gdi_dc(handle);
    if (!dc) return CLR_INVALID;
    const COLORREF previous = dc->background_colour;
    dc->background_colour = colour & 0xFFFFFFu;
    return previous;
}

int SetBkMode(HDC handle, int mode) {
    HDC__* dc = gdi_dc(handle);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    const int previous = dc->background_mode;
    dc->background_mode = mode;
    return previous;
}
