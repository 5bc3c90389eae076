#include "config/message_font.h"

#include <vector>

#include "config/text_conversion.h"

namespace {

// Character sets of the scripts a message may hold (Win32's values).
constexpr BYTE ansi_charset = 0;
constexpr BYTE default_charset = 1;
constexpr BYTE shiftjis_charset = 128;
constexpr BYTE hangul_charset = 129;
constexpr BYTE gb2312_charset = 134;
constexpr BYTE big5_charset = 136;
constexpr BYTE greek_charset = 161;
constexpr BYTE hebrew_charset = 177;
constexpr BYTE arabic_charset = 178;
constexpr BYTE russian_charset = 204;
constexpr BYTE thai_charset = 222;
constexpr BYTE easteurope_charset = 238;
constexpr int no_charset = -1;

// Han characters are shared by the East Asian scripts; a system whose code
// page is one of theirs has fonts for its own.
BYTE han_charset() {
    switch (GetACP()) {
        case 932:
            return shiftjis_charset;
        case 949:
            return hangul_charset;
        case 950:
            return big5_charset;
        default:
            return gb2312_charset;
    }
}

int charset_of(char32_t c) {
    if (c < 0xA0) return no_charset;
    if (c <= 0xFF) return ansi_charset;
    if (c <= 0x024F) return easteurope_charset;
    if (c >= 0x0370 && c <= 0x03FF) return greek_charset;
    if (c >= 0x0400 && c <= 0x052F) return russian_charset;
    if (c >= 0x0590 && c <= 0x05FF) return hebrew_charset;
    if (c >= 0x0600 && c <= 0x06FF) return arabic_charset;
    if (c >= 0x0E00 && c <= 0x0E7F) return thai_charset;
    if ((c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F) ||
        (c >= 0xAC00 && c <= 0xD7AF)) {
        return hangul_charset;
    }
    if ((c >= 0x3040 && c <= 0x30FF) || (c >= 0x31F0 && c <= 0x31FF)) return shiftjis_charset;
    if ((c >= 0x2E80 && c <= 0x303F) || (c >= 0x3400 && c <= 0x4DBF) ||
        (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
        (c >= 0xFF00 && c <= 0xFFEF) || c >= 0x20000) {
        return han_charset();
    }
    return no_charset;
}

HFONT make_font(int weight, const wide_text& face, BYTE charset) {
    return CreateFontW(48, 0, 0, 0, weight, 0, 0, 0, charset, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       face.c_str());
}

// How many of `chars` the font has no glyph for.
std::size_t missing_glyphs(HDC dc, HFONT font, const wide_text& chars) {
    const HGDIOBJ previous = SelectObject(dc, font);
    std::vector<WORD> glyphs(chars.size());
    std::size_t missing = chars.size();
    if (GetGlyphIndicesW(dc, chars.data(), static_cast<int>(chars.size()), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR) {
        missing = 0;
        for (WORD glyph : glyphs) missing += glyph == 0xFFFF ? 1 : 0;
    }
    SelectObject(dc, previous);
    return missing;
}

}  // namespace

HFONT__* create_message_font(int weight, std::string_view face_utf8, std::string_view sample,
                             text_encoding encoding) {
    const wide_text face = to_wide(face_utf8, text_encoding::utf8);
    if (encoding == text_encoding::ansi) return make_font(weight, face, default_charset);

    // The sample's characters beyond ASCII (surrogate pairs left whole), and
    // the character sets of their scripts in order of appearance.
    const wide_text text = to_wide(sample, encoding);
    wide_text chars;
    std::vector<BYTE> candidates{default_charset};
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            chars.push_back(text[i]);
            chars.push_back(text[++i]);
        } else if (c >= 0x80) {
            chars.push_back(text[i]);
        }
        const int charset = charset_of(c);
        if (charset == no_charset) continue;
        bool seen = false;
        for (BYTE known : candidates) seen = seen || known == charset;
        if (!seen) candidates.push_back(static_cast<BYTE>(charset));
    }
    if (candidates.size() == 1) return make_font(weight, face, default_charset);

    const HDC dc = CreateCompatibleDC(nullptr);
    HFONT best = nullptr;
    std::size_t best_missing = 0;
    for (BYTE charset : candidates) {
        const HFONT font = make_font(weight, face, charset);
        if (!font) continue;
        const std::size_t missing = dc ? missing_glyphs(dc, font, chars) : 0;
        if (!best || missing < best_missing) {
            if (best) DeleteObject(best);
            best = font;
            best_missing = missing;
        } else {
            DeleteObject(font);
        }
        if (best_missing == 0) break;
    }
    if (dc) DeleteDC(dc);
    return best;
}
