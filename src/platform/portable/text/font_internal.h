// Fonts of the portable GDI: a FreeType face chosen through fontconfig, sized
// the Win32 way, with a cache of rendered glyphs. Text is laid out without
// kerning, each glyph advancing a whole number of pixels, so the width of a
// line is exactly the sum of the advances it is drawn with. A character the
// face has no glyph for is drawn from another face that has one, at the same
// size; measuring and drawing take it from the same cache.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/portable/windows.h"

struct glyph_image {
    int advance = 0;  // pixels, synthetic emboldening included
    int left = 0;     // coverage origin right of the pen position
    int top = 0;      // coverage origin above the baseline
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage;  // width * height, rows top-down, 0..255
};

// A face that stands in for the font's own where that has no glyph.
struct fallback_face {
    std::string file;
    int index = 0;
    FT_Face face = nullptr;  // null when the file could not be opened
    FT_Pos embolden = 0;     // 26.6 pixels, as the font's own for this face
    bool synthetic_italic = false;
};

struct font_instance {
    FT_Face face = nullptr;  // null when no font file could be opened at all
    int cell_height = 0;     // ascent + descent, the height of one line
    int ascent = 0;
    int descent = 0;
    int internal_leading = 0;
    int average_width = 0;
    int max_width = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strike_out = false;
    FT_Pos embolden = 0;  // 26.6 pixels of synthetic bold, 0 for a real face
    bool synthetic_italic = false;
    int underline_offset = 1;  // below the baseline
    int line_thickness = 1;
    std::string file;  // what was opened, for diagnostics and tests
    int face_index = 0;
    std::string family;
    std::string language;    // fontconfig language of the requested character set; "" for none
    FT_F26Dot6 em26 = 0;     // the em every face of the font is set to, 26.6 pixels
    FT_F26Dot6 width26 = 0;  // the horizontal size that goes with it
    int em_pixels = 0;

    std::mutex mutex;  // guards the faces and the cache
    std::unordered_map<char32_t, glyph_image> glyphs;
    std::vector<std::unique_ptr<fallback_face>> fallbacks;  // opened as characters need them
};

// Where a face lives: resolved once per requested family and style.
struct resolved_face {
    std::string file;  // empty when nothing was found
    int index = 0;
    std::string family;
};

// Resolves a family name (UTF-8; empty for "any") to a face file: the family
// itself, else a face for `language` (a fontconfig language such as "ru"; ""
// for none), else a CJK-capable face, else any scalable face on the system.
resolved_face resolve_face(const std::string& family, int weight, bool italic,
                           const std::string& language = std::string());

// The face that draws `code` in place of the primary face (file and index)
// of the given family and style: fontconfig's closest face that has the
// character. Empty when none has it. Answers are kept for the process.
resolved_face resolve_fallback(const resolved_face& primary, bool bold, bool italic,
                               const std::string& language, char32_t code);

// The fontconfig language a Win32 character set asks for; "" for the sets that
// name no script (ANSI, DEFAULT, SYMBOL, OEM, ...).
const char* charset_language(DWORD charSet);

// The process's FreeType library, created on first use (null if it cannot be),
// and the lock that opening and closing faces takes.
FT_Library font_library();
std::mutex& font_library_mutex();

// Whether the face file is bold itself, and the synthetic emboldening (26.6
// pixels) that makes up the difference to the asked weight at this em.
bool face_is_bold(FT_Face face);
FT_Pos synthetic_embolden(int weight, int emPixels, bool faceBold);

font_instance* font_create(int height, int width, int weight, bool italic, bool underline,
                           bool strikeOut, const std::string& familyUtf8,
                           const std::string& language = std::string());

struct placed_glyph {
    const glyph_image* glyph;
    int pen_x;  // from the start of the line
};

// Lays out code points left to right; returns the line's width in pixels.
// Glyph images stay valid for the life of the font.
int font_layout(font_instance& font, std::u32string_view text, std::vector<placed_glyph>& out);
