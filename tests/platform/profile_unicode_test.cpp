// Both forms of a profile file: ANSI bytes, and UTF-16 with a byte-order mark,
// read and written by the ANSI and the Unicode profile functions as Windows
// does, without losing a byte of what they do not change.
#include <gtest/gtest.h>

#include <string>

#include "platform/portable/text/codepage.h"
#include "platform/profile_test_folder.h"
#include "platform/shared/profile_text.h"
#include "platform/win32.h"

namespace {

constexpr const char* file = "Nuvex0_01";

// The file as UTF-16LE with its mark, from UTF-16 text.
std::string unicode_file(const std::u16string& text) {
    std::string bytes("\xFF\xFE", 2);
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

std::u16string read_wide(const char16_t* section, const char16_t* key) {
    char16_t buffer[256];
    const std::u16string name = u"Nuvex0_01";
    const DWORD n = GetPrivateProfileStringW(section, key, u"<default>", buffer, 256, name.c_str());
    return std::u16string(buffer, n);
}

class ProfileFormsTest : public ::testing::Test {
protected:
    void SetUp() override { use("1252"); }
    void TearDown() override {
        unsetenv("NUVEX_CODEPAGE");
        portable_reset_code_page();
    }
    static void use(const char* page) {
        setenv("NUVEX_CODEPAGE", page, 1);
        portable_reset_code_page();
    }
    TemporaryConfigHome home;
};

TEST_F(ProfileFormsTest, AUnicodeFileIsReadByBothFunctionFamilies) {
    // "Привет 生日" cannot be held by code page 1252.
    home.write(file,
               unicode_file(u"[Nuvex0_01]\r\nNuvexScr_Text=\u041f\u0440\u0438\u0432\u0435\u0442 "
                            u"\u751f\u65e5\r\nNuvexScr_Follow=5\r\n"));
    EXPECT_EQ(read_wide(u"nuvex0_01", u"NUVEXSCR_TEXT"),
              std::u16string(u"\u041f\u0440\u0438\u0432\u0435\u0442 \u751f\u65e5"));
    char ansi[64];
    GetPrivateProfileStringA("Nuvex0_01", "NuvexScr_Text", "", ansi, sizeof ansi, file);
    EXPECT_STREQ(ansi, "?????? ??");  // what the code page cannot hold, as Windows gives it
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("Nuvex0_01", "NuvexScr_Follow", 0, file)), 5);
    EXPECT_EQ(
        static_cast<INT>(GetPrivateProfileIntW(u"Nuvex0_01", u"NuvexScr_Follow", 0, u"Nuvex0_01")),
        5);
}

TEST_F(ProfileFormsTest, WritesKeepTheFormOfTheFileAndEveryOtherByte) {
    const std::u16string before =
        u"; \u65e5\u672c\r\n[Nuvex0_01]\r\nNuvexScr_Text=\U0001F600\r\n[Z]\r\nz=\u00e9\r\n";
    home.write(file, unicode_file(before));
    // The ANSI function writes into a Unicode file as Unicode.
    ASSERT_TRUE(WritePrivateProfileStringA("Nuvex0_01", "NuvexScr_Follow", "1", file));
    ASSERT_TRUE(WritePrivateProfileStringW(u"Z", u"y", u"\u0416", u"Nuvex0_01"));
    EXPECT_EQ(
        home.read(file),
        unicode_file(
            u"; \u65e5\u672c\r\n[Nuvex0_01]\r\nNuvexScr_Text=\U0001F600\r\nNuvexScr_Follow=1\r\n"
            u"[Z]\r\nz=\u00e9\r\ny=\u0416\r\n"));
    // The Unicode function writes into an ANSI file in its code page, as
    // Windows does: what the page cannot hold becomes "?".
    home.write(file, "[S]\r\nk=caf\xe9\r\n");
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"j", u"\u00e9\u0416", u"Nuvex0_01"));
    EXPECT_EQ(home.read(file), "[S]\r\nk=caf\xe9\r\nj=\xe9?\r\n");
    EXPECT_EQ(read_wide(u"S", u"k"), std::u16string(u"caf\u00e9"));
}

TEST_F(ProfileFormsTest, DecodingAndEncodingGiveTheFileBackByteForByte) {
    // A lone surrogate and an odd last byte are kept; a broken mark is ANSI.
    const std::string odd = unicode_file(u"[S]\r\nk=\xd800x\r\n") + "\x41";
    const profile_text::Text text = profile_text::decode_file(odd);
    EXPECT_EQ(text.form, profile_text::Form::unicode);
    EXPECT_EQ(profile_text::encode_file(text), odd);
    const std::string ansi = "\xFF[S]\r\nk=\xFE\xFF\r\n";
    EXPECT_EQ(profile_text::decode_file(ansi).form, profile_text::Form::ansi);
    EXPECT_EQ(profile_text::encode_file(profile_text::decode_file(ansi)), ansi);
    EXPECT_EQ(profile_text::utf16_from_utf8("a\xe7\x94"),
              std::u16string(u"a\ufffd"));  // a cut-off sequence
}

}  // namespace
