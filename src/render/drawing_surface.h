// A surface the frame is drawn on: pixels in memory that the caller owns
// (rows of 32-bit pixels 0x00RRGGBB, top row first), with the fills and pixel
// reads the renderer needs. Making a surface that a window can show and
// showing it belong to the hosts; they hand the core the memory.
#pragma once

#include <cstdint>
#include <cstring>
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

// Fills the rows of a block of at most 8 × 8 pixels from `line`, `stride`
// pixels apart. The points are mostly 1 to 3 pixels wide, in no order a
// processor can predict, so a block is written with a few stores that
// overlap as needed instead of loops whose length changes from point to
// point: a span of up to 2 as its first and last pixel, up to 4 as two pairs,
// up to 8 as two fours; the rows are chosen the same way. Pixels written twice
// get the same value.
[[gnu::always_inline]] inline void fill_span(std::uint32_t* line, int width, std::uint32_t pixel) {
    if (width <= 2) {
        line[0] = pixel;
        line[width - 1] = pixel;
    } else if (width <= 4) {
        const std::uint32_t pair[2] = {pixel, pixel};
        std::memcpy(line, pair, sizeof pair);
        std::memcpy(line + width - 2, pair, sizeof pair);
    } else {
        const std::uint32_t four[4] = {pixel, pixel, pixel, pixel};
        std::memcpy(line, four, sizeof four);
        std::memcpy(line + width - 4, four, sizeof four);
    }
}

[[gnu::always_inline]] inline void fill_small_block(std::uint32_t* line, std::int64_t stride,
                                                    int width, int height, std::uint32_t pixel) {
    std::uint32_t* const last = line + (height - 1) * stride;
    fill_span(line, width, pixel);
    fill_span(last, width, pixel);
    if (height <= 2) return;
    fill_span(line + stride, width, pixel);
    fill_span(last - stride, width, pixel);
    if (height <= 4) return;
    fill_span(line + 2 * stride, width, pixel);
    fill_span(line + 3 * stride, width, pixel);
    fill_span(last - 2 * stride, width, pixel);
    fill_span(last - 3 * stride, width, pixel);
}

// The same with the colour as the memory holds it (0x00RRGGBB). A small square
// wholly inside a surface that records its lit areas, the common case, goes
// straight to memory here; anything else takes the general way.
inline void fill_square_pixels(DrawingSurface& surface, int x, int y, int s, std::uint32_t pixel) {
    if (s > 8 || x < 0 || y < 0 || x > surface.width - s || y > surface.height - s || pixel == 0 ||
        !surface.lit_areas_known || !surface.bits || surface.lit_areas.size() >= max_lit_areas) {
        fill_square_the_general_way(surface, x, y, s, pixel);
        return;
    }
    const std::int64_t stride = surface.stride;
    fill_small_block(surface.bits + y * stride + x, stride, s, s, pixel);
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
// Asks for the memory of a square that is about to be filled: its first and
// last rows, which are all of its rows for most points.
inline void prefetch_square(const DrawingSurface& surface, int x, int y, int s) {
#if defined(__GNUC__)
    if (x < 0 || y < 0 || x >= surface.width || y >= surface.height || s > 8) return;
    const std::int64_t stride = surface.stride;
    const std::uint32_t* line = surface.bits + y * stride + x;
    const int last = y + s <= surface.height ? s - 1 : surface.height - 1 - y;
    __builtin_prefetch(line, 1, 3);
    __builtin_prefetch(line + last * stride, 1, 3);
#else
    (void)surface;
    (void)x;
    (void)y;
    (void)s;
#endif
}
colour_ref get_pixel(const DrawingSurface& surface, int x, int y);
