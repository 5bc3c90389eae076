#include "render/drawing_surface.h"

#include <algorithm>
#include <cstdint>

#include "platform/win32.h"
#include "render/wide_text.h"

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
    const std::int64_t stride = surface.width;
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
}

// The rows of a point are a few pixels wide; a library call per row (which the
// compiler would otherwise make of the black case) costs more than the stores.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-tree-loop-distribute-patterns")))
#endif
void fill_rows(DrawingSurface& surface, std::int64_t left, std::int64_t top, std::int64_t right,
               std::int64_t bottom, std::uint32_t pixel) {
    const std::int64_t width = right - left;
    std::uint32_t* line = surface.bits + top * surface.width + left;
    if (width <= 8) {
        for (std::int64_t row = top; row < bottom; ++row, line += surface.width) {
            for (std::int64_t k = 0; k < width; ++k) line[k] = pixel;
        }
        return;
    }
    for (std::int64_t row = top; row < bottom; ++row, line += surface.width) {
        std::fill(line, line + width, pixel);
    }
}

}  // namespace

wide_text to_wide(std::string_view bytes, text_encoding encoding) {
    wide_text text;
    if (bytes.empty()) return text;
    const UINT page = encoding == text_encoding::utf8 ? CP_UTF8 : CP_ACP;
    const int n = static_cast<int>(bytes.size());
    const int count = MultiByteToWideChar(page, 0, bytes.data(), n, nullptr, 0);
    if (count <= 0) return text;
    text.resize(static_cast<std::size_t>(count));
    MultiByteToWideChar(page, 0, bytes.data(), n, text.data(), count);
    return text;
}

HDC__* acquire_screen_context() {
    return GetDC(nullptr);
}

void release_screen_context(HDC__* screen) {
    ReleaseDC(nullptr, screen);
}

bool create_compatible(DrawingSurface& surface, HDC__* reference, int width, int height) {
    release_surface(surface);  // a surface made again starts from nothing
    surface.dc = CreateCompatibleDC(reference);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // negative: rows run top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    surface.bitmap = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!surface.dc || !surface.bitmap || !bits) {
        release_surface(surface);
        return false;
    }
    surface.bits = static_cast<std::uint32_t*>(bits);
    surface.width = width;
    surface.height = height;
    surface.original_bitmap = SelectObject(surface.dc, surface.bitmap);
    // A new DIB section's memory is zero (fresh pages from the system), so the
    // surface is known to be black without touching every page of it.
    surface.lit_areas_known = true;
    return true;
}

bool create_screen_compatible(DrawingSurface& surface, int width, int height) {
    HDC__* const screen = acquire_screen_context();
    const bool made = create_compatible(surface, screen, width, height);
    release_screen_context(screen);
    return made;
}

void select_font(DrawingSurface& surface, HFONT__* font) {
    if (!surface.dc) return;
    HGDIOBJ previous = SelectObject(surface.dc, font);
    if (!surface.original_font) surface.original_font = previous;
    surface.font = font;
}

void set_text_color(DrawingSurface& surface, colour_ref colour) {
    if (surface.dc) SetTextColor(surface.dc, colour);
}

void set_transparent(DrawingSurface& surface) {
    if (surface.dc) SetBkMode(surface.dc, TRANSPARENT);
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
    if (pixel == 0 && whole && surface.lit_areas_known) {
        // Black everywhere but where something was drawn since the last clear.
        clear_lit_areas(surface);
        surface.lit_areas.clear();
        return;
    }
    fill_rows(surface, left, top, right, bottom, pixel);
    if (whole && pixel == 0) {
        surface.lit_areas.clear();
        surface.lit_areas_known = true;
    } else if (pixel != 0 && surface.lit_areas_known) {
        if (surface.lit_areas.size() < max_lit_areas) {
            surface.lit_areas.push_back(
                {static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                 static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)});
        } else {
            forget_lit_areas(surface);
        }
    }
}

void fill_square(DrawingSurface& surface, int x, int y, int s, colour_ref colour) {
    // A small square wholly inside a surface that records its lit areas, the
    // common case, goes straight to memory; anything else takes the general way.
    if (s > 8 || x < 0 || y < 0 || x > surface.width - s || y > surface.height - s || colour == 0 ||
        !surface.lit_areas_known || !surface.bits || surface.lit_areas.size() >= max_lit_areas) {
        fill_solid(surface, x, y, s, s, colour);
        return;
    }
    const std::uint32_t pixel = to_pixel(colour);
    std::uint32_t* line = surface.bits + static_cast<std::int64_t>(y) * surface.width + x;
    for (int row = 0; row < s; ++row, line += surface.width) {
        for (int k = 0; k < s; ++k) line[k] = pixel;
    }
    surface.lit_areas.push_back({x, y, x + s, y + s});
}

void fill_solid(DrawingSurface& surface, const surface_rect& rect, colour_ref colour) {
    fill_solid(surface, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               colour);
}

surface_rect measure_text(DrawingSurface& surface, std::string_view bytes, text_encoding encoding) {
    RECT rect{0, 0, 0, 0};
    if (surface.dc) {
        const wide_text text = to_wide(bytes, encoding);
        // Measured as TextOutW draws it: an ampersand is a character, not a
        // mnemonic prefix.
        if (!text.empty()) {
            DrawTextW(surface.dc, text.data(), static_cast<int>(text.size()), &rect,
                      DT_CALCRECT | DT_NOPREFIX);
        }
    }
    return {rect.left, rect.top, rect.right, rect.bottom};
}

void text_out(DrawingSurface& surface, int x, int y, std::string_view bytes,
              text_encoding encoding) {
    if (!surface.dc) return;
    const wide_text text = to_wide(bytes, encoding);
    TextOutW(surface.dc, x, y, text.data(), static_cast<int>(text.size()));
    GdiFlush();  // the bitmap memory is read directly afterwards
    forget_lit_areas(surface);
}

colour_ref get_pixel(const DrawingSurface& surface, int x, int y) {
    if (!surface.bits || x < 0 || y < 0 || x >= surface.width || y >= surface.height) {
        return invalid_colour;
    }
    return to_colour(surface.bits[static_cast<std::int64_t>(y) * surface.width + x] & 0xFFFFFFu);
}

void copy_to(const DrawingSurface& surface, HDC__* target, int width, int height) {
    if (surface.dc && target) BitBlt(target, 0, 0, width, height, surface.dc, 0, 0, SRCCOPY);
}

void release_surface(DrawingSurface& surface) {
    if (surface.dc) {
        if (surface.original_bitmap) SelectObject(surface.dc, surface.original_bitmap);
        if (surface.original_font) SelectObject(surface.dc, surface.original_font);
    }
    if (surface.bitmap) DeleteObject(surface.bitmap);
    if (surface.dc) DeleteDC(surface.dc);
    if (surface.font) DeleteObject(surface.font);
    surface = DrawingSurface{};
}
