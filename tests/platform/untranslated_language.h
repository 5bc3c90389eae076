// A language the module has no texts in, whatever languages.txt holds, for the
// tests of the fallback to English: the first of a few that is not there.
#pragma once

#include <cstdint>
#include <string_view>

#include "interface_languages.h"

struct UntranslatedLanguage {
    const char* locale;  // a locale name of it
    std::uint16_t id;    // its Windows language id
};

inline UntranslatedLanguage untranslated_language() {
    constexpr UntranslatedLanguage candidates[] = {{"ja_JP.UTF-8", 0x0411},
                                                   {"ru_RU.UTF-8", 0x0419},
                                                   {"ko_KR.UTF-8", 0x0412},
                                                   {"de_DE.UTF-8", 0x0407},
                                                   {"fr_FR.UTF-8", 0x040C}};
    for (const UntranslatedLanguage& candidate : candidates) {
        const std::string_view language = std::string_view(candidate.locale).substr(0, 2);
        bool present = false;
        for (const InterfaceLanguage& l : interface_languages) {
            present = present || l.locale.substr(0, 2) == language;
        }
        if (!present) return candidate;
    }
    return {"xx_XX.UTF-8", 0x007F};  // every candidate has texts: no language at all
}
