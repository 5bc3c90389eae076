// Drawing laid-out lines into bitmaps, for every text function of the portable
// GDI. A line is drawn inside its cell: from the pen start to the sum of its
// advances, and one cell high. Ink a glyph would put beyond that (a leaning or
// very wide glyph) is cut off, so what DrawText measures is exactly the area
// TextOut can touch.
#include <algorithm>

#include "platform/portable/gdi/gdi_text_internal.h"

namespace {

constexpr UINT dt_center = 0x01;
constexpr UINT dt_right = 0x02;
constexpr UINT dt_vcenter = 0x04;
constexpr UINT dt_bottom = 0x08;

void fill_box(HBITMAP__* bitmap, const text_box& area, std::uint32_t pixel) {
    const text_box inside = area.intersect({0, 0, bitmap->width, bitmap->height});
    for (std::int64_t y = inside.top; y < inside.bottom && inside.left < inside.right; ++y) {
        std::uint32_t* row = bitmap->row(static_cast<int>(y));
        std::fill(row + inside.left, row + inside.right, pixel);
    }
}

std::uint32_t mix(std::uint32_t foreground, std::uint32_t background, unsigned alpha) {
    std::uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned f = (foreground >> shift) & 0xFFu;
        const unsigned b = (background >> shift) & 0xFFu;
        result |= ((f * alpha + b * (255u - alpha) + 127u) / 255u) << shift;
    }
    return result;
}

// Anti-aliased coverage blended in the text colour; with a non-black colour
// every covered pixel, however faint, comes out non-black.
void blend_glyph(HBITMAP__* bitmap, const glyph_image& glyph, std::int64_t originX,
                 std::int64_t originY, const text_box& clip, std::uint32_t pixel) {
    const text_box area =
        clip.intersect({originX, originY, originX + glyph.width, originY + glyph.height});
    for (std::int64_t y = area.top; y < area.bottom && area.left < area.right; ++y) {
        std::uint32_t* row = bitmap->row(static_cast<int>(y));
        const std::uint8_t* coverage = glyph.coverage.data() + (y - originY) * glyph.width;
        for (std::int64_t x = area.left; x < area.right; ++x) {
            const unsigned alpha = coverage[x - originX];
            if (alpha == 0) continue;
            row[x] = alpha == 255 ? pixel : mix(pixel, row[x] & 0xFFFFFFu, alpha);
        }
    }
}

}  // namespace

text_box text_box::intersect(const text_box& other) const {
    return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
            std::min(bottom, other.bottom)};
}

line_layout lay_out(font_instance& font, std::u32string_view text) {
    line_layout line;
    line.width = font_layout(font, text, line.glyphs);
    return line;
}

void draw_line(HDC__* dc, font_instance& font, std::int64_t x, std::int64_t y,
               const line_layout& line, const text_box* clip, int mnemonic) {
    if (dc->target != dc_target::memory) return;
    HBITMAP__* bitmap = dc->bitmap;
    text_box bounds = text_box{x, y, x + line.width, y + font.cell_height}.intersect(
        {0, 0, bitmap->width, bitmap->height});
    if (clip) bounds = bounds.intersect(*clip);
    if (bounds.empty()) return;
    if (dc->background_mode == OPAQUE)
        fill_box(bitmap, bounds, gdi_pixel_from_colour(dc->background_colour));
    const std::uint32_t pixel = gdi_pixel_from_colour(dc->text_colour);
    const std::int64_t baseline = y + font.ascent;
    for (const placed_glyph& placed : line.glyphs) {
        const glyph_image& glyph = *placed.glyph;
        if (glyph.coverage.empty()) continue;
        blend_glyph(bitmap, glyph, x + placed.pen_x + glyph.left, baseline - glyph.top, bounds,
                    pixel);
    }
    const auto rule = [&](std::int64_t from, std::int64_t to, std::int64_t top) {
        fill_box(bitmap, text_box{from, top, to, top + font.line_thickness}.intersect(bounds),
                 pixel);
    };
    const std::int64_t underline_top = baseline + font.underline_offset;
    if (font.underline) rule(x, x + line.width, underline_top);
    if (font.strike_out) rule(x, x + line.width, baseline - font.ascent / 3);
    if (mnemonic >= 0 && static_cast<std::size_t>(mnemonic) < line.glyphs.size()) {
        const placed_glyph& placed = line.glyphs[static_cast<std::size_t>(mnemonic)];
        rule(x + placed.pen_x, x + placed.pen_x + placed.glyph->advance, underline_top);
    }
}

int draw_text_lines(HDC__* dc, const std::vector<text_line>& texts, bool single, RECT* rect,
                    UINT format) {
    font_instance& font = *gdi_current_font(dc)->instance;
    const int line_height = font.cell_height;
    std::vector<line_layout> lines;
    int widest = 0;
    for (const text_line& text : texts) {
        lines.push_back(lay_out(font, text.points));
        widest = std::max(widest, lines.back().width);
    }
    const std::int64_t total =
        std::int64_t{line_height} *
        static_cast<std::int64_t>(std::max<std::size_t>(lines.size(), single ? 1 : 0));
    const int total_height = static_cast<int>(std::min<std::int64_t>(total, INT32_MAX / 2));

    if (format & DT_CALCRECT) {
        rect->right =
            static_cast<LONG>(std::min<std::int64_t>(std::int64_t{rect->left} + widest, INT32_MAX));
        rect->bottom = static_cast<LONG>(
            std::min<std::int64_t>(std::int64_t{rect->top} + total_height, INT32_MAX));
        return total_height;
    }

    std::int64_t top = rect->top;
    if (single && (format & dt_vcenter))
        top = rect->top + (std::int64_t{rect->bottom} - rect->top - line_height) / 2;
    if (single && (format & dt_bottom)) top = std::int64_t{rect->bottom} - line_height;
    const text_box clip = box_of(*rect);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const line_layout& line = lines[i];
        std::int64_t left = rect->left;
        if (format & dt_center)
            left = rect->left + (std::int64_t{rect->right} - rect->left - line.width) / 2;
        if (format & dt_right) left = std::int64_t{rect->right} - line.width;
        draw_line(dc, font, left, top + static_cast<std::int64_t>(i) * line_height, line,
                  (format & DT_NOCLIP) ? nullptr : &clip, texts[i].mnemonic);
    }
    const std::int64_t end = top - rect->top + total_height;
    return static_cast<int>(std::clamp<std::int64_t>(end, INT32_MIN / 2, INT32_MAX / 2));
}
