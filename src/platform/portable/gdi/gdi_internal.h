// The objects behind the portable GDI handles. Every handle the GDI part gives
// out points at one of these records; each starts with a header naming its
// kind, and the registry of live objects lets a call refuse a handle that is
// stale or was never ours instead of reading through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/portable/bridge.h"
#include "platform/portable/windows.h"

struct font_instance;

enum class gdi_kind : std::uint32_t { device_context = 1, bitmap, font, brush };

struct gdi_header {
    gdi_kind kind;
    bool stock = false;  // never freed by DeleteObject
    int selections = 0;  // how many device contexts hold it selected
};

// A 32-bit bitmap laid out as a Windows DIB: each pixel 0x00RRGGBB (bytes B,
// G, R, 0); rows top-down or bottom-up, `width` pixels apart.
struct HBITMAP__ {
    gdi_header header{gdi_kind::bitmap};
    int width = 0;
    int height = 0;
    bool bottom_up = false;
    std::uint32_t* memory = nullptr;  // first row in memory order

    std::uint32_t* row(int y) const {
        const int memory_row = bottom_up ? height - 1 - y : y;
        return memory + static_cast<std::ptrdiff_t>(memory_row) * width;
    }
};

struct HFONT__ {
    gdi_header header{gdi_kind::font};
    font_instance* instance = nullptr;  // owned; released by font_release
};

struct HBRUSH__ {
    gdi_header header{gdi_kind::brush};
    COLORREF colour = 0;
};

enum class dc_target { memory, window, screen };

struct HDC__ {
    gdi_header header{gdi_kind::device_context};
    dc_target target = dc_target::memory;
    HWND window = nullptr;
    HBITMAP__* bitmap = nullptr;  // memory contexts: the selected bitmap
    HFONT__* font = nullptr;
    HBRUSH__* brush = nullptr;
    COLORREF text_colour = 0x000000;
    COLORREF background_colour = 0xFFFFFF;
    int background_mode = OPAQUE;
    // Window contexts: blocks transferred and not yet shown, shown together
    // when the context is released or flushed (as GDI batches its calls).
    std::vector<portable_block> pending;
};

// Shows what a window context has pending (GdiFlush, ReleaseDC, EndPaint).
void gdi_flush_window(HDC__* dc);
// The live window contexts, for GdiFlush.
std::vector<HDC__*> gdi_window_contexts();

// Live-object registry. Lookups return null for anything not live or not of
// the asked kind.
void gdi_register(gdi_header* object);
void gdi_unregister(gdi_header* object);
gdi_header* gdi_lookup(const void* handle);
HDC__* gdi_dc(HDC handle);
HBITMAP__* gdi_bitmap(const void* handle);
HFONT__* gdi_font(const void* handle);

// The font a context draws with: the selected one, or the stock GUI font.
HFONT__* gdi_current_font(HDC__* dc);

// Releases what CreateFontA made for a font (faces, glyph cache).
void font_release(font_instance* instance);

// Conversions between COLORREF (0x00BBGGRR) and pixels (0x00RRGGBB).
inline std::uint32_t gdi_pixel_from_colour(COLORREF colour) {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}
inline COLORREF gdi_colour_from_pixel(std::uint32_t pixel) {
    return ((pixel & 0xFFu) << 16) | (pixel & 0xFF00u) | ((pixel >> 16) & 0xFFu);
}

// Fills the rectangle, clipped to the context's bitmap (memory contexts) or
// handed to the window (window contexts). Returns FALSE where it cannot draw.
BOOL gdi_fill(HDC__* dc, const RECT& rect, COLORREF colour);
