// A surface the frame is drawn on: pixels in memory that the caller owns
// (rows of 32-bit pixels 0x00RRGGBB, top row first), with the fills and pixel
// reads the renderer needs. Making a surface that a window can show and
// showing it belong to the hosts; they hand the core the memory.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "scene/pixel_buffer.h"

using colour_ref = std::uint32_t;  // red | green << 8 | blue << 16

// A vector's storage that leaves the elements it grows by uninitialised, so
// that a run of records can be made room for and then written in place.
template <class T>
struct uninitialised_allocator : std::allocator<T> {
    uninitialised_allocator() = default;
    template <class U>
    uninitialised_allocator(const uninitialised_allocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// A rectangle recorded as lit: a plain record, so that room for thousands of
// them is made without writing them first.
struct lit_area {
    std::int32_t left, top, right, bottom;
};

struct DrawingSurface {
    std::uint32_t* bits = nullptr;  // top-down rows, `stride` pixels apart
    int width = 0;
    int height = 0;
    int stride = 0;
    // Where non-black pixels may be since the surface was last cleared whole, so
    // that the next whole clear touches only those squares instead of every
    // pixel. Unknown (anything may be lit) unless the memory was known black.
    std::vector<lit_area, uninitialised_allocator<lit_area>> lit_areas;
    bool lit_areas_known = false;
    // The surface in tiles of 16 × 16 pixels (row by row, tiles_across to a
    // row): those holding lit areas, and those with pixels written since the
    // changes were last taken, which a window showing the surface as it was
    // then needs to be shown again. Squares drawn mark only their lit tiles;
    // the changes taken include every lit tile.
    int tiles_across = 0;
    std::vector<std::uint8_t> lit_tiles;
    std::vector<std::uint8_t> changed_tiles;
    bool all_changed = false;
};

// Tiles of 16 × 16 pixels: the near sea's points lie tens of pixels apart, so
// smaller tiles leave much of the frame out of the changes (about 38 % of
// 1280 × 1024 is shown each tick against 55 % with tiles of 32), and the
// hosts show all the changed areas in one transfer, so their number costs
// little.
constexpr int tile_shift = 4;

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

// Whether a square can go straight to memory: its side 1 to 8 pixels, wholly
// inside a surface of width × height, and not black (black is not recorded).
inline bool is_plain_square(int x, int y, int s, std::uint32_t pixel, int width, int height) {
    return static_cast<unsigned>(s) - 1u < 8u && x >= 0 && y >= 0 && x <= width - s &&
           y <= height - s && pixel != 0;
}

// The same for a square: most points are one pixel, a single store, or two,
// a pair of stores; larger ones as a block.
[[gnu::always_inline]] inline void fill_square_block(std::uint32_t* line, std::int64_t stride,
                                                     int s, std::uint32_t pixel) {
    if (s <= 2) {
        if (s == 1) {
            line[0] = pixel;
            return;
        }
        const std::uint32_t pair[2] = {pixel, pixel};
        std::memcpy(line, pair, sizeof pair);
        std::memcpy(line + stride, pair, sizeof pair);
        return;
    }
    fill_small_block(line, stride, s, s, pixel);
}

// Marks the tiles of a lit area of at most 8 × 8 pixels in lit_tiles: the
// tile of its top-left corner, and those it reaches across a tile's edge
// (few squares do).
inline void mark_small_area(std::uint8_t* tiles, std::size_t across, int x, int y, int width,
                            int height) {
    std::uint8_t* const tile =
        tiles + static_cast<std::size_t>(y >> tile_shift) * across + (x >> tile_shift);
    *tile = 1;
    constexpr int inside = 1 << tile_shift;
    const bool right = (x & (inside - 1)) + width > inside;
    const bool below = (y & (inside - 1)) + height > inside;
    if (!right && !below) [[likely]]
        return;
    if (right) tile[1] = 1;
    if (below) tile[across] = 1;
    if (right && below) tile[across + 1] = 1;
}

// The same with the colour as the memory holds it (0x00RRGGBB). A plain
// square on a surface that records its lit areas, the common case, goes
// straight to memory here; anything else takes the general way.
inline void fill_square_pixels(DrawingSurface& surface, int x, int y, int s, std::uint32_t pixel) {
    if (!is_plain_square(x, y, s, pixel, surface.width, surface.height) ||
        !surface.lit_areas_known || !surface.bits || surface.lit_areas.size() >= max_lit_areas) {
        fill_square_the_general_way(surface, x, y, s, pixel);
        return;
    }
    const std::int64_t stride = surface.stride;
    fill_square_block(surface.bits + y * stride + x, stride, s, pixel);
    surface.lit_areas.push_back({x, y, x + s, y + s});
    if (!surface.lit_tiles.empty()) {
        mark_small_area(surface.lit_tiles.data(), static_cast<std::size_t>(surface.tiles_across), x,
                        y, s, s);
    }
}

// Fills the squares of a run of placed points (top-left corners, sides and
// colours as the memory holds them) in order, leaving out those `hidden(k)`
// says: the same pixels as fill_square_pixels one by one. There are
// thousands of them a frame: the surface's fields are kept in locals (a pixel
// store could otherwise alias them) and their records are written in place.
template <class Hidden>
void fill_squares(DrawingSurface& surface, const std::int32_t* xs, const std::int32_t* ys,
                  const std::int32_t* sides, const std::uint32_t* pixels, std::int32_t count,
                  Hidden hidden) {
    if (!surface.bits || count <= 0) return;
    std::uint32_t* const bits = surface.bits;
    const std::int64_t stride = surface.stride;
    const int width = surface.width;
    const int height = surface.height;
    if (!surface.lit_areas_known || surface.lit_areas.size() + count > max_lit_areas) {
        for (std::int32_t k = 0; k < count; ++k) {
            if (!hidden(k)) fill_square_pixels(surface, xs[k], ys[k], sides[k], pixels[k]);
        }
        return;
    }
    // Room for a record of each square, written as they are drawn; whatever
    // is left over is given back at the end.
    std::size_t used = surface.lit_areas.size();
    surface.lit_areas.resize(used + static_cast<std::size_t>(count));
    lit_area* out = surface.lit_areas.data() + used;
    std::uint8_t* const tiles = surface.lit_tiles.empty() ? nullptr : surface.lit_tiles.data();
    const std::size_t across = static_cast<std::size_t>(surface.tiles_across);
    for (std::int32_t k = 0; k < count; ++k) {
        if (hidden(k)) continue;
        const int x = xs[k];
        const int y = ys[k];
        const int s = sides[k];
        const std::uint32_t pixel = pixels[k];
        if (is_plain_square(x, y, s, pixel, width, height)) {
            fill_square_block(bits + y * stride + x, stride, s, pixel);
            *out++ = {x, y, x + s, y + s};
            if (tiles) mark_small_area(tiles, across, x, y, s, s);
            continue;
        }
        // A rare square the general way, which records it itself.
        used = static_cast<std::size_t>(out - surface.lit_areas.data());
        surface.lit_areas.resize(used);
        fill_square_the_general_way(surface, x, y, s, pixel);
        used = surface.lit_areas.size();
        surface.lit_areas.resize(used + static_cast<std::size_t>(count - k));
        out = surface.lit_areas.data() + used;
    }
    surface.lit_areas.resize(static_cast<std::size_t>(out - surface.lit_areas.data()));
}

colour_ref get_pixel(const DrawingSurface& surface, int x, int y);
