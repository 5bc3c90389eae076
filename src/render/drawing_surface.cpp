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

// More recorded areas than this and a whole clear is as cheap as the list.
constexpr std::size_t max_lit_areas = 1u << 17;

// Blackens every recorded area: thousands of squares a few pixels wide, so
// plain stores in one loop rather than a call per square (nor a library call
// per row, which the compiler would otherwise make of these stores).
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-tree-loop-distribute-patterns")))
#endif
void clear_lit_areas(DrawingSurface& surface) {
    std::uint32_t* const bits = surface.bits;
    const std::int64_t stride = surface.stride;
    const surface_rect* const areas = surface.lit_areas.data();
    const std::size_t count = surface.lit_areas.size();
    // The areas lie all over a frame of megabytes, last touched a frame ago:
    // their rows are asked for a few areas ahead of the stores.
    constexpr std::size_t ahead = 16;
    for (std::size_t a = 0; a < count; ++a) {
#if defined(__GNUC__)
        if (a + ahead < count) {
            const surface_rect& next = areas[a + ahead];
            const std::uint32_t* line = bits + next.top * stride + next.left;
            for (std::int32_t row = next.top; row < next.bottom; ++row, line += stride) {
                __builtin_prefetch(line, 1, 3);
            }
        }
#endif
        const surface_rect& r = areas[a];
        const std::int32_t width = r.right - r.left;
        std::uint32_t* line = bits + r.top * stride + r.left;
        for (std::int32_t row = r.top; row < r.bottom; ++row, line += stride) {
            for (std::int32_t k = 0; k < width; ++k) line[k] = 0;
        }
    }
}

void forget_lit_areas(DrawingSurface& surface) {
    surface.lit_areas.clear();
    surface.lit_areas_known = false;
    surface.lit_bounds = surface_rect{};
}

// Grows `area` to take in the rectangle.
inline void take_in(surface_rect& area, std::int32_t left, std::int32_t top, std::int32_t right,
                    std::int32_t bottom) {
    if (is_empty(area)) {
        area = {left, top, right, bottom};
        return;
    }
    area.left = std::min(area.left, left);
    area.top = std::min(area.top, top);
    area.right = std::max(area.right, right);
    area.bottom = std::max(area.bottom, bottom);
}

inline void take_in(surface_rect& area, const surface_rect& r) {
    if (!is_empty(r)) take_in(area, r.left, r.top, r.right, r.bottom);
}

// The rows of a point are a few pixels wide; a library call per row (which the
// compiler would otherwise make of the black case) costs more than the stores.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-tree-loop-distribute-patterns")))
#endif
void fill_rows(DrawingSurface& surface, std::int64_t left, std::int64_t top, std::int64_t right,
               std::int64_t bottom, std::uint32_t pixel) {
    const std::int64_t width = right - left;
    std::uint32_t* line = surface.bits + top * surface.stride + left;
    if (width <= 8) {
        for (std::int64_t row = top; row < bottom; ++row, line += surface.stride) {
            for (std::int64_t k = 0; k < width; ++k) line[k] = pixel;
        }
        return;
    }
    for (std::int64_t row = top; row < bottom; ++row, line += surface.stride) {
        std::fill(line, line + width, pixel);
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
    surface.changed = surface_rect{0, 0, width, height};
}

surface_rect take_changes(DrawingSurface& surface) {
    const surface_rect changed = surface.changed;
    surface.changed = surface_rect{};
    return changed;
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
        take_in(surface.changed, surface.lit_bounds);
        surface.lit_bounds = surface_rect{};
        return;
    }
    fill_rows(surface, left, top, right, bottom, pixel);
    take_in(surface.changed, area);
    if (whole && pixel == 0) {
        surface.lit_areas.clear();
        surface.lit_areas_known = true;
        surface.lit_bounds = surface_rect{};
    } else if (pixel != 0 && surface.lit_areas_known) {
        if (surface.lit_areas.size() < max_lit_areas) {
            surface.lit_areas.push_back(area);
            take_in(surface.lit_bounds, area);
        } else {
            forget_lit_areas(surface);
        }
    }
}

void fill_square(DrawingSurface& surface, int x, int y, int s, colour_ref colour) {
    fill_square_pixels(surface, x, y, s, to_pixel(colour));
}

void fill_square_pixels(DrawingSurface& surface, int x, int y, int s, std::uint32_t pixel) {
    // A small square wholly inside a surface that records its lit areas, the
    // common case, goes straight to memory; anything else takes the general way.
    if (s > 8 || x < 0 || y < 0 || x > surface.width - s || y > surface.height - s || pixel == 0 ||
        !surface.lit_areas_known || !surface.bits || surface.lit_areas.size() >= max_lit_areas) {
        fill_solid(surface, x, y, s, s, to_colour(pixel));
        return;
    }
    std::uint32_t* line = surface.bits + static_cast<std::int64_t>(y) * surface.stride + x;
    for (int row = 0; row < s; ++row, line += surface.stride) {
        for (int k = 0; k < s; ++k) line[k] = pixel;
    }
    surface.lit_areas.push_back({x, y, x + s, y + s});
    take_in(surface.lit_bounds, x, y, x + s, y + s);
    take_in(surface.changed, x, y, x + s, y + s);
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
