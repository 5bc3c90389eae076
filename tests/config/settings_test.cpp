// The settings store: loading, the edit form, and saves that change exactly
// what the user changed.
#include "config/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "app/code_page_setup.h"
#include "config/message_edit.h"
#include "config/text_conversion.h"
#include "platform/portable/text/codepage.h"
#include "platform/profile_test_folder.h"
#include "text/builtin_strings.h"

namespace {

constexpr text_encoding ansi = text_encoding::ansi;
constexpr text_encoding utf8 = text_encoding::utf8;

// The line that opens the saver's section in its settings file.
const std::string section_header = std::string("[") + settings_section_name + "]\r\n";

void use_code_page(const char* page) {
    setenv("NUVEX_CODEPAGE", page, 1);
    portable_reset_code_page();
    adopt_system_code_page();
}

// UTF-8 text as the edit box holds it.
wide_text edit(const std::string& utf8_text) {
    return to_wide(utf8_text, utf8);
}

class SettingsTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { use_code_page(GetParam()); }
    void TearDown() override { use_code_page("65001"); }
    // What OK stores for `typed` after the dialog showed `before`.
    static encoded_text confirmed(const std::string& typed, const encoded_text& before) {
        return stored_from_edit(edit(typed), before).stored;
    }
    TemporaryConfigHome home;
};

TEST_P(SettingsTest, TheEditFormFollowsTheStoredForm) {
    const encoded_text before{"one^ntwo^n", ansi};
    // Two line breaks are two separators, not an empty text.
    EXPECT_EQ(confirmed("\r\n\r\n", before).bytes, "^n^n");
    EXPECT_EQ(confirmed("", before).bytes, default_message().bytes);
    EXPECT_EQ(confirmed("\r", before).bytes, default_message().bytes);
    // "\r" alone disappears, "\n" alone becomes a separator; a typed "^n" stays.
    EXPECT_EQ(confirmed("a\rb\nc", before).bytes, "ab^nc");
    EXPECT_EQ(confirmed("x^ny", before).bytes, "x^ny");
    EXPECT_EQ(text_for_edit("x^ny", ansi), "x\r\ny");
    EXPECT_EQ(text_for_edit("", ansi), "");
    // Two lines each followed by a separator open as two lines and an empty
    // third, and come back byte for byte.
    bool clean = false;
    EXPECT_EQ(edit_text_for(before, clean), edit("one\r\ntwo\r\n"));
    EXPECT_TRUE(clean);
    EXPECT_EQ(confirmed("one\r\ntwo\r\n", before).bytes, before.bytes);
}

TEST_P(SettingsTest, WithoutAFileTheDefaultsAreLoaded) {
    follow_value = 77;
    load_settings();
    EXPECT_STREQ(settings_section, settings_section_name);
    EXPECT_STREQ(settings_file, settings_file_name);
    EXPECT_EQ(std::string(message_buffer), default_message().bytes);
    EXPECT_EQ(message_encoding, default_message().encoding);
    EXPECT_EQ(follow_value, 0);
    EXPECT_FALSE(stored_settings.text_found);
    EXPECT_FALSE(home.exists(settings_file_name));
}

TEST_P(SettingsTest, BothKeysAreWrittenTogetherAndReadBack) {
    load_settings();
    follow_value = -5;
    ASSERT_EQ(save_settings({"Hi^nthere^n", ansi}).status, ProfileWriteStatus::written);
    EXPECT_EQ(home.read(settings_file_name),
              section_header + "NuvexScr_Text=Hi^nthere^n\r\nNuvexScr_Follow=-5\r\n");
    follow_value = 0;
    message_buffer[0] = '\0';
    load_settings();
    EXPECT_STREQ(message_buffer, "Hi^nthere^n");
    EXPECT_EQ(follow_value, -5);
}

TEST_P(SettingsTest, OnlyWhatChangedIsWrittenAndAnUntouchedFollowKeepsItsText) {
    const std::string before = "; mine\r\n" + section_header +
                               "NuvexScr_Text=\r\nNuvexScr_Follow=99999999999\r\nextra=1\r\n";
    home.write(settings_file_name, before);
    load_settings();
    EXPECT_STREQ(message_buffer, "");
    EXPECT_NE(follow_value, 0);  // as the saver reads it: nonzero
    // Nothing changed: nothing is written.
    ASSERT_EQ(save_settings(stored_settings.text).status, ProfileWriteStatus::written);
    EXPECT_EQ(home.read(settings_file_name), before);
    // A new text changes that line only; the follow text stays as it was.
    ASSERT_EQ(save_settings({"new", ansi}).status, ProfileWriteStatus::written);
    EXPECT_EQ(home.read(settings_file_name),
              "; mine\r\n" + section_header +
                  "NuvexScr_Text=new\r\nNuvexScr_Follow=99999999999\r\nextra=1\r\n");
    // Clicking the box twice is no change either; once is.
    home.write(settings_file_name, section_header + "NuvexScr_Follow=abc\r\n");
    load_settings();
    EXPECT_EQ(follow_value, 0);
    follow_value = 1;
    follow_value = 0;
    ASSERT_EQ(save_settings(stored_settings.text).status, ProfileWriteStatus::written);
    const std::string path = stored_settings.location.path;
    EXPECT_EQ(ReadProfileValue(path, settings_section_name, "NuvexScr_Follow").value, "abc");
    load_settings();
    EXPECT_EQ(stored_settings.text.bytes, default_message().bytes);
}

