// The interface language of the portable platform, from the environment.
#include "platform/portable/kernel/ui_language.h"

#include <cstdlib>
#include <string_view>

WORD portable_ui_language() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value) continue;
        return std::string_view(value).substr(0, 2) == "zh" ? language_chinese_prc
                                                            : language_english_us;
    }
    return language_english_us;
}
