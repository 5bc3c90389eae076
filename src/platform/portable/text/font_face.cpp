// CreateFontA, CreateFontW and GetTextMetricsA: opening and sizing FreeType
// faces the Win32 way.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <mutex>

#include "platform/portable/gdi/gdi_internal.h"
#include "platform/portable/text/codepage.h"
#include "platform/portable/text/font_internal.h"
#include "platform/portable/text/unicode_text.h"

namespace {

// Heights beyond this are clamped: a glyph is rendered whole, and a font
// thousands of pixels high would take hundreds of megabytes of cache.
constexpr int max_pixel_height = 2048;
// Windows' own default when a font is asked for with height 0.
constexpr int default_cell_height = 16;

std::mutex library_mutex;

// Rounds a / b to the nearest integer for non-negative a and positive b.
std::int64_t round_div(std::int64_t a, std::int64_t b) {
    return (a + b / 2) / b;
}

struct vertical_metrics {
    std::int64_t ascent;   // font units
    std::int64_t descent;  // font units, positive below the baseline
};

// Windows sizes a font by its OS/2 win metrics, which bound every glyph;
// faces without them use the horizontal header.
vertical_metrics face_metrics(FT_Face face) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        return {os2->usWinAscent, os2->usWinDescent};
    }
    const std::int64_t ascent = face->ascender;
    const std::int64_t descent = -std::int64_t{face->descender};
    if (ascent + descent > 0) return {ascent, descent};
    return {face->units_per_EM, 0};
}

void size_font(font_instance& font, int height, int width, bool realBold) {
    FT_Face face = font.face;
    const vertical_metrics metrics = face_metrics(face);
    const std::int64_t units = metrics.ascent + metrics.descent;
    const std::int64_t em_units = face->units_per_EM > 0 ? face->units_per_EM : units;
    // Positive heights give the cell (ascent + descent), negative ones the em.
    std::int64_t em26;  // em size in 26.6 pixels
    if (height > 0) {
        font.cell_height = height;
        font.ascent = static_cast<int>(round_div(std::int64_t{height} * metrics.ascent, units));
        font.descent = height - font.ascent;
        em26 = round_div(std::int64_t{height} * 64 * em_units, units);
    } else {
        const std::int64_t em = -std::int64_t{height};
        font.ascent = static_cast<int>(round_div(em * metrics.ascent, em_units));
        font.descent = static_cast<int>(round_div(em * metrics.descent, em_units));
        font.cell_height = font.ascent + font.descent;
        em26 = em * 64;
    }
    em26 = std::max<std::int64_t>(em26, 64);
    const int em_pixels = static_cast<int>(round_div(em26, 64));
    font.internal_leading = std::max(0, font.cell_height - em_pixels);

    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const std::int64_t average_units =
        os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : em_units / 2;
    const int natural_average =
        std::max(1, static_cast<int>(round_div(em26 * average_units, em_units * 64)));
    // A width asks for that average character width: stretch horizontally.
    std::int64_t width26 = em26;
    if (width > 0)
        width26 = std::max<std::int64_t>(
            64, round_div(em26 * std::min(width, max_pixel_height), natural_average));
    FT_Set_Char_Size(face, width26, em26, 72, 72);

    font.average_width = width > 0 ? std::min(width, max_pixel_height) : natural_average;
    font.max_width = static_cast<int>(round_div(width26 * face->max_advance_width, em_units * 64));

    font.em26 = static_cast<FT_F26Dot6>(em26);
    font.width26 = static_cast<FT_F26Dot6>(width26);
    font.em_pixels = em_pixels;
    font.embolden = synthetic_embolden(font.weight, em_pixels, realBold);

    font.line_thickness = std::max(1, static_cast<int>(round_div(std::int64_t{em_pixels}, 20)));
    if (face->underline_position < 0) {
        font.underline_offset =
            std::max(1, static_cast<int>(round_div(
                            -std::int64_t{face->underline_position} * em_pixels, em_units)));
    }
    font.underline_offset =
        std::min(font.underline_offset, std::max(0, font.descent - font.line_thickness));
}

}  // namespace

FT_Pos synthetic_embolden(int weight, int emPixels, bool faceBold) {
    // Synthetic bold grows strokes by a share of the em, more for heavier
    // weights; whole pixels, so advances stay whole pixels too.
    const int base_weight = faceBold ? 700 : 400;
    if (weight < 600 || weight - base_weight < 100) return 0;
    const std::int64_t pixels =
        std::max<std::int64_t>(1, round_div(std::int64_t{emPixels} * (weight - base_weight), 7200));
    return static_cast<FT_Pos>(pixels * 64);
}