TEST_P(SettingsTest, ALongStoredTextIsCutForTheSaverButKeptWholeForTheDialog) {
    const std::string value = std::string(5000, 'a');
    home.write(settings_file_name, section_header + "NuvexScr_Text=" + value + "\r\n");
    load_settings();
    EXPECT_EQ(std::string(message_buffer), std::string(message_text_limit, 'a'));
    EXPECT_EQ(stored_settings.text.bytes, value);
}

INSTANTIATE_TEST_SUITE_P(CodePages, SettingsTest, ::testing::Values("936", "65001", "1252"));

class GbkSettingsTest : public SettingsTest {};

TEST_P(GbkSettingsTest, ATrailByteOfCaretBeforeNIsNoSeparator) {
    // 0x81 0x5E is one GBK character whose trail byte is '^'.
    const encoded_text stored{"\x81\x5En\x81\x5E^n", ansi};
    EXPECT_EQ(text_for_edit(stored.bytes, ansi), "\x81\x5En\x81\x5E\r\n");
    EXPECT_EQ(stored_lines(stored), (std::vector<std::string>{"\x81\x5En\x81\x5E", ""}));
    bool clean = false;
    EXPECT_EQ(confirmed("", stored).bytes, default_message().bytes);
    EXPECT_EQ(stored_from_edit(edit_text_for(stored, clean), stored).stored.bytes, stored.bytes);
}

TEST_P(GbkSettingsTest, TodaysGbkFileReadsAndSavesAsTodaysBytes) {
    // "随波逐流^n你好世界" in GBK, as Chinese systems have always written it.
    const std::string gbk = "\xcb\xe6\xb2\xa8\xd6\xf0\xc1\xf7^n\xc4\xe3\xba\xc3\xca\xc0\xbd\xe7";
    home.write(settings_file_name,
               section_header + "NuvexScr_Text=" + gbk + "\r\nNuvexScr_Follow=0\r\n");
    load_settings();
    EXPECT_EQ(std::string(message_buffer), gbk);
    EXPECT_EQ(message_encoding, ansi);
    // A changed line is stored in GBK too, and the file stays ANSI.
    bool clean = false;
    wide_text shown = edit_text_for(stored_settings.text, clean);
    EXPECT_TRUE(clean);
    shown += edit("\r\n\xe7\x94\x9f");  // a third line, "生"
    const encoded_text stored = stored_from_edit(shown, stored_settings.text).stored;
    EXPECT_EQ(stored.bytes, gbk + "^n\xc9\xfa");
    ASSERT_EQ(save_settings(stored).status, ProfileWriteStatus::written);
    EXPECT_EQ(home.read(settings_file_name),
              section_header + "NuvexScr_Text=" + gbk + "^n\xc9\xfa\r\nNuvexScr_Follow=0\r\n");
}

TEST_P(GbkSettingsTest, ALongStoredTextIsNeverCutInsideACharacter) {
    // 4093 single bytes, then a double-byte character that straddles the limit.
    const std::string value = std::string(4093, 'a') + "\xc9\xfa" + "tail";
    home.write(settings_file_name, section_header + "NuvexScr_Text=" + value + "\r\n");
    load_settings();
    EXPECT_EQ(std::string(message_buffer), std::string(4093, 'a'));
    const std::string fits = std::string(4092, 'a') + "\xc9\xfa" + "tail";
    home.write(settings_file_name, section_header + "NuvexScr_Text=" + fits + "\r\n");
    load_settings();
    EXPECT_EQ(std::string(message_buffer), std::string(4092, 'a') + "\xc9\xfa");
}

INSTANTIATE_TEST_SUITE_P(Gbk, GbkSettingsTest, ::testing::Values("936"));

