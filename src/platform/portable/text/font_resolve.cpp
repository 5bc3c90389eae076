// Finding a font file for a requested family. The saver asks for a decorative
// Chinese face that Linux systems rarely have; a face that can draw Chinese
// stands in for it. fontconfig is asked once per family and style: its first
// use reads the font caches, which is the slow part of showing the first frame.
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <tuple>

#include "platform/portable/bridge.h"
#include "platform/portable/text/font_internal.h"

namespace {

// The CJK face the project's setup installs; it is also what other Win32
// environments on Linux substitute for Chinese faces.
constexpr const char* cjk_family = "WenQuanYi Micro Hei";
// Two common ideographs ("中", "文"): a face with both can draw Chinese.
constexpr FcChar32 cjk_probe[] = {0x4E2D, 0x6587};

std::mutex cache_mutex;

bool covers_cjk(FcPattern* pattern) {
    FcCharSet* charset = nullptr;
    if (FcPatternGetCharSet(pattern, FC_CHARSET, 0, &charset) != FcResultMatch || !charset)
        return false;
    return std::all_of(std::begin(cjk_probe), std::end(cjk_probe),
                       [&](FcChar32 c) { return FcCharSetHasChar(charset, c) == FcTrue; });
}

// Whether fontconfig counts the face as able to write the language.
bool covers_language(FcPattern* pattern, const std::string& language) {
    FcLangSet* languages = nullptr;
    if (FcPatternGetLangSet(pattern, FC_LANG, 0, &languages) != FcResultMatch || !languages)
        return false;
    return FcLangSetHasLang(languages, reinterpret_cast<const FcChar8*>(language.c_str())) !=
           FcLangDifferentLang;
}

bool has_family(FcPattern* pattern, const std::string& family) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family.c_str())) == 0) {
            return true;
        }
    }
    return false;
}

resolved_face describe(FcPattern* pattern) {
    resolved_face face;
    FcChar8* file = nullptr;
    if (FcPatternGetString(pattern, FC_FILE, 0, &file) != FcResultMatch || !file) return face;
    face.file = reinterpret_cast<const char*>(file);
    int index = 0;
    if (FcPatternGetInteger(pattern, FC_INDEX, 0, &index) == FcResultMatch) face.index = index;
    FcChar8* family = nullptr;
    if (FcPatternGetString(pattern, FC_FAMILY, 0, &family) == FcResultMatch && family) {
        face.family = reinterpret_cast<const char*>(family);
    }
    return face;
}

// fontconfig's best match for a pattern; `accept` decides whether it will do.
template <typename Accept>
resolved_face match(const char* family, const char* language, int weight, bool italic,
                    Accept accept) {
    resolved_face found;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return found;
    if (family) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    if (language) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight > 0 ? weight : 400));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* best = FcFontMatch(nullptr, pattern, &result);
    if (best && accept(best)) found = describe(best);
    if (best) FcPatternDestroy(best);
    FcPatternDestroy(pattern);
    return found;
}

// Every scalable face fontconfig knows, in file order so the choice does not
// depend on the order of its caches: the first with CJK coverage, else the
// first at all.
resolved_face first_listed_face() {
    resolved_face found;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FAMILY, FC_WEIGHT, FC_SLANT,
                                            FC_CHARSET, FC_SCALABLE, nullptr);
    FcFontSet* set = pattern && objects ? FcFontList(nullptr, pattern, objects) : nullptr;
    if (set) {
        std::vector<std::tuple<std::string, int, FcPattern*>> faces;
        for (int i = 0; i < set->nfont; ++i) {
            FcBool scalable = FcFalse;
            FcPatternGetBool(set->fonts[i], FC_SCALABLE, 0, &scalable);
            resolved_face face = describe(set->fonts[i]);
            if (scalable && !face.file.empty())
                faces.emplace_back(face.file, face.index, set->fonts[i]);
        }
        std::sort(faces.begin(), faces.end(), [](const auto& a, const auto& b) {
            return std::tie(std::get<0>(a), std::get<1>(a)) <
                   std::tie(std::get<0>(b), std::get<1>(b));
        });
        for (const auto& entry : faces) {
            if (covers_cjk(std::get<2>(entry))) {
                found = describe(std::get<2>(entry));
                break;
            }
        }
        if (found.file.empty() && !faces.empty()) found = describe(std::get<2>(faces.front()));
        FcFontSetDestroy(set);
    }
    if (objects) FcObjectSetDestroy(objects);
    if (pattern) FcPatternDestroy(pattern);
    return found;
}

