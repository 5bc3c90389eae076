#include "render/drawing_surface.h"

#include <algorithm>
#include <cstdint>

namespace {

// Bitmap memory holds 0x00RRGGBB; COLORREF holds 0x00BBGGRR.
std::uint32_t to_pixel(colour_ref colour) {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

colour_ref to_colour(std::uint32_t pixel) {
    return ((pixel & 0xFFu) << 16) | (pixel & 0xFF00u) | ((pixel >> 16) & 0xFFu);
}

// Fills a rectangle inside the surface's memory. Most are the frame's points,
// a few pixels wide: a library call per row (which the compiler would
// otherwise make of the black case) costs more than the stores.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-tree-loop-distribute-patterns")))
#endif
void fill_rows(std::uint32_t* bits, std::int64_t stride, std::int64_t left, std::int64_t top,
               std::int64_t right, std::int64_t bottom, std::uint32_t pixel) {
    const std::int64_t width = right - left;
    const std::int64_t height = bottom - top;
    std::uint32_t* line = bits + top * stride + left;
    if (width <= 8 && height <= 8) {
        fill_small_block(line, stride, static_cast<int>(width), static_cast<int>(height), pixel);
        return;
    }
    for (std::int64_t row = top; row < bottom; ++row, line += stride) {
        std::fill(line, line + width, pixel);
    }
}

// Blackens every recorded area: thousands of squares a few pixels wide, each
// written the way it was drawn.
void clear_lit_areas(DrawingSurface& surface) {
    std::uint32_t* const bits = surface.bits;
    const std::int64_t stride = surface.stride;
    const lit_area* const areas = surface.lit_areas.data();
    const std::size_t count = surface.lit_areas.size();
    // The areas lie all over a frame of megabytes, last touched a frame ago
    // (33 ms, in which other work has the caches): their first and last rows
    // are asked for far enough ahead of the stores to come from main memory.
    constexpr std::size_t ahead = 64;
    for (std::size_t a = 0; a < count; ++a) {
#if defined(__GNUC__)
        if (a + ahead < count) {
            const lit_area& next = areas[a + ahead];
            __builtin_prefetch(bits + next.top * stride + next.left, 1, 3);
            __builtin_prefetch(bits + (next.bottom - 1) * stride + next.left, 1, 3);
        }
#endif
        const lit_area& r = areas[a];
        const std::int32_t width = r.right - r.left;
        const std::int32_t height = r.bottom - r.top;
        std::uint32_t* const line = bits + r.top * stride + r.left;
        if (width == height && width <= 8) {
            fill_square_block(line, stride, width, 0);
        } else if (width <= 8 && height <= 8) {
            fill_small_block(line, stride, width, height, 0);
        } else {
            fill_rows(bits, stride, r.left, r.top, r.right, r.bottom, 0);
        }
    }
}

void forget_lit_areas(DrawingSurface& surface) {
    surface.lit_areas.clear();
    surface.lit_areas_known = false;
}

// Marks the tiles a rectangle of pixels (inside the surface) touches, as
// changed and, when it is lit, as lit.
inline void mark_tiles(DrawingSurface& surface, std::int32_t left, std::int32_t top,
                       std::int32_t right, std::int32_t bottom, bool lit) {
    if (surface.changed_tiles.empty()) return;
    const std::int32_t x0 = left >> tile_shift;
    const std::int32_t x1 = (right - 1) >> tile_shift;
    for (std::int32_t ty = top >> tile_shift; ty <= (bottom - 1) >> tile_shift; ++ty) {
        const std::size_t row = static_cast<std::size_t>(ty) * surface.tiles_across;
        for (std::int32_t tx = x0; tx <= x1; ++tx) {
            surface.changed_tiles[row + tx] = 1;
            if (lit) surface.lit_tiles[row + tx] = 1;
        }
    }
}

}  // namespace

void attach_pixels(DrawingSurface& surface, std::uint32_t* bits, int width, int height, int stride,
                   bool black) {
    surface = DrawingSurface{};
    if (!bits || width <= 0 || height <= 0 || stride < width) return;
    surface.bits = bits;
    surface.width = width;
    surface.height = height;
    surface.stride = stride;
    surface.lit_areas_known = black;
    surface.tiles_across = (width + (1 << tile_shift) - 1) >> tile_shift;
    const std::size_t tiles = static_cast<std::size_t>(surface.tiles_across) *
                              ((height + (1 << tile_shift) - 1) >> tile_shift);
    surface.lit_tiles.assign(tiles, 0);
    surface.changed_tiles.assign(tiles, 0);
    surface.all_changed = true;  // a window has seen none of it
}

void take_changes(DrawingSurface& surface, std::vector<surface_rect>& areas) {
    areas.clear();
    if (!surface.bits) return;
    // What is lit now was drawn since the last whole clear, which took the
    // changes before it, and may have been drawn since they were last taken.
    for (std::size_t t = 0; t < surface.lit_tiles.size(); ++t) {
        surface.changed_tiles[t] |= surface.lit_tiles[t];
    }
    if (surface.all_changed) {
        areas.push_back({0, 0, surface.width, surface.height});
    } else {
        // Runs of changed tiles along each row of tiles, a gap of up to two
        // tiles bridged; a run the same as the one below it in the row above
        // grows downward instead of making another rectangle.
        constexpr std::int32_t bridge = 2;
        constexpr std::int32_t tile = 1 << tile_shift;
        const std::int32_t across = surface.tiles_across;
        const std::int32_t down = static_cast<std::int32_t>(surface.changed_tiles.size()) / across;
        std::size_t row_start = 0;  // this row of tiles' first rectangle in `areas`
        for (std::int32_t ty = 0; ty < down; ++ty) {
            const std::uint8_t* row =
                surface.changed_tiles.data() + static_cast<std::size_t>(ty) * across;
            const std::size_t above_start = row_start;
            const std::size_t above_end = areas.size();
            row_start = areas.size();
            std::size_t above = above_start;
            std::int32_t tx = 0;
            while (tx < across) {
                if (!row[tx]) {
                    ++tx;
                    continue;
                }
                std::int32_t end = tx + 1;
                for (;;) {
                    while (end < across && row[end]) ++end;
                    std::int32_t next = end;
                    while (next < across && next - end < bridge && !row[next]) ++next;
                    if (next < across && row[next] && next - end < bridge + 1) {
                        end = next;
                        continue;
                    }
                    break;
                }
                const surface_rect run{tx * tile, ty * tile, std::min(end * tile, surface.width),
                                       std::min((ty + 1) * tile, surface.height)};
                while (above < above_end && areas[above].left < run.left) ++above;
                if (above < above_end && areas[above].left == run.left &&
                    areas[above].right == run.right && areas[above].bottom == run.top) {
                    // Carried down: moved to this row's rectangles.
                    surface_rect grown = areas[above];
                    grown.bottom = run.bottom;
                    areas[above].bottom = -1;  // taken
                    areas.push_back(grown);
                } else {
                    areas.push_back(run);
                }
                tx = end;
            }
        }
        // Rectangles carried down left a taken mark behind.
        areas.erase(std::remove_if(areas.begin(), areas.end(),
                                   [](const surface_rect& r) { return r.bottom < 0; }),
                    areas.end());
    }
    std::fill(surface.changed_tiles.begin(), surface.changed_tiles.end(), 0);
    surface.all_changed = false;
}

pixel_buffer pixels_of(const DrawingSurface& surface) {
    return pixel_buffer{surface.bits, surface.width, surface.height, surface.stride};
}

void fill_solid(DrawingSurface& surface, int x, int y, int w, int h, colour_ref colour) {
    if (!surface.bits) return;
    // Clip in 64 bits: squares of far-away points may lie near the integer limits.
    const std::int64_t left = std::max<std::int64_t>(x, 0);
    const std::int64_t top = std::max<std::int64_t>(y, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + w, surface.width);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + h, surface.height);
    if (left >= right || top >= bottom) return;
    const std::uint32_t pixel = to_pixel(colour);
    const bool whole = left == 0 && top == 0 && right == surface.width && bottom == surface.height;
    const surface_rect area{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                            static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
    if (pixel == 0 && whole && surface.lit_areas_known) {
        // Black everywhere but where something was drawn since the last clear.
        clear_lit_areas(surface);
        surface.lit_areas.clear();
        for (std::size_t t = 0; t < surface.lit_tiles.size(); ++t) {
            surface.changed_tiles[t] |= surface.lit_tiles[t];
            surface.lit_tiles[t] = 0;
        }
        return;
    }
    fill_rows(surface.bits, surface.stride, left, top, right, bottom, pixel);
    if (whole) {
        surface.all_changed = true;
        std::fill(surface.lit_tiles.begin(), surface.lit_tiles.end(), pixel != 0);
    } else {
        mark_tiles(surface, area.left, area.top, area.right, area.bottom, pixel != 0);
    }
    if (whole && pixel == 0) {
        surface.lit_areas.clear();
        surface.lit_areas_known = true;
    } else if (pixel != 0 && surface.lit_areas_known) {
        if (surface.lit_areas.size() < max_lit_areas) {
            surface.lit_areas.push_back({area.left, area.top, area.right, area.bottom});
        } else {
            forget_lit_areas(surface);
        }
    }
}

void fill_square(DrawingSurface& surface, int x, int y, int s, colour_ref colour) {
    fill_square_pixels(surface, x, y, s, to_pixel(colour));
}

void fill_square_the_general_way(DrawingSurface& surface, int x, int y, int s,
                                 std::uint32_t pixel) {
    fill_solid(surface, x, y, s, s, to_colour(pixel));
}

void fill_solid(DrawingSurface& surface, const surface_rect& rect, colour_ref colour) {
    fill_solid(surface, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               colour);
}

colour_ref get_pixel(const DrawingSurface& surface, int x, int y) {
    if (!surface.bits || x < 0 || y < 0 || x >= surface.width || y >= surface.height) {
        return invalid_colour;
    }
    return to_colour(surface.bits[static_cast<std::int64_t>(y) * surface.stride + x] & 0xFFFFFFu);
}
