// The user's interface language off Windows: which language of the resources
// the dialogs and strings are shown in. Nothing outside platform/portable/
// and its tests includes this.
#pragma once

#include "platform/portable/windows.h"

// The languages the resources are written in.
constexpr WORD language_chinese_prc = 0x0804;
constexpr WORD language_english_us = 0x0409;

// The language of the locale's messages, found as POSIX finds that locale:
// LC_ALL, else LC_MESSAGES, else LANG, an empty variable counting as unset.
// A Chinese locale ("zh", "zh_CN.UTF-8", "zh_TW", ...) gives Chinese (PRC);
// any other, or none, gives English (US). Only the name is read: the locale
// need not be installed.
WORD portable_ui_language();
