// Text output of the portable GDI: ExtTextOutA, TextOutA and DrawTextA.
// A line is drawn inside its cell: from the pen start to the sum of its
// advances, and one cell high. Ink a glyph would put beyond that (a leaning
// or very wide glyph) is cut off, so what DrawTextA measures is exactly the
// area TextOutA can touch.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/portable/codepage.h"
#include "platform/portable/font_internal.h"
#include "platform/portable/gdi_internal.h"

namespace {

constexpr UINT dt_center = 0x01;
constexpr UINT dt_right = 0x02;
constexpr UINT dt_vcenter = 0x04;
constexpr UINT dt_bottom = 0x08;

struct box {
    std::int64_t left, top, right, bottom;

    box intersect(const box& other) const {
        return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                std::min(bottom, other.bottom)};
    }
    bool empty() const { return left >= right || top >= bottom; }
};

box box_of(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

void fill_box(HBITMAP__* bitmap, const box& area, std::uint32_t pixel) {
    const box inside = area.intersect({0, 0, bitmap->width, bitmap->height});
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
                 std::int64_t originY, const box& clip, std::uint32_t pixel) {
    const box area =
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

struct line_layout {
    std::vector<placed_glyph> glyphs;
    int width = 0;
};

// Draws a laid-out line with its cell's top-left at (x, y), clipped to `clip`
// (if any) and the bitmap. `mnemonic` is the glyph to underline, or -1.
void draw_line(HDC__* dc, font_instance& font, std::int64_t x, std::int64_t y,
               const line_layout& line, const box* clip, int mnemonic) {
    if (dc->target != dc_target::memory) return;
    HBITMAP__* bitmap = dc->bitmap;
    box bounds = box{x, y, x + line.width, y + font.cell_height}.intersect(
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
        fill_box(bitmap, box{from, top, to, top + font.line_thickness}.intersect(bounds), pixel);
    };
    const std::int64_t underline_top = baseline + font.underline_offset;
    if (font.underline) rule(x, x + line.width, underline_top);
    if (font.strike_out) rule(x, x + line.width, baseline - font.ascent / 3);
    if (mnemonic >= 0 && static_cast<std::size_t>(mnemonic) < line.glyphs.size()) {
        const placed_glyph& placed = line.glyphs[static_cast<std::size_t>(mnemonic)];
        rule(x + placed.pen_x, x + placed.pen_x + placed.glyph->advance, underline_top);
    }
}

line_layout lay_out(font_instance& font, std::u32string_view text) {
    line_layout line;
    line.width = font_layout(font, text, line.glyphs);
    return line;
}

// ExtTextOutA's per-character advances: a character made of several bytes
// advances by the sum of their entries.
line_layout lay_out_with_advances(font_instance& font, std::string_view bytes, const INT* dx) {
    line_layout line;
    const UINT page = GetACP();
    std::int64_t pen = 0;
    std::size_t position = 0;
    while (position < bytes.size()) {
        const std::size_t length =
            std::max<std::size_t>(1, char_length(page, bytes.substr(position)));
        const std::u32string points = acp_to_code_points(bytes.substr(position, length));
        std::vector<placed_glyph> glyphs;
        font_layout(font,
                    points.empty() ? std::u32string_view(U"\uFFFD")
                                   : std::u32string_view(points).substr(0, 1),
                    glyphs);
        line.glyphs.push_back({glyphs.front().glyph, static_cast<int>(pen)});
        for (std::size_t i = 0; i < length; ++i) pen += dx[position + i];
        pen = std::clamp<std::int64_t>(pen, 0, INT32_MAX / 2);
        position += length;
    }
    line.width = static_cast<int>(pen);
    return line;
}

struct prefixed_line {
    std::string bytes;
    int mnemonic = -1;  // character index of the underlined character
};

// "&x" underlines x, "&&" shows one '&', a trailing '&' shows nothing.
prefixed_line strip_prefixes(std::string_view bytes) {
    prefixed_line line;
    const UINT page = GetACP();
    int characters = 0;
    std::size_t position = 0;
    while (position < bytes.size()) {
        if (bytes[position] == '&') {
            ++position;
            if (position >= bytes.size()) break;
            if (bytes[position] != '&') line.mnemonic = characters;
        }
        const std::size_t length =
            std::max<std::size_t>(1, char_length(page, bytes.substr(position)));
        line.bytes.append(bytes.substr(position, length));
        position += length;
        ++characters;
    }
    return line;
}

// Splits at "\r\n", "\n" or "\r"; a break at the very end starts no new line.
std::vector<std::string_view> split_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '\n' && text[i] != '\r') {
            ++i;
            continue;
        }
        lines.push_back(text.substr(start, i - start));
        i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < text.size() || lines.empty()) lines.push_back(text.substr(start));
    return lines;
}

}  // namespace

BOOL ExtTextOutA(HDC handle, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* dx) {
    HDC__* dc = gdi_dc(handle);
    if (!dc) return FALSE;
    if ((options & ETO_OPAQUE) && rect && !gdi_fill(dc, *rect, dc->background_colour)) return FALSE;
    if (count == 0 || !text) return TRUE;
    if (dc->target != dc_target::memory) return FALSE;  // text goes to bitmaps only
    font_instance& font = *gdi_current_font(dc)->instance;
    const std::string_view bytes(text, count);
    const line_layout line =
        dx ? lay_out_with_advances(font, bytes, dx) : lay_out(font, acp_to_code_points(bytes));
    box clip{};
    const bool clipped = (options & ETO_CLIPPED) && rect;
    if (clipped) clip = box_of(*rect);
    draw_line(dc, font, x, y, line, clipped ? &clip : nullptr, -1);
    return TRUE;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count) {
    if (count < 0) return FALSE;
    return ExtTextOutA(dc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

int DrawTextA(HDC handle, LPCSTR text, int count, LPRECT rect, UINT format) {
    HDC__* dc = gdi_dc(handle);
    if (!dc || !rect || !text || count < -1) return 0;
    const std::string_view all(text,
                               count == -1 ? std::strlen(text) : static_cast<std::size_t>(count));
    font_instance& font = *gdi_current_font(dc)->instance;
    const int line_height = font.cell_height;
    const bool single = (format & DT_SINGLELINE) != 0;

    std::vector<std::string_view> pieces =
        single ? std::vector<std::string_view>{all} : split_lines(all);
    // Nothing at all measures zero wide and, across several lines, zero high.
    if (all.empty() && !single) pieces.clear();
    std::vector<prefixed_line> texts;
    std::vector<line_layout> lines;
    int widest = 0;
    for (std::string_view piece : pieces) {
        prefixed_line prefixed =
            (format & DT_NOPREFIX) ? prefixed_line{std::string(piece), -1} : strip_prefixes(piece);
        lines.push_back(lay_out(font, acp_to_code_points(prefixed.bytes)));
        widest = std::max(widest, lines.back().width);
        texts.push_back(std::move(prefixed));
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
    const box clip = box_of(*rect);
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
