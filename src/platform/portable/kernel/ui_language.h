// The user's interface language off Windows: which language of the resources
// the dialogs and strings are shown in. Nothing outside platform/portable/
// and its tests includes this.
#pragma once

#include <string_view>

#include "platform/portable/windows.h"

// The language of the locale's messages, found as POSIX finds that locale:
// LC_ALL, else LC_MESSAGES, else LANG, an empty variable counting as unset.
// Only the name is read: the locale need not be installed.
WORD portable_ui_language();

// The resources' language for a locale name ("zh_TW.UTF-8"): the interface
// language (interface_languages.h) of the same language and territory, else
// the first of the same language ("zh", "zh_XX"), else the fallback, English
// (United States), as for "ja_JP", "C" or "POSIX".
WORD ui_language_of_locale(std::string_view name);
