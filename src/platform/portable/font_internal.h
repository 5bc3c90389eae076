// Fonts of the portable GDI: a FreeType face chosen through fontconfig, sized
// the Win32 way, with a cache of rendered glyphs. Text is laid out without
// kerning, each glyph advancing a whole number of pixels, so the width of a
// line is exactly the sum of the advances it is drawn with.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct glyph_image {
    int advance = 0;  // pixels, synthetic emboldening included
    int left = 0;     // coverage origin right of the pen position
    int top = 0;      // coverage origin above the baseline
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage;  // width * height, rows top-down, 0..255
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
    std::string family;

    std::mutex mutex;  // guards the face and the cache
    std::unordered_map<char32_t, glyph_image> glyphs;
};

// Where a face lives: resolved once per requested family and style.
struct resolved_face {
    std::string file;  // empty when nothing was found
    int index = 0;
    std::string family;
};

// Resolves a family name (UTF-8; empty for "any") to a face file: the family
// itself, else a CJK-capable face, else any scalable face on the system.
resolved_face resolve_face(const std::string& family, int weight, bool italic);

// The process's FreeType library, created on first use (null if it cannot be).
FT_Library font_library();

font_instance* font_create(int height, int width, int weight, bool italic, bool underline,
                           bool strikeOut, const std::string& familyUtf8);

struct placed_glyph {
    const glyph_image* glyph;
    int pen_x;  // from the start of the line
};

// Lays out code points left to right; returns the line's width in pixels.
// Glyph images stay valid for the life of the font.
int font_layout(font_instance& font, std::u32string_view text, std::vector<placed_glyph>& out);
