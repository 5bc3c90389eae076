// A surface the frame is drawn on: pixels in memory that the caller owns
// (rows of 32-bit pixels 0x00RRGGBB, top row first), with the fills and pixel
// reads the renderer needs. Making a surface that a window can show and
// showing it belong to the hosts; they hand the core the memory.
#pragma once

#include <cstdint>
#include <initializer_list>
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
    // The surface in tiles of 32 × 32 pixels (row by row, tiles_across to a
    // row): those holding lit areas, and those with pixels written since the
    // changes were last taken, which a window showing the surface as it was
    // then needs to be shown again.
    int tiles_across = 0;
    std::vector<std::uint8_t> lit_tiles;
    std::vector<std::uint8_t> changed_tiles;
    bool all_changed = false;
};

constexpr int tile_shift = 5;  // tiles of 32 × 32 pixels

// Value a read outside the bitmap yields, as on Win32.
constexpr colour_ref invalid_colour = 0xFFFFFFFFu;

// Points the surface at the caller's pixels (forgetting whatever it showed
// before). `black` says the memory is all black, as fresh zeroed memory is.
void attach_pixels(DrawingSurface& surface, std::uint32_t* bits, int width, int height, int stride,
                   bool black);
// The surface as a plain pixel buffer.
pixel_buffer pixels_of(const DrawingSurface& surface);
// The areas changed since the last call, as rectangles that cover every
// changed tile (neighbouring runs joined, so that there are few of them), and
// forgotten. One rectangle for the whole surface after it was written whole.
void take_changes(DrawingSurface& surface, std::vector<surface_rect>& areas);
inline bool is_empty(const surface_rect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

void fill_solid(DrawingSurface& surface, int x, int y, int w, int h, colour_ref colour);
void fill_solid(DrawingSurface& surface, const surface_rect& rect, colour_ref colour);
// fill_solid of an s × s square: the frame's points, thousands per frame.
void fill_square(DrawingSurface& surface, int x, int y, int s, colour_ref colour);
// More recorded areas than this and a whole clear is as cheap as the list.
constexpr std::size_t max_lit_areas = 1u << 17;

void fill_square_the_general_way(DrawingSurface& surface, int x, int y, int s, std::uint32_t pixel);

// The same with the colour as the memory holds it (0x00RRGGBB). A small square
// wholly inside a surface that records its lit areas, the common case, goes
// straight to memory here; anything else takes the general way.
inline void fill_square_pixels(DrawingSurface& surface, int x, int y, int s, std::uint32_t pixel) {
    if (s > 8 || x < 0 || y < 0 || x > surface.width - s || y > surface.height - s || pixel == 0 ||
        !surface.lit_areas_known || !surface.bits || surface.lit_areas.size() >= max_lit_areas) {
        fill_square_the_general_way(surface, x, y, s, pixel);
        return;
    }
    std::uint32_t* line = surface.bits + static_cast<std::int64_t>(y) * surface.stride + x;
    for (int row = 0; row < s; ++row, line += surface.stride) {
        for (int k = 0; k < s; ++k) line[k] = pixel;
    }
    surface.lit_areas.push_back({x, y, x + s, y + s});
    if (surface.changed_tiles.empty()) return;
    // A square of at most 8 pixels touches at most 2 × 2 tiles: their
    // corners, marked whether or not some of them are the same tile.
    const std::size_t across = static_cast<std::size_t>(surface.tiles_across);
    const std::size_t top = static_cast<std::size_t>(y >> tile_shift) * across;
    const std::size_t bottom = static_cast<std::size_t>((y + s - 1) >> tile_shift) * across;
    const std::size_t left = static_cast<std::size_t>(x >> tile_shift);
    const std::size_t right = static_cast<std::size_t>((x + s - 1) >> tile_shift);
    for (std::vector<std::uint8_t>* tiles : {&surface.changed_tiles, &surface.lit_tiles}) {
        std::uint8_t* t = tiles->data();
        t[top + left] = t[top + right] = t[bottom + left] = t[bottom + right] = 1;
    }
}
// Asks for the memory of a square that is about to be filled.
inline void prefetch_square(const DrawingSurface& surface, int x, int y, int s) {
#if defined(__GNUC__)
    if (x < 0 || y < 0 || x >= surface.width || y >= surface.height || s > 8) return;
    const std::uint32_t* line = surface.bits + static_cast<std::int64_t>(y) * surface.stride + x;
    const int rows = y + s <= surface.height ? s : surface.height - y;
    for (int row = 0; row < rows; ++row, line += surface.stride) __builtin_prefetch(line, 1, 3);
#else
    (void)surface;
    (void)x;
    (void)y;
    (void)s;
#endif
}
colour_ref get_pixel(const DrawingSurface& surface, int x, int y);
