// An off-screen surface: a memory device context with one 32-bit top-down
// bitmap (and, for text, one font) selected into it. Fills and pixel reads work
// on the bitmap's memory directly; text goes through the platform's text
// drawing. The handles are forward-declared so that the animation code needs
// no platform header.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "render/text_encoding.h"

struct HDC__;
struct HBITMAP__;
struct HFONT__;

using colour_ref = std::uint32_t;  // red | green << 8 | blue << 16

struct surface_rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

struct DrawingSurface {
    HDC__* dc = nullptr;
    HBITMAP__* bitmap = nullptr;
    HFONT__* font = nullptr;
    std::uint32_t* bits = nullptr;  // top-down rows of `width` pixels, 0x00RRGGBB
    int width = 0;
    int height = 0;
    void* original_bitmap = nullptr;  // what the context held before ours was selected
    void* original_font = nullptr;
    // Where non-black pixels may be since the surface was last cleared whole, so
    // that the next whole clear touches only those squares instead of every
    // pixel. Unknown (anything may be lit) unless the surface was made here.
    std::vector<surface_rect> lit_areas;
    bool lit_areas_known = false;
};

// Value a read outside the bitmap yields, as on Win32.
constexpr colour_ref invalid_colour = 0xFFFFFFFFu;

// Screen context used as the reference for new surfaces (GetDC of no window).
HDC__* acquire_screen_context();
void release_screen_context(HDC__* screen);

bool create_compatible(DrawingSurface& surface, HDC__* reference, int width, int height);
// create_compatible against the screen's context, taken for this one surface.
bool create_screen_compatible(DrawingSurface& surface, int width, int height);
void select_font(DrawingSurface& surface, HFONT__* font);
void set_text_color(DrawingSurface& surface, colour_ref colour);
void set_transparent(DrawingSurface& surface);
void fill_solid(DrawingSurface& surface, int x, int y, int w, int h, colour_ref colour);
void fill_solid(DrawingSurface& surface, const surface_rect& rect, colour_ref colour);
// fill_solid of an s × s square: the frame's points, thousands per frame.
void fill_square(DrawingSurface& surface, int x, int y, int s, colour_ref colour);
// Extent of one line of text in the selected font: (0, 0, width, height). The
// text is measured and drawn through the Unicode text functions, so any
// character shows whatever the code page.
surface_rect measure_text(DrawingSurface& surface, std::string_view bytes, text_encoding encoding);
void text_out(DrawingSurface& surface, int x, int y, std::string_view bytes,
              text_encoding encoding);
colour_ref get_pixel(const DrawingSurface& surface, int x, int y);
void copy_to(const DrawingSurface& surface, HDC__* target, int width, int height);
// Releases the bitmap, then the context, then the font; leaves the record empty.
void release_surface(DrawingSurface& surface);
