// The settings store: the message's three forms and the INI round trip.
#include "config/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "app/code_page_setup.h"
#include "platform/portable/codepage.h"
#include "platform/profile_test_folder.h"
#include "text/builtin_strings.h"

namespace {

void use_code_page(const char* page) {
    setenv("NUVEX_CODEPAGE", page, 1);
    portable_reset_code_page();
    adopt_system_code_page();
}

class SettingsTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { use_code_page(GetParam()); }
    void TearDown() override { use_code_page("65001"); }
    TemporaryConfigHome home;
};

TEST_P(SettingsTest, EditFormAndStoredFormConvertAsTheDialogNeeds) {
    // Two line breaks are two separators, not an empty text.
    EXPECT_EQ(text_from_edit("\r\n\r\n"), "^n^n");
    EXPECT_EQ(text_from_edit(""), default_message());
    // "\r" alone disappears, "\n" alone becomes a separator; a typed "^n" stays.
    EXPECT_EQ(text_from_edit("a\rb\nc"), "ab^nc");
    EXPECT_EQ(text_from_edit("\r"), default_message());
    EXPECT_EQ(text_from_edit("x^ny"), "x^ny");
    EXPECT_EQ(text_for_edit("x^ny"), "x\r\ny");
    EXPECT_EQ(text_for_edit(""), "");
    // Two lines each followed by a separator open as two lines and an empty
    // third, and come back byte for byte.
    const std::string stored = "one^ntwo^n";
    EXPECT_EQ(text_for_edit(stored), "one\r\ntwo\r\n");
    EXPECT_EQ(text_from_edit(text_for_edit(stored)), stored);
    EXPECT_EQ(text_from_edit(text_for_edit(default_message())), default_message());
}

TEST_P(SettingsTest, WithoutAFileTheDefaultsAreLoaded) {
    follow_value = 77;
    load_settings();
    EXPECT_STREQ(settings_section, "Nuvex0_01");
    EXPECT_STREQ(settings_file, "Nuvex0_01");
    EXPECT_EQ(std::string(message_buffer), default_message());
    EXPECT_EQ(follow_value, 0);
    EXPECT_FALSE(home.exists("Nuvex0_01"));
}

TEST_P(SettingsTest, SaveWritesTextThenFollowAndLoadReadsThemBack) {
    load_settings();
    follow_value = -5;
    ASSERT_EQ(save_settings("Hi^nthere^n"), SaveResult::ok);
    EXPECT_EQ(home.read("Nuvex0_01"), "[Nuvex0_01]\r\nNuvexScr_Text=Hi^nthere^n\r\nNuvexScr_Follow=-5\r\n");
    follow_value = 0;
    message_buffer[0] = '\0';
    load_settings();
    EXPECT_STREQ(message_buffer, "Hi^nthere^n");
    EXPECT_EQ(follow_value, -5);
}

TEST_P(SettingsTest, AnEmptyStoredTextLoadsEmptyAndFollowFiveStaysFive) {
    home.write("Nuvex0_01", "[Nuvex0_01]\r\nNuvexScr_Text=\r\nNuvexScr_Follow=5\r\n");
    load_settings();
    EXPECT_STREQ(message_buffer, "");
    EXPECT_EQ(follow_value, 5);
    ASSERT_EQ(save_settings(text_from_edit(text_for_edit(message_buffer))), SaveResult::ok);
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("Nuvex0_01", "NuvexScr_Follow", 0, "Nuvex0_01")), 5);
}

TEST_P(SettingsTest, AFailedWriteIsReported) {
    load_settings();
    std::ofstream(home.folder()) << "a file where the folder belongs";
    EXPECT_EQ(save_settings("x^n"), SaveResult::text_failed);
}

TEST_P(SettingsTest, ALongStoredTextIsCutToTheLimit) {
    home.write("Nuvex0_01", "[Nuvex0_01]\r\nNuvexScr_Text=" + std::string(5000, 'a') + "\r\n");
    load_settings();
    EXPECT_EQ(std::string(message_buffer), std::string(message_text_limit, 'a'));
}

INSTANTIATE_TEST_SUITE_P(CodePages, SettingsTest, ::testing::Values("936", "65001"));

class GbkSettingsTest : public SettingsTest {};

TEST_P(GbkSettingsTest, ATrailByteOfCaretBeforeNIsNoSeparator) {
    // 0x81 0x5E is one GBK character whose trail byte is '^'.
    const std::string text = "\x81\x5En\x81\x5E^n";
    EXPECT_EQ(text_for_edit(text), "\x81\x5En\x81\x5E\r\n");
    EXPECT_EQ(text_from_edit(text_for_edit(text)), text);
    EXPECT_EQ(text_from_edit("\x81\x5En"), "\x81\x5En");
}

TEST_P(GbkSettingsTest, ALongStoredTextIsNeverCutInsideACharacter) {
    // 4093 single bytes, then a double-byte character that straddles the limit.
    const std::string value = std::string(4093, 'a') + "\xc9\xfa" + "tail";
    home.write("Nuvex0_01", "[Nuvex0_01]\r\nNuvexScr_Text=" + value + "\r\n");
    load_settings();
    EXPECT_EQ(std::string(message_buffer), std::string(4093, 'a'));
    // One byte earlier, the character fits whole.
    const std::string fits = std::string(4092, 'a') + "\xc9\xfa" + "tail";
    home.write("Nuvex0_01", "[Nuvex0_01]\r\nNuvexScr_Text=" + fits + "\r\n");
    load_settings();
    EXPECT_EQ(std::string(message_buffer), std::string(4092, 'a') + "\xc9\xfa");
}

INSTANTIATE_TEST_SUITE_P(Gbk, GbkSettingsTest, ::testing::Values("936"));

TEST(CharacterBoundary, UnicodeSequencesAreKeptWhole) {
    use_code_page("65001");
    const std::string text = "ab\xe7\x94\x9f" "c";  // "ab生c"
    EXPECT_EQ(character_boundary_at_most(text, 4), 2u);
    EXPECT_EQ(character_boundary_at_most(text, 5), 5u);
    EXPECT_EQ(character_boundary_at_most(text, 100), text.size());
}

}  // namespace
