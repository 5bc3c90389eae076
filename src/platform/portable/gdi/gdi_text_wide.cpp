// Text output of the portable GDI for UTF-16 text: ExtTextOutW, TextOutW,
// DrawTextW and GetTextExtentPoint32W. A surrogate pair is one character; a
// lone surrogate is drawn as U+FFFD.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/portable/gdi/gdi_text_internal.h"
#include "platform/portable/text/unicode_text.h"

namespace {

// ExtTextOutW's advances: one entry per UTF-16 unit, so a surrogate pair
// advances by the sum of its two entries.
line_layout lay_out_with_advances(font_instance& font, std::u16string_view text, const INT* dx) {
    line_layout line;
    std::int64_t pen = 0;
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t length = utf16_char_length(text.substr(position));
        const std::u32string point = utf16_to_code_points(text.substr(position, length));
        std::vector<placed_glyph> glyphs;
        font_layout(font, point, glyphs);
        line.glyphs.push_back({glyphs.front().glyph, static_cast<int>(pen)});
        for (std::size_t i = 0; i < length; ++i) pen += dx[position + i];
        pen = std::clamp<std::int64_t>(pen, 0, INT32_MAX / 2);
        position += length;
    }
    line.width = static_cast<int>(pen);
    return line;
}

}  // namespace

BOOL ExtTextOutW(HDC handle, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                 const INT* dx) {
    const std::u16string_view units(text ? text : u"", text ? count : 0);
    return ext_text_out(handle, x, y, options, rect, count != 0 && text, [&](font_instance& font) {
        return dx ? lay_out_with_advances(font, units, dx)
                  : lay_out(font, utf16_to_code_points(units));
    });
}

BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count) {
    if (count < 0) return FALSE;
    return ExtTextOutW(dc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

int DrawTextW(HDC handle, LPCWSTR text, int count, LPRECT rect, UINT format) {
    HDC__* dc = gdi_dc(handle);
    if (!dc || !rect || !text || count < -1) return 0;
    const std::u16string_view all(
        text, count == -1 ? wide_length(text) : static_cast<std::size_t>(count));
    const bool single = (format & DT_SINGLELINE) != 0;
    std::vector<std::u16string_view> pieces =
        single ? std::vector<std::u16string_view>{all} : split_lines(all);
    // Nothing at all measures zero wide and, across several lines, zero high.
    if (all.empty() && !single) pieces.clear();
    std::vector<text_line> lines;
    for (std::u16string_view piece : pieces) {
        if (format & DT_NOPREFIX) {
            lines.push_back({utf16_to_code_points(piece), -1});
            continue;
        }
        const prefixed_text<char16_t> prefixed = strip_prefixes(piece, utf16_char_length);
        lines.push_back({utf16_to_code_points(prefixed.text), prefixed.mnemonic});
    }
    return draw_text_lines(dc, lines, single, rect, format);
}

BOOL GetTextExtentPoint32W(HDC handle, LPCWSTR text, int count, LPSIZE size) {
    HDC__* dc = gdi_dc(handle);
    if (!dc || !size || count < 0 || (count > 0 && !text)) return FALSE;
    font_instance& font = *gdi_current_font(dc)->instance;
    const std::u16string_view units(text ? text : u"", static_cast<std::size_t>(count));
    const line_layout line = lay_out(font, utf16_to_code_points(units));
    size->cx = line.width;
    size->cy = font.cell_height;
    return TRUE;
}

DWORD GetGlyphIndicesW(HDC handle, LPCWSTR text, int count, WORD* glyphs, DWORD flags) {
    HDC__* dc = gdi_dc(handle);
    if (!dc || count < 0 || (count > 0 && (!text || !glyphs))) return GDI_ERROR;
    font_instance& font = *gdi_current_font(dc)->instance;
    // The selected font's own glyphs, one per UTF-16 unit, as Windows gives
    // them: a stand-in face's glyphs do not count.
    const std::lock_guard<std::mutex> lock(font.mutex);
    for (int i = 0; i < count; ++i) {
        const FT_UInt index = font.face ? FT_Get_Char_Index(font.face, text[i]) : 0;
        if (index == 0) {
            glyphs[i] = (flags & GGI_MARK_NONEXISTING_GLYPHS) ? 0xFFFF : 0;
        } else {
            glyphs[i] = static_cast<WORD>(index > 0xFFFE ? 0xFFFE : index);
        }
    }
    return static_cast<DWORD>(count);
}
