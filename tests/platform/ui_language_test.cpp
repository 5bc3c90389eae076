// The interface language of the portable platform follows the locale
// variables in POSIX order, by their names alone, and picks the resources'
// language by the table of interface languages, with English for the rest.
#include "platform/portable/kernel/ui_language.h"

#include <gtest/gtest.h>

#include <string>

#include "interface_languages.h"
#include "platform/locale_scope.h"
#include "platform/untranslated_language.h"

namespace {

constexpr WORD chinese_prc = 0x0804;
constexpr WORD english_us = 0x0409;

TEST(UiLanguage, EachTableLanguageIsChosenByItsLocaleAndTheRestShowEnglish) {
    // Every line of the table, by its own locale in the usual spellings.
    for (const InterfaceLanguage& language : interface_languages) {
        const std::string locale(language.locale);
        for (const std::string& name : {locale, locale + ".UTF-8", locale + ".UTF-8@latin"}) {
            EXPECT_EQ(ui_language_of_locale(name), language.id) << name;
        }
    }
    // Chinese for every Chinese locale: another territory, or none, takes
    // the first Chinese line; Taiwan's and Hong Kong's their own, which
    // holds the same texts.
    struct Case {
        const char* locale;
        WORD expected;
    };
    const Case cases[] = {
        {"zh", chinese_prc},
        {"zh_CN.GBK", chinese_prc},
        {"zh_XX.UTF-8", chinese_prc},
        {"zh_TW.UTF-8", 0x0404},
        {"zh_HK.Big5-HKSCS", 0x0C04},
        {"en_ZZ.UTF-8", english_us},  // a territory no table will have
        {"C.UTF-8", english_us},
        {"C", english_us},
        {"POSIX", english_us},
        {"", english_us},
        {"_", english_us},
        {"z", english_us},
        {untranslated_language().locale, english_us},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ui_language_of_locale(c.locale), c.expected) << c.locale;
    }
}

TEST(UiLanguage, TheLocaleVariablesCountInPosixOrder) {
    struct Case {
        const char *all, *messages, *lang;
        WORD expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, english_us},
        {nullptr, nullptr, "zh_CN.UTF-8", chinese_prc},
        {nullptr, nullptr, "en_US.UTF-8", english_us},
        // LC_ALL before LC_MESSAGES before LANG, whichever way they point.
        {"en_US.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8", english_us},
        {"zh_CN.UTF-8", "en_US.UTF-8", "C", chinese_prc},
        {nullptr, "zh_CN.UTF-8", "en_US.UTF-8", chinese_prc},
        {nullptr, "C.UTF-8", "zh_CN.UTF-8", english_us},
        // An empty variable counts as unset.
        {"", "", "zh_CN.UTF-8", chinese_prc},
        {"", "zh_SG.UTF-8", "en_GB.UTF-8", 0x1004},
        {"", "", "", english_us},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "LC_ALL=" << (c.all ? c.all : "(unset)")
                                        << " LC_MESSAGES=" << (c.messages ? c.messages : "(unset)")
                                        << " LANG=" << (c.lang ? c.lang : "(unset)"));
        LocaleScope scope(c.all, c.messages, c.lang);
        EXPECT_EQ(portable_ui_language(), c.expected);
    }
}

}  // namespace
