// The shared part of the portable GDI's text output. The A and W functions
// differ only in how they read their text; both lay out and draw code points
// here, so the same characters give the same pixels whichever way they came.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/gdi/gdi_internal.h"
#include "platform/portable/text/font_internal.h"

struct text_box {
    std::int64_t left, top, right, bottom;

    text_box intersect(const text_box& other) const;
    bool empty() const { return left >= right || top >= bottom; }
};

inline text_box box_of(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

struct line_layout {
    std::vector<placed_glyph> glyphs;
    int width = 0;
};

line_layout lay_out(font_instance& font, std::u32string_view text);

// Draws a laid-out line with its cell's top-left at (x, y), clipped to `clip`
// (if any) and the bitmap. `mnemonic` is the glyph to underline, or -1.
void draw_line(HDC__* dc, font_instance& font, std::int64_t x, std::int64_t y,
               const line_layout& line, const text_box* clip, int mnemonic);

// One line of DrawText, its prefixes already taken out.
struct text_line {
    std::u32string points;
    int mnemonic = -1;  // character index of the underlined character
};

// Measures (DT_CALCRECT) or draws the lines in the context's font; returns
// what DrawText returns.
int draw_text_lines(HDC__* dc, const std::vector<text_line>& lines, bool single, RECT* rect,
                    UINT format);

// The common part of ExtTextOutA and ExtTextOutW: the opaque fill, then the
// line that `layout` makes in the context's font, clipped with ETO_CLIPPED.
template <typename Layout>
BOOL ext_text_out(HDC handle, int x, int y, UINT options, const RECT* rect, bool hasText,
                  Layout layout) {
    HDC__* dc = gdi_dc(handle);
    if (!dc) return FALSE;
    if ((options & ETO_OPAQUE) && rect && !gdi_fill(dc, *rect, dc->background_colour)) return FALSE;
    if (!hasText) return TRUE;
    if (dc->target != dc_target::memory) return FALSE;  // text goes to bitmaps only
    font_instance& font = *gdi_current_font(dc)->instance;
    const line_layout line = layout(font);
    const bool clipped = (options & ETO_CLIPPED) && rect;
    const text_box clip = clipped ? box_of(*rect) : text_box{};
    draw_line(dc, font, x, y, line, clipped ? &clip : nullptr, -1);
    return TRUE;
}

// Splits at "\r\n", "\n" or "\r"; a break at the very end starts no new line.
template <typename Char>
std::vector<std::basic_string_view<Char>> split_lines(std::basic_string_view<Char> text) {
    std::vector<std::basic_string_view<Char>> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != Char('\n') && text[i] != Char('\r')) {
            ++i;
            continue;
        }
        lines.push_back(text.substr(start, i - start));
        i += (text[i] == Char('\r') && i + 1 < text.size() && text[i + 1] == Char('\n')) ? 2 : 1;
        start = i;
    }
    if (start < text.size() || lines.empty()) lines.push_back(text.substr(start));
    return lines;
}

template <typename Char>
struct prefixed_text {
    std::basic_string<Char> text;
    int mnemonic = -1;  // character index of the underlined character
};

// "&x" underlines x, "&&" shows one '&', a trailing '&' shows nothing.
// `char_length` gives the units of the character at the front of a view.
template <typename Char, typename CharLength>
prefixed_text<Char> strip_prefixes(std::basic_string_view<Char> text, CharLength char_length) {
    prefixed_text<Char> line;
    int characters = 0;
    std::size_t position = 0;
    while (position < text.size()) {
        if (text[position] == Char('&')) {
            ++position;
            if (position >= text.size()) break;
            if (text[position] != Char('&')) line.mnemonic = characters;
        }
        std::size_t length = char_length(text.substr(position));
        if (length == 0) length = 1;
        line.text.append(text.substr(position, length));
        position += length;
        ++characters;
    }
    return line;
}
