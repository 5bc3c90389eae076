// Finding a face for a character the chosen face cannot draw. fontconfig sorts
// the system's faces by how close they come to the chosen one (family, weight,
// slant, language); the first of them that has the character draws it. The
// sorted list is made once per face and style, and every character's answer
// is kept, since asking fontconfig costs milliseconds.
#include <fontconfig/fontconfig.h>

#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "platform/portable/text/font_internal.h"

namespace {

struct candidate_list {
    FcFontSet* faces = nullptr;  // sorted, closest first; null when fontconfig has none
    std::unordered_map<char32_t, resolved_face> answers;
};

using list_key = std::tuple<std::string, int, std::string, bool, bool, std::string>;

std::mutex lists_mutex;

FcFontSet* sorted_faces(const std::string& family, bool bold, bool italic,
                        const std::string& language) {
    if (!FcInit()) return nullptr;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return nullptr;
    if (!family.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    if (!language.empty())
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    // Trimmed: a face that adds no character to those before it is left out;
    // it could never be the first to have one.
    FcFontSet* faces = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
    FcPatternDestroy(pattern);
    return faces;
}

resolved_face first_with(const FcFontSet* faces, const resolved_face& primary, char32_t code) {
    resolved_face found;
    for (int i = 0; faces && i < faces->nfont; ++i) {
        FcPattern* face = faces->fonts[i];
        FcBool scalable = FcFalse;
        FcCharSet* charset = nullptr;
        FcChar8* file = nullptr;
        if (FcPatternGetBool(face, FC_SCALABLE, 0, &scalable) != FcResultMatch || !scalable)
            continue;
        if (FcPatternGetCharSet(face, FC_CHARSET, 0, &charset) != FcResultMatch || !charset ||
            !FcCharSetHasChar(charset, code))
            continue;
        if (FcPatternGetString(face, FC_FILE, 0, &file) != FcResultMatch || !file) continue;
        int index = 0;
        FcPatternGetInteger(face, FC_INDEX, 0, &index);
        const std::string path = reinterpret_cast<const char*>(file);
        if (path == primary.file && index == primary.index) continue;
        found.file = path;
        found.index = index;
        FcChar8* family = nullptr;
        if (FcPatternGetString(face, FC_FAMILY, 0, &family) == FcResultMatch && family)
            found.family = reinterpret_cast<const char*>(family);
        break;
    }
    return found;
}

}  // namespace

resolved_face resolve_fallback(const resolved_face& primary, bool bold, bool italic,
                               const std::string& language, char32_t code) {
    // The lists live as long as the process: fonts are made and dropped again
    // and again, the faces they can fall back on do not change.
    static std::map<list_key, candidate_list> lists;
    std::lock_guard<std::mutex> lock(lists_mutex);
    const list_key key{primary.file, primary.index, primary.family, bold, italic, language};
    auto it = lists.find(key);
    if (it == lists.end()) {
        it = lists.emplace(key, candidate_list{}).first;
        it->second.faces = sorted_faces(primary.family, bold, italic, language);
    }
    candidate_list& list = it->second;
    auto answer = list.answers.find(code);
    if (answer == list.answers.end())
        answer = list.answers.emplace(code, first_with(list.faces, primary, code)).first;
    return answer->second;
}
