// Text output of the portable GDI for text in the ANSI code page: ExtTextOutA,
// TextOutA and DrawTextA. Prefixes and line breaks are found in the bytes, as
// CharNextA steps through them; the characters are then drawn as code points.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/portable/gdi/gdi_text_internal.h"
#include "platform/portable/text/codepage.h"

namespace {

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

}  // namespace

BOOL ExtTextOutA(HDC handle, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* dx) {
    const std::string_view bytes(text ? text : "", text ? count : 0);
    return ext_text_out(handle, x, y, options, rect, count != 0 && text, [&](font_instance& font) {
        return dx ? lay_out_with_advances(font, bytes, dx)
                  : lay_out(font, acp_to_code_points(bytes));
    });
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
    const bool single = (format & DT_SINGLELINE) != 0;
    std::vector<std::string_view> pieces =
        single ? std::vector<std::string_view>{all} : split_lines(all);
    // Nothing at all measures zero wide and, across several lines, zero high.
    if (all.empty() && !single) pieces.clear();
    const UINT page = GetACP();
    std::vector<text_line> lines;
    for (std::string_view piece : pieces) {
        if (format & DT_NOPREFIX) {
            lines.push_back({acp_to_code_points(piece), -1});
            continue;
        }
        const prefixed_text<char> prefixed = strip_prefixes(
            piece, [page](std::string_view rest) { return char_length(page, rest); });
        lines.push_back({acp_to_code_points(prefixed.text), prefixed.mnemonic});
    }
    return draw_text_lines(dc, lines, single, rect, format);
}
