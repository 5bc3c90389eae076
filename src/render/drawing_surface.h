// A surface the frame is drawn on: pixels in memory that the caller owns
// (rows of 32-bit pixels 0x00RRGGBB, top row first), with the fills and pixel
// reads the renderer needs. Making a surface that a window can show and
// showing it belong to the hosts; they hand the core the memory.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/pixel_buffer.h"

using colour_ref = std::uint32_t;  // red | green << 8 | blue << 16

struct DrawingSurface {
    std::uint32_t* bits = nullptr;  // top-down rows, `stride` pixels apart
    int width = 0;
    int height = 0;
    int stride = 0;
    // Where non-black pixels may be since the surface was last cleared whole, so
    // that the next whole clear touches only those squares instead of every
    // pixel. Unknown (anything may be lit) unless the memory was known black.
    std::vector<surface_rect> lit_areas;
    bool lit_areas_known = false;
};

// Value a read outside the bitmap yields, as on Win32.
constexpr colour_ref invalid_colour = 0xFFFFFFFFu;

// Points the surface at the caller's pixels (forgetting whatever it showed
// before). `black` says the memory is all black, as fresh zeroed memory is.
void attach_pixels(DrawingSurface& surface, std::uint32_t* bits, int width, int height, int stride,
                   bool black);
// The surface as a plain pixel buffer.
pixel_buffer pixels_of(const DrawingSurface& surface);

void fill_solid(DrawingSurface& surface, int x, int y, int w, int h, colour_ref colour);
void fill_solid(DrawingSurface& surface, const surface_rect& rect, colour_ref colour);
// fill_solid of an s × s square: the frame's points, thousands per frame.
void fill_square(DrawingSurface& surface, int x, int y, int s, colour_ref colour);
colour_ref get_pixel(const DrawingSurface& surface, int x, int y);
