// Rendering a font's glyphs into its cache: from the font's own face, or, for
// a character that face has no glyph for, from a stand-in face that has one,
// set to the same em and emboldened to the same weight.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <mutex>

#include "platform/portable/text/font_internal.h"

namespace {

// The strokes a face is drawn with: synthetic bold and slant, as the font asks.
struct face_style {
    FT_Face face;
    FT_Pos embolden;
    bool synthetic_italic;
};

void render_glyph(const face_style& style, char32_t code, glyph_image& image) {
    FT_Face face = style.face;
    if (!face) return;
    const FT_UInt index = FT_Get_Char_Index(face, code);  // 0 is the face's missing-glyph box
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return;
    FT_GlyphSlot slot = face->glyph;
    image.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (style.synthetic_italic) {
            const FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};  // about 12 degrees
            FT_Outline_Transform(&slot->outline, &shear);
        }
        if (style.embolden > 0) {
            // The outline grows by half the strength on every side; moving it
            // right keeps the left edge in place, so the glyph grows to the
            // right by what its advance grows.
            FT_Outline_EmboldenXY(&slot->outline, style.embolden, style.embolden);
            FT_Outline_Translate(&slot->outline, style.embolden / 2, 0);
        }
    }
    image.advance += static_cast<int>(style.embolden >> 6);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.width == 0 || bitmap.rows == 0) return;
    image.left = slot->bitmap_left;
    image.top = slot->bitmap_top;
    image.width = static_cast<int>(bitmap.width);
    image.height = static_cast<int>(bitmap.rows);
    image.coverage.resize(static_cast<std::size_t>(image.width) * image.height);
    const int pitch = bitmap.pitch;
    for (int row = 0; row < image.height; ++row) {
        const unsigned char* source =
            pitch >= 0
                ? bitmap.buffer + static_cast<std::ptrdiff_t>(row) * pitch
                : bitmap.buffer + static_cast<std::ptrdiff_t>(image.height - 1 - row) * -pitch;
        std::copy(source, source + image.width,
                  image.coverage.begin() + static_cast<std::ptrdiff_t>(row) * image.width);
    }
}

// Control characters are nobody's to draw: they keep the font's own
// missing-glyph box rather than sending fontconfig looking.
bool is_control(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code < 0xA0);
}

fallback_face* open_fallback(font_instance& font, const resolved_face& where) {
    for (const auto& existing : font.fallbacks) {
        if (existing->file == where.file && existing->index == where.index)
            return existing->face ? existing.get() : nullptr;
    }
    auto fallback = std::make_unique<fallback_face>();
    fallback->file = where.file;
    fallback->index = where.index;
    FT_Library library = font_library();
    if (library) {
        std::lock_guard<std::mutex> lock(font_library_mutex());
        if (FT_New_Face(library, where.file.c_str(), where.index, &fallback->face) != 0)
            fallback->face = nullptr;
        if (fallback->face && !FT_IS_SCALABLE(fallback->face)) {
            FT_Done_Face(fallback->face);
            fallback->face = nullptr;
        }
    }
    if (FT_Face face = fallback->face) {
        FT_Select_Charmap(face, FT_ENCODING_UNICODE);
        FT_Set_Char_Size(face, font.width26, font.em26, 72, 72);
        fallback->embolden = synthetic_embolden(font.weight, font.em_pixels, face_is_bold(face));
        fallback->synthetic_italic = font.italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
    }
    // A file that cannot be opened is remembered too, so it is tried once.
    font.fallbacks.push_back(std::move(fallback));
    return font.fallbacks.back()->face ? font.fallbacks.back().get() : nullptr;
}

// The face that draws `code`: the font's own when it has the glyph (or when
// no other face has it either), else the stand-in.
face_style style_for(font_instance& font, char32_t code) {
    const face_style own{font.face, font.embolden, font.synthetic_italic};
    if (!font.face || is_control(code) || FT_Get_Char_Index(font.face, code) != 0) return own;
    const resolved_face primary{font.file, font.face_index, font.family};
    const resolved_face where =
        resolve_fallback(primary, font.weight >= 600, font.italic, font.language, code);
    if (where.file.empty()) return own;
    const fallback_face* fallback = open_fallback(font, where);
    if (!fallback || FT_Get_Char_Index(fallback->face, code) == 0) return own;
    return {fallback->face, fallback->embolden, fallback->synthetic_italic};
}

}  // namespace

int font_layout(font_instance& font, std::u32string_view text, std::vector<placed_glyph>& out) {
    std::lock_guard<std::mutex> lock(font.mutex);
    std::int64_t pen = 0;
    for (char32_t code : text) {
        auto it = font.glyphs.find(code);
        if (it == font.glyphs.end()) {
            it = font.glyphs.emplace(code, glyph_image{}).first;
            render_glyph(style_for(font, code), code, it->second);
        }
        // A line longer than any bitmap stops growing instead of overflowing.
        out.push_back({&it->second, static_cast<int>(std::min<std::int64_t>(pen, INT32_MAX / 2))});
        pen = std::min<std::int64_t>(pen + it->second.advance, INT32_MAX / 2);
    }
    return static_cast<int>(pen);
}