bool face_is_bold(FT_Face face) {
    // The face file says best whether it is bold itself (a match pattern may
    // carry the requested style rather than the face's own).
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    return os2 && os2->version != 0xFFFF && os2->usWeightClass > 0
               ? os2->usWeightClass >= 600
               : (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
}

std::mutex& font_library_mutex() {
    return library_mutex;
}

FT_Library font_library() {
    static FT_Library library = nullptr;
    static bool tried = false;
    std::lock_guard<std::mutex> lock(library_mutex);
    if (!tried) {
        tried = true;
        if (FT_Init_FreeType(&library) != 0) library = nullptr;
    }
    return library;
}

font_instance* font_create(int height, int width, int weight, bool italic, bool underline,
                           bool strikeOut, const std::string& familyUtf8,
                           const std::string& language) {
    auto* font = new font_instance();
    font->weight = weight > 0 ? std::min(weight, 1000) : 400;
    font->italic = italic;
    font->underline = underline;
    font->strike_out = strikeOut;
    height = std::clamp(height, -max_pixel_height, max_pixel_height);
    if (height == 0) height = default_cell_height;

    font->language = language;
    const resolved_face where = resolve_face(familyUtf8, font->weight, italic, language);
    FT_Library library = font_library();
    if (library && !where.file.empty()) {
        std::lock_guard<std::mutex> lock(library_mutex);  // FT_New_Face touches the library
        if (FT_New_Face(library, where.file.c_str(), where.index, &font->face) != 0)
            font->face = nullptr;
    }
    if (font->face && !FT_IS_SCALABLE(font->face)) {
        FT_Done_Face(font->face);
        font->face = nullptr;
    }
    if (!font->face) {
        // Nothing to draw with: lines still measure one cell high, zero wide.
        font->cell_height = height > 0 ? height : -height;
        font->ascent = font->cell_height;
        return font;
    }
    FT_Select_Charmap(font->face, FT_ENCODING_UNICODE);
    font->file = where.file;
    font->face_index = where.index;
    font->family = where.family;
    const bool face_bold = face_is_bold(font->face);
    const bool face_italic = (font->face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    font->synthetic_italic = italic && !face_italic;
    size_font(*font, height, width, face_bold);
    return font;
}

font_instance* font_create_default() {
    // The stock GUI font: a small face that can draw the ANSI code page's text.
    return font_create(-11, 0, 400, false, false, false, std::string());
}

void font_release(font_instance* instance) {
    if (!instance) return;
    {
        std::lock_guard<std::mutex> lock(library_mutex);
        if (instance->face) FT_Done_Face(instance->face);
        for (const auto& fallback : instance->fallbacks) {
            if (fallback->face) FT_Done_Face(fallback->face);
        }
    }
    delete instance;
}

const char* charset_language(DWORD charSet) {
    switch (charSet) {
        case SHIFTJIS_CHARSET:
            return "ja";
        case HANGUL_CHARSET:
        case JOHAB_CHARSET:
            return "ko";
        case GB2312_CHARSET:
            return "zh-cn";
        case CHINESEBIG5_CHARSET:
            return "zh-tw";
        case GREEK_CHARSET:
            return "el";
        case TURKISH_CHARSET:
            return "tr";
        case VIETNAMESE_CHARSET:
            return "vi";
        case HEBREW_CHARSET:
            return "he";
        case ARABIC_CHARSET:
            return "ar";
        case BALTIC_CHARSET:
            return "lt";
        case RUSSIAN_CHARSET:
            return "ru";
        case THAI_CHARSET:
            return "th";
        case EASTEUROPE_CHARSET:
            return "pl";
        default:
            return "";
    }
}

namespace {

HFONT make_font(int height, int width, int weight, DWORD italic, DWORD underline, DWORD strikeOut,
                DWORD charSet, const std::string& family) {
    auto* font = new HFONT__();
    font->instance = font_create(height, width, weight, italic != 0, underline != 0, strikeOut != 0,
                                 family, charset_language(charSet));
    gdi_register(&font->header);
    return font;
}

// A face name holds at most 32 characters, the terminating zero included.
constexpr std::size_t face_name_units = 32;

}  // namespace

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
    // Face names are in the ANSI code page, like every other string.
    const std::string family =
        faceName ? acp_to_utf8(std::string_view(faceName, strnlen(faceName, face_name_units)))
                 : std::string();
    return make_font(height, width, weight, italic, underline, strikeOut, charSet, family);
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName) {
    std::size_t length = 0;
    while (faceName && length < face_name_units && faceName[length] != 0) ++length;
    const std::string family =
        faceName ? utf16_to_utf8(std::u16string_view(faceName, length)) : std::string();
    return make_font(height, width, weight, italic, underline, strikeOut, charSet, family);
}

BOOL GetTextMetricsA(HDC handle, TEXTMETRICA* metrics) {
    HDC__* dc = gdi_dc(handle);
    if (!dc || !metrics) return FALSE;
    const font_instance& font = *gdi_current_font(dc)->instance;
    *metrics = TEXTMETRICA{};
    metrics->tmHeight = font.cell_height;
    metrics->tmAscent = font.ascent;
    metrics->tmDescent = font.descent;
    metrics->tmInternalLeading = font.internal_leading;
    metrics->tmExternalLeading = 0;
    metrics->tmAveCharWidth = font.average_width;
    metrics->tmMaxCharWidth = font.max_width;
    metrics->tmWeight = font.weight;
    metrics->tmOverhang = 0;
    metrics->tmDigitizedAspectX = 96;
    metrics->tmDigitizedAspectY = 96;
    metrics->tmFirstChar = 0x20;
    metrics->tmLastChar = 0xFF;
    metrics->tmDefaultChar = '?';
    metrics->tmBreakChar = ' ';
    metrics->tmItalic = font.italic ? 1 : 0;
    metrics->tmUnderlined = font.underline ? 1 : 0;
    metrics->tmStruckOut = font.strike_out ? 1 : 0;
    metrics->tmCharSet = GetACP() == 936 ? 134 : 0;  // GB2312_CHARSET or ANSI_CHARSET
    return TRUE;
}
