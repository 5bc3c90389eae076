#include "platform/portable/text/codepage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// "华文彩云" in GBK and as UTF-16.
const char face_gbk[] = "\xbb\xaa\xce\xc4\xb2\xca\xd4\xc6";
const char16_t face_utf16[] = u"\u534e\u6587\u5f69\u4e91";

// Runs a test under a forced code page and restores the environment after.
class CodePage : public ::testing::Test {
protected:
    void force(const char* page) {
        setenv("NUVEX_CODEPAGE", page, 1);
        portable_reset_code_page();
    }
    void SetUp() override {
        const char* forced = std::getenv("NUVEX_CODEPAGE");
        saved_ = forced ? forced : "";
        had_ = forced != nullptr;
        force("936");
    }
    void TearDown() override {
        if (had_) {
            setenv("NUVEX_CODEPAGE", saved_.c_str(), 1);
        } else {
            unsetenv("NUVEX_CODEPAGE");
        }
        portable_reset_code_page();
    }

private:
    std::string saved_;
    bool had_ = false;
};

TEST_F(CodePage, EnvironmentForcesThePageAndUnknownValuesFallBackToTheLocale) {
    force("936");
    EXPECT_EQ(GetACP(), 936u);
    force("65001");
    EXPECT_EQ(GetACP(), 65001u);
    force("1252");
    EXPECT_EQ(GetACP(), 1252u);

    // An unusable value is ignored: the answer is the locale's, whatever it is.
    force("437");
    const UINT from_bad_value = GetACP();
    unsetenv("NUVEX_CODEPAGE");
    portable_reset_code_page();
    EXPECT_EQ(from_bad_value, GetACP());
}

TEST_F(CodePage, DecidedOnceUntilReset) {
    force("936");
    EXPECT_EQ(GetACP(), 936u);
    setenv("NUVEX_CODEPAGE", "65001", 1);
    EXPECT_EQ(GetACP(), 936u);
    portable_reset_code_page();
    EXPECT_EQ(GetACP(), 65001u);
}

TEST_F(CodePage, TheCLocaleIsTreatedAsUtf8) {
    unsetenv("NUVEX_CODEPAGE");
    const char* saved = std::getenv("LC_ALL");
    const std::string saved_value = saved ? saved : "";
    setenv("LC_ALL", "C", 1);
    portable_reset_code_page();
    EXPECT_EQ(GetACP(), 65001u);
    if (saved) {
        setenv("LC_ALL", saved_value.c_str(), 1);
    } else {
        unsetenv("LC_ALL");
    }
}

TEST(CodePageNames, LocaleCharacterSetsMapToPages) {
    EXPECT_EQ(code_page_for_codeset("UTF-8"), 65001u);
    EXPECT_EQ(code_page_for_codeset("utf8"), 65001u);
    EXPECT_EQ(code_page_for_codeset("GBK"), 936u);
    EXPECT_EQ(code_page_for_codeset("GB2312"), 936u);
    EXPECT_EQ(code_page_for_codeset("GB18030"), 936u);
    EXPECT_EQ(code_page_for_codeset("ANSI_X3.4-1968"), 65001u);
    EXPECT_EQ(code_page_for_codeset("ISO-8859-1"), 1252u);
    EXPECT_EQ(code_page_for_codeset("ISO-8859-15"), 1252u);
    EXPECT_EQ(code_page_for_codeset("KOI8-R"), 1252u);
}

TEST_F(CodePage, LeadBytesOnlyInTheDoubleBytePage) {
    EXPECT_FALSE(IsDBCSLeadByte(0x80));
    EXPECT_TRUE(IsDBCSLeadByte(0x81));
    EXPECT_TRUE(IsDBCSLeadByte(0xFE));
    EXPECT_FALSE(IsDBCSLeadByte(0xFF));
    EXPECT_FALSE(IsDBCSLeadByte('^'));
    force("65001");
    EXPECT_FALSE(IsDBCSLeadByte(0xBB));
    force("1252");
    EXPECT_FALSE(IsDBCSLeadByte(0xBB));
}

