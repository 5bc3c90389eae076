// The interface language of the portable platform follows the locale
// variables in POSIX order, by their names alone.
#include "platform/portable/kernel/ui_language.h"

#include <gtest/gtest.h>

#include "platform/locale_scope.h"

namespace {

TEST(UiLanguage, ChineseLocalesGiveChineseAndEveryOtherEnglish) {
    struct Case {
        const char *all, *messages, *lang;
        WORD expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, language_english_us},
        {nullptr, nullptr, "zh_CN.UTF-8", language_chinese_prc},
        {nullptr, nullptr, "zh_TW.UTF-8", language_chinese_prc},
        {nullptr, nullptr, "zh_HK.Big5-HKSCS", language_chinese_prc},
        {nullptr, nullptr, "zh", language_chinese_prc},
        {nullptr, nullptr, "zh_CN.GBK", language_chinese_prc},
        {nullptr, nullptr, "en_US.UTF-8", language_english_us},
        {nullptr, nullptr, "ja_JP.UTF-8", language_english_us},
        {nullptr, nullptr, "C.UTF-8", language_english_us},
        {nullptr, nullptr, "C", language_english_us},
        {nullptr, nullptr, "POSIX", language_english_us},
        // LC_ALL before LC_MESSAGES before LANG, whichever way they point.
        {"en_US.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8", language_english_us},
        {"zh_CN.UTF-8", "en_US.UTF-8", "C", language_chinese_prc},
        {nullptr, "zh_CN.UTF-8", "en_US.UTF-8", language_chinese_prc},
        {nullptr, "C.UTF-8", "zh_CN.UTF-8", language_english_us},
        // An empty variable counts as unset.
        {"", "", "zh_CN.UTF-8", language_chinese_prc},
        {"", "zh_SG.UTF-8", "en_GB.UTF-8", language_chinese_prc},
        {"", "", "", language_english_us},
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