// Without a working fontconfig: look through the usual font folders ourselves.
resolved_face first_font_file() {
    FT_Library library = font_library();
    if (!library) return {};
    std::vector<std::string> files;
    std::vector<std::filesystem::path> roots = {"/usr/share/fonts", "/usr/local/share/fonts"};
    if (const char* home = std::getenv("HOME"))
        roots.emplace_back(std::filesystem::path(home) / ".local/share/fonts");
    for (const auto& root : roots) {
        std::error_code error;
        for (std::filesystem::recursive_directory_iterator it(root, error), end;
             !error && it != end; it.increment(error)) {
            const std::string extension = it->path().extension().string();
            if (extension == ".ttf" || extension == ".ttc" || extension == ".otf" ||
                extension == ".otc") {
                files.push_back(it->path().string());
            }
        }
    }
    std::sort(files.begin(), files.end());
    resolved_face any;
    for (const auto& file : files) {
        FT_Face face = nullptr;
        if (FT_New_Face(library, file.c_str(), 0, &face) != 0) continue;
        const bool usable = FT_IS_SCALABLE(face);
        const bool cjk = usable && FT_Get_Char_Index(face, cjk_probe[0]) != 0 &&
                         FT_Get_Char_Index(face, cjk_probe[1]) != 0;
        resolved_face candidate{file, 0, face->family_name ? face->family_name : ""};
        FT_Done_Face(face);
        if (cjk) return candidate;
        if (usable && any.file.empty()) any = candidate;
    }
    return any;
}

resolved_face resolve_uncached(const std::string& family, int weight, bool italic,
                               const std::string& language) {
    if (FcInit()) {
        if (!family.empty()) {
            resolved_face face = match(family.c_str(), nullptr, weight, italic,
                                       [&](FcPattern* p) { return has_family(p, family); });
            if (!face.file.empty()) return face;
        }
        // A character set that names a script asks for a face written for it;
        // Simplified Chinese is what the stand-in below is for already.
        if (!language.empty() && language != "zh-cn") {
            resolved_face face = match(nullptr, language.c_str(), weight, italic,
                                       [&](FcPattern* p) { return covers_language(p, language); });
            if (!face.file.empty()) return face;
        }
        resolved_face face = match(cjk_family, nullptr, weight, italic, [](FcPattern* p) {
            return has_family(p, cjk_family) && covers_cjk(p);
        });
        if (!face.file.empty()) return face;
        face = match(nullptr, "zh-cn", weight, italic, covers_cjk);
        if (!face.file.empty()) return face;
        face = first_listed_face();
        if (!face.file.empty()) return face;
    }
    return first_font_file();
}

}  // namespace

// fontconfig's configuration parser drops a small block it allocates while
// reading its XML files; nothing reaches it to free it. Leak checking in
// sanitizer builds would otherwise fail every program that resolves a font.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

resolved_face resolve_face(const std::string& family, int weight, bool italic,
                           const std::string& language) {
    static std::map<std::tuple<std::string, bool, bool, std::string>, resolved_face> cache;
    // Only boldness matters to the choice of face, not the exact weight: the
    // difference between 700 and 900 is made up by synthetic emboldening.
    const bool bold = weight >= 600;
    const auto key = std::make_tuple(family, bold, italic, language);
    std::lock_guard<std::mutex> lock(cache_mutex);
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, resolve_uncached(family, bold ? 700 : 400, italic, language)).first;
    return it->second;
}

void portable_prefetch_message_font() {
    // Looking a face up in fontconfig costs a few to a few tens of milliseconds
    // on a cold cache, all before the first frame. Start the lookup of the
    // message face ("华文彩云", or its stand-in) while the display comes up;
    // the resolver's cache hands the answer to CreateFontA, which waits for it
    // on the cache's lock if it is still being worked out. The thread touches
    // nothing but that cache.
    std::thread([] {
        resolve_face("\xe5\x8d\x8e\xe6\x96\x87\xe5\xbd\xa9\xe4\xba\x91", 900, false);
    }).detach();
}