TEST_F(CodePage, CharNextStepsOverGbkPairsAndStopsAtTheTerminator) {
    // "华^n": the caret is the trail byte of a lead byte 0xB0, not a caret.
    const char text[] =
        "\xbb\xaa"
        "a\xb0^n";
    const char* p = text;
    p = CharNextA(p);
    EXPECT_EQ(p, text + 2);
    p = CharNextA(p);
    EXPECT_EQ(p, text + 3);
    p = CharNextA(p);
    EXPECT_EQ(p, text + 5);  // 0xB0 '^' is one character
    p = CharNextA(p);
    EXPECT_EQ(p, text + 6);
    EXPECT_EQ(CharNextA(p), p);  // at the terminator: no further

    // A lead byte right before the terminator steps only itself.
    const char cut[] = "a\xbb";
    EXPECT_EQ(CharNextA(cut + 1), cut + 2);
    EXPECT_EQ(CharNextA(cut + 2), cut + 2);
}

TEST_F(CodePage, CharNextFollowsUtf8SequencesAndSingleBytes) {
    force("65001");
    const char text[] =
        "\xe5\x8d\x8e"
        "b\xf0\x9f\x98\x80\xe5\x8d";
    EXPECT_EQ(CharNextA(text), text + 3);
    EXPECT_EQ(CharNextA(text + 3), text + 4);
    EXPECT_EQ(CharNextA(text + 4), text + 8);
    EXPECT_EQ(CharNextA(text + 8), text + 10);  // a cut sequence ends at the terminator
    EXPECT_EQ(CharNextA(text + 1), text + 2);   // a stray continuation byte is one character
    force("1252");
    EXPECT_EQ(CharNextA(text), text + 1);
}

TEST_F(CodePage, GbkRoundTripsThroughUtf16) {
    WCHAR wide[16] = {};
    ASSERT_EQ(MultiByteToWideChar(936, 0, face_gbk, -1, wide, 16), 5);  // with the terminator
    EXPECT_EQ(std::u16string(wide), std::u16string(face_utf16));
    char back[16] = {};
    ASSERT_EQ(WideCharToMultiByte(936, 0, wide, -1, back, 16, nullptr, nullptr), 9);
    EXPECT_STREQ(back, face_gbk);

    // CP_ACP is 936 here; an explicit count leaves the terminator out.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, face_gbk, 8, wide, 16), 4);
    // A pair's second byte may be an ASCII one ('@', '~'): still one character.
    ASSERT_EQ(MultiByteToWideChar(936, 0,
                                  "a\x81\x40\x81\x7e"
                                  "b",
                                  6, wide, 16),
              4);
    EXPECT_EQ(std::u16string(wide, 4), u"a\u4e02\u4e8ab");
    ASSERT_EQ(WideCharToMultiByte(936, 0, wide, 4, back, 16, nullptr, nullptr), 6);
    EXPECT_EQ(std::string(back, 6),
              "a\x81\x40\x81\x7e"
              "b");
    // Windows' 936 has the euro sign at 0x80.
    ASSERT_EQ(MultiByteToWideChar(936, 0, "\x80", 1, wide, 16), 1);
    EXPECT_EQ(wide[0], u'\u20ac');
}

TEST_F(CodePage, SizeQueriesAndShortBuffers) {
    EXPECT_EQ(MultiByteToWideChar(936, 0, face_gbk, -1, nullptr, 0), 5);
    EXPECT_EQ(WideCharToMultiByte(936, 0, face_utf16, -1, nullptr, 0, nullptr, nullptr), 9);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, face_utf16, 4, nullptr, 0, nullptr, nullptr), 12);
    WCHAR small[2] = {u'x', u'x'};
    EXPECT_EQ(MultiByteToWideChar(936, 0, face_gbk, -1, small, 2), 0);
    EXPECT_EQ(GetLastError(), 122u);  // ERROR_INSUFFICIENT_BUFFER
    char tiny[3] = {'x', 'x', 'x'};
    EXPECT_EQ(WideCharToMultiByte(936, 0, face_utf16, -1, tiny, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), 122u);
    EXPECT_EQ(MultiByteToWideChar(936, 0, face_gbk, 0, small, 2), 0);
    EXPECT_EQ(GetLastError(), 87u);  // ERROR_INVALID_PARAMETER
    EXPECT_EQ(MultiByteToWideChar(437, 0, "a", 1, small, 2), 0);
    EXPECT_EQ(MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, "\x81\n", 2, small, 2), 0);
    EXPECT_EQ(GetLastError(), 1113u);  // ERROR_NO_UNICODE_TRANSLATION
}

