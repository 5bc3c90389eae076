// The interface language of the portable platform, from the environment.
#include "platform/portable/kernel/ui_language.h"

#include <cstdlib>

#include "interface_languages.h"

WORD ui_language_of_locale(std::string_view name) {
    // "language[_territory][.codeset][@modifier]"
    name = name.substr(0, name.find_first_of(".@"));
    const std::string_view language = name.substr(0, name.find('_'));
    const InterfaceLanguage* same_language = nullptr;
    for (const InterfaceLanguage& candidate : interface_languages) {
        if (candidate.locale == name) return candidate.id;
        if (!same_language && candidate.locale.substr(0, candidate.locale.find('_')) == language) {
            same_language = &candidate;
        }
    }
    return same_language ? same_language->id : fallback_language;
}

WORD portable_ui_language() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value) continue;
        return ui_language_of_locale(value);
    }
    return fallback_language;
}