// A message the code page cannot hold: the built-in greeting on a Western
// system, or text in another script.
TEST(SettingsBeyondTheCodePage, AreStoredInUnicodeWithoutLoss) {
    TemporaryConfigHome home;
    use_code_page("1252");
    EXPECT_EQ(default_message().encoding, utf8);  // not "????"
    load_settings();
    ASSERT_EQ(save_settings(stored_settings.text).status, ProfileWriteStatus::written);
    EXPECT_EQ(home.read(settings_file_name).substr(0, 2), "\xFF\xFE");
    load_settings();
    EXPECT_EQ(stored_settings.text.bytes, default_message().bytes);
    EXPECT_EQ(message_encoding, utf8);

    // Cyrillic and accented Latin typed in; accented Latin alone fits 1252.
    const encoded_text mixed =
        stored_from_edit(edit("\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\r\ncaf\xc3\xa9"),
                         stored_settings.text)
            .stored;
    EXPECT_EQ(mixed.encoding, utf8);
    ASSERT_EQ(save_settings(mixed).status, ProfileWriteStatus::written);
    load_settings();
    bool clean = false;
    EXPECT_EQ(edit_text_for(stored_settings.text, clean),
              edit("\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\r\ncaf\xc3\xa9"));
    EXPECT_EQ(stored_from_edit(edit("caf\xc3\xa9"), encoded_text{"x", ansi}).stored.bytes,
              "caf\xe9");
    use_code_page("65001");
}

// Text the code page holds is stored in it only where the message it replaces
// was: a message in Unicode (a UTF-16 file, or the built-in greeting on a
// Western system) keeps the file UTF-16, as the README says.
TEST(SettingsWithinTheCodePage, KeepTheFormOfTheMessageTheyReplace) {
    struct Case {
        const char* name;
        std::string file;  // empty: no settings file yet
        bool unicode_after;
    };
    const std::string utf16_abc = std::string("\xFF\xFE", 2) + [] {
        std::string wide;
        for (char c : section_header + "NuvexScr_Text=abc\r\n") {
            wide += c;
            wide += '\0';
        }
        return wide;
    }();
    const Case cases[] = {
        {"the built-in greeting, which 1252 lacks", "", true},
        {"a UTF-16 file", utf16_abc, true},
        {"an ANSI file", section_header + "NuvexScr_Text=abc\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryConfigHome home;
        use_code_page("1252");
        if (!c.file.empty()) home.write(settings_file_name, c.file);
        load_settings();
        const encoded_text hello = stored_from_edit(edit("hello"), stored_settings.text).stored;
        EXPECT_EQ(hello.encoding, c.unicode_after ? utf8 : ansi);
        ASSERT_EQ(save_settings(hello).status, ProfileWriteStatus::written);
        EXPECT_EQ(home.read(settings_file_name).substr(0, 2) == "\xFF\xFE", c.unicode_after);
        load_settings();
        EXPECT_EQ(stored_settings.text.bytes, "hello");
    }
    use_code_page("65001");
}

// A GBK file opened on a UTF-8 system: the dialog can show its bytes only as
// replacement characters, says so, and an OK keeps every line the user did
// not change, byte for byte.
TEST(SettingsFromAnotherCodePage, UnchangedLinesKeepTheirBytes) {
    TemporaryConfigHome home;
    use_code_page("65001");
    const std::string gbk = "\xcb\xe6\xb2\xa8\xd6\xf0\xc1\xf7^n\xc4\xe3\xba\xc3\xca\xc0\xbd\xe7";
    home.write(settings_file_name, section_header + "NuvexScr_Text=" + gbk + "\r\n");
    load_settings();
    bool clean = true;
    const wide_text shown = edit_text_for(stored_settings.text, clean);
    EXPECT_FALSE(clean);
    // Unchanged: the same bytes. A line added before them: they stay too.
    EXPECT_EQ(stored_from_edit(shown, stored_settings.text).stored.bytes, gbk);
    const encoded_text added =
        stored_from_edit(edit("top\r\n") + shown, stored_settings.text).stored;
    EXPECT_EQ(added.bytes, "top^n" + gbk);
    // The second line edited: only the first keeps its old bytes.
    const std::size_t second = shown.find('\n') + 1;
    const encoded_text edited =
        stored_from_edit(shown.substr(0, second) + edit("new"), stored_settings.text).stored;
    EXPECT_EQ(edited.bytes, "\xcb\xe6\xb2\xa8\xd6\xf0\xc1\xf7^nnew");
    use_code_page("65001");
}

TEST(SettingsFromAnotherCodePage, BrokenBytesCannotJoinAUnicodeMessage) {
    use_code_page("936");
    // A lone lead byte is no GBK text; "한" is no GBK character, so the message
    // would have to become Unicode, which the broken line cannot: it is named,
    // and nothing is stored.
    const encoded_text before{"ok^n\x81", ansi};
    bool clean = true;
    const wide_text shown = edit_text_for(before, clean);
    EXPECT_FALSE(clean);
    const EditedMessage result = stored_from_edit(shown + edit("\r\n\xed\x95\x9c"), before);
    EXPECT_EQ(result.untextual_line, 2u);
    // Text GBK holds joins it fine, and the broken line keeps its byte.
    EXPECT_EQ(stored_from_edit(shown + edit("\r\n\xe7\x94\x9f"), before).stored.bytes,
              "ok^n\x81^n\xc9\xfa");
    use_code_page("65001");
}

}  // namespace