TEST_F(CodePage, InvalidInputIsReplacedOrRefused) {
    // A lead byte followed by a line break: the break survives.
    WCHAR wide[8] = {};
    ASSERT_EQ(MultiByteToWideChar(936, 0, "\x81\n", 2, wide, 8), 2);
    EXPECT_EQ(wide[0], u'\ufffd');
    EXPECT_EQ(wide[1], u'\n');
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0,
                                  "a\xe5\x8d"
                                  "b",
                                  4, wide, 8),
              3);
    EXPECT_EQ(std::u16string(wide, 3), u"a\ufffdb");
    // The five holes of 1252 map to the C1 controls and back.
    ASSERT_EQ(MultiByteToWideChar(1252, 0, "\x81\xe9", 2, wide, 8), 2);
    EXPECT_EQ(std::u16string(wide, 2), u"\u0081\u00e9");
    char bytes[4] = {};
    ASSERT_EQ(WideCharToMultiByte(1252, 0, wide, 2, bytes, 4, nullptr, nullptr), 2);
    EXPECT_EQ(std::string(bytes, 2), "\x81\xe9");
}

TEST_F(CodePage, UnmappableCharactersTakeTheDefault) {
    const char16_t thai[] = u"a\u0e01b";
    char bytes[8] = {};
    BOOL used = FALSE;
    ASSERT_EQ(WideCharToMultiByte(936, 0, thai, 3, bytes, 8, nullptr, &used), 3);
    EXPECT_EQ(std::string(bytes, 3), "a?b");
    EXPECT_TRUE(used);
    ASSERT_EQ(WideCharToMultiByte(936, 0, thai, 3, bytes, 8, "\xa1\xa1", &used), 4);
    EXPECT_EQ(std::string(bytes, 4),
              "a\xa1\xa1"
              "b");
    ASSERT_EQ(WideCharToMultiByte(936, 0, face_utf16, 4, bytes, 8, nullptr, &used), 8);
    EXPECT_FALSE(used);
    // UTF-8 encodes everything: a default character is a caller error, and a
    // lone surrogate becomes U+FFFD.
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, thai, 3, bytes, 8, nullptr, &used), 0);
    const char16_t lone[] = {u'a', 0xD800, u'b'};
    ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone, 3, bytes, 8, nullptr, nullptr), 5);
    EXPECT_EQ(std::string(bytes, 5),
              "a\xef\xbf\xbd"
              "b");
}

TEST_F(CodePage, AnsiUtf8HelpersFollowTheDecidedPage) {
    EXPECT_EQ(acp_to_utf8(face_gbk), "\xe5\x8d\x8e\xe6\x96\x87\xe5\xbd\xa9\xe4\xba\x91");
    EXPECT_EQ(utf8_to_acp("\xe5\x8d\x8e\xe6\x96\x87\xe5\xbd\xa9\xe4\xba\x91"), face_gbk);
    EXPECT_EQ(acp_to_code_points("a\xbb\xaa"), U"a\u534e");
    force("65001");
    EXPECT_EQ(acp_to_utf8("\xe5\x8d\x8e"), "\xe5\x8d\x8e");
    EXPECT_EQ(acp_to_utf8("\xff"), "\xef\xbf\xbd");
    force("1252");
    EXPECT_EQ(acp_to_utf8("caf\xe9"), "caf\xc3\xa9");
    EXPECT_EQ(utf8_to_acp("\xe5\x8d\x8e"), "?");
}

}  // namespace
