#include "text/message.h"

#include <gtest/gtest.h>

#include <array>

#include "scene/sea_scene.h"
#include "text/byte_string.h"

namespace {

// Lead and trail bytes of code page 936, so the double-byte cases do not
// depend on the machine's locale.
struct Gbk {
    Gbk() {
        ansi_code_page page;
        for (int b = 0x81; b <= 0xFE; ++b) page.lead[b] = true;
        for (int b = 0x40; b <= 0xFE; ++b) page.trail[b] = b != 0x7F;
        set_ansi_code_page(page);
    }
    ~Gbk() { set_ansi_code_page({}); }
};

constexpr text_encoding ansi = text_encoding::ansi;
constexpr text_encoding utf8 = text_encoding::utf8;

std::vector<std::string> lines_in_turn(SeaScene& s, int n) {
    std::vector<std::string> lines;
    for (int k = 0; k < n; ++k) {
        advance_line(s);
        lines.push_back(s.line);
    }
    return lines;
}

TEST(SetMessage, DefaultMessageGivesFiveLinesThenTheFirstAgain) {
    Gbk gbk;
    SeaScene s;
    set_message(
        s,
        "\xc9\xfa\xc8\xd5\xbf\xec\xc0\xd6^nHappy Birthday^n\xd3\xc0\xd4\xb6\xc3\xc0\xc0\xf6^n"
        "\xcc\xec\xcc\xec\xbf\xaa\xd0\xc4^n\xd5\xe4\xb0\xae\xc3\xbf\xd2\xbb\xcc\xec^n",
        ansi);
    const auto lines = lines_in_turn(s, 6);
    EXPECT_EQ(lines[0], "\xc9\xfa\xc8\xd5\xbf\xec\xc0\xd6");
    EXPECT_EQ(lines[1], "Happy Birthday");
    EXPECT_EQ(lines[4], "\xd5\xe4\xb0\xae\xc3\xbf\xd2\xbb\xcc\xec");
    EXPECT_EQ(lines[5], lines[0]);
}

TEST(SetMessage, EmptyOrOnlyCarriageReturnsGivesTheFallback) {
    SeaScene s;
    for (const char* stored : {"", "\r\r\r"}) {
        set_message(s, stored, ansi);
        EXPECT_EQ(s.text, "\xc9\xfa\xc8\xd5\xbf\xec\xc0\xd6\nHappy Birthday\n");
        EXPECT_EQ(s.cursor, 0);
    }
}

TEST(SetMessage, ResolvesSeparatorsBeforeRemovingCarriageReturnsAndEndsWithNewline) {
    SeaScene s;
    set_message(s, "A\r^nB", ansi);
    EXPECT_EQ(s.text, "A\nB\n");
    set_message(s, "A^nB^n", ansi);
    EXPECT_EQ(s.text, "A\nB\n");
    set_message(s, "A^^nB", ansi);  // a caret before the separator stays
    EXPECT_EQ(s.text, "A^\nB\n");
    set_message(s, "^\rn", ansi);  // the separator does not form after "\r" goes
    EXPECT_EQ(s.text, "^n\n");
    set_message(s, "plain", ansi);
    EXPECT_EQ(s.text, "plain\n");
}

TEST(SetMessage, CaretThatIsATrailByteIsNotASeparator) {
    Gbk gbk;
    SeaScene s;
    // 0x81 0x5E is one double-byte character whose trail byte is "^".
    set_message(s, "\x81^n^nZ", ansi);
    EXPECT_EQ(s.text, "\x81^n\nZ\n");
    set_ansi_code_page({});  // in a single-byte page the same bytes hold a separator
    set_message(s, "\x81^n^nZ", ansi);
    EXPECT_EQ(s.text, "\x81\n\nZ\n");
}

TEST(AdvanceLine, EmptyLinesAndWrapping) {
    SeaScene s;
    set_message(s, "A^n^nB^n", ansi);
    const auto lines = lines_in_turn(s, 4);
    EXPECT_EQ(lines, (std::vector<std::string>{"A", "", "B", "A"}));
}

TEST(AdvanceLine, ResetsEmissionLiftAndParticles) {
    SeaScene s;
    set_message(s, "A^nB", ansi);
    s.emit_count = 32;
    s.lift = 12;
    Particle p;
    init_particle(p);
    append(s.particles, p);
    advance_line(s);
    EXPECT_EQ(s.line, "A");
    EXPECT_EQ(s.cursor, 2);
    EXPECT_EQ(s.emit_count, 0);
    EXPECT_EQ(s.lift, 0.0);
    EXPECT_EQ(s.particles.count, 0);
    EXPECT_FALSE(s.particles.items);
}

TEST(AdvanceLine, RepairsAnEmptyTextAndACursorOutOfRange) {
    SeaScene s;
    s.text.clear();
    advance_line(s);
    EXPECT_EQ(s.line, "\xc9\xfa\xc8\xd5\xbf\xec\xc0\xd6");
    s.text = "X\nY\n";
    s.cursor = 99;
    advance_line(s);
    EXPECT_EQ(s.line, "X");
    s.cursor = -3;
    advance_line(s);
    EXPECT_EQ(s.line, "X");
    s.text = "no newline";  // cannot come from set_message, but must not break
    s.cursor = 0;
    advance_line(s);
    EXPECT_EQ(s.line, "");
    EXPECT_EQ(s.cursor, 0);
}

TEST(ByteString, FindStartsOnlyAtCharacterBoundaries) {
    Gbk gbk;
    const std::string text =
        "\xb0\x5e"
        "n^n";
    EXPECT_EQ(find_from(text, "^n", 0, ansi), 3u);
    EXPECT_EQ(find_from(text, "\n", 0, ansi), std::string::npos);
    EXPECT_EQ(find_from("ab\ncd\n", "\n", 3, ansi), 5u);
    EXPECT_EQ(replace_all(text, "^n", "\r\n", ansi), "\xb0\x5en\r\n");
    // A lead byte at the very end has no trail byte and is a character by itself.
    EXPECT_EQ(replace_all("a^n\xb0", "^n", "|", ansi), "a|\xb0");
    EXPECT_EQ(replace_all("^n^n", "^n", "^n^n", ansi), "^n^n^n^n");  // no rescanning
}

TEST(ByteString, ALeadByteBeforeANonTrailByteIsACharacterOfItsOwn) {
    Gbk gbk;
    // A broken character must not swallow the line break after it, nor the
    // separator: the line still ends and the later lines still come.
    SeaScene s;
    set_message(s, "abc\x81", ansi);
    EXPECT_EQ(s.text, "abc\x81\n");
    EXPECT_EQ(lines_in_turn(s, 2), (std::vector<std::string>{"abc\x81", "abc\x81"}));
    set_message(s, "abc\x81\x7f^ndef\xff^n\xa3", ansi);
    EXPECT_EQ(lines_in_turn(s, 4),
              (std::vector<std::string>{"abc\x81\x7f", "def\xff", "\xa3", "abc\x81\x7f"}));
    // A caret after a lead byte is its trail byte: no separator, one line.
    set_message(s, "abc\x81^ndef", ansi);
    EXPECT_EQ(lines_in_turn(s, 2), (std::vector<std::string>{"abc\x81^ndef", "abc\x81^ndef"}));
    // 0x7F and 0xFF are no trail bytes either; valid pairs are unchanged.
    EXPECT_EQ(find_from("\x81\x7f\n", "\n", 0, ansi), 2u);
    EXPECT_EQ(find_from("\x81\xff^n", "^n", 0, ansi), 2u);
    EXPECT_EQ(find_from("\x81\x40^n", "^n", 0, ansi), 2u);
    EXPECT_EQ(character_boundary_at_most("a\x81\n", 2, ansi), 2u);
    EXPECT_EQ(character_boundary_at_most("a\x81\x41", 2, ansi), 1u);
}

TEST(SetMessage, UnicodeTextIsSplitByItsOwnCharacters) {
    Gbk gbk;  // the code page's rules must not apply to UTF-8 text
    SeaScene s;
    // "Привет^n生日快乐^nÉté": in GBK rules 0xD0 0x9F would pair up wrongly.
    set_message(s, "\xd0\x9f\xd1\x80\xd0\xb8^n\xe7\x94\x9f\xe6\x97\xa5^n\xc3\x89t\xc3\xa9", utf8);
    EXPECT_EQ(s.encoding, utf8);
    EXPECT_EQ(lines_in_turn(s, 4),
              (std::vector<std::string>{"\xd0\x9f\xd1\x80\xd0\xb8", "\xe7\x94\x9f\xe6\x97\xa5",
                                        "\xc3\x89t\xc3\xa9", "\xd0\x9f\xd1\x80\xd0\xb8"}));
    // A cut never falls inside a UTF-8 sequence.
    EXPECT_EQ(character_boundary_at_most("ab\xe7\x94\x9f"
                                         "c",
                                         4, utf8),
              2u);
    EXPECT_EQ(character_boundary_at_most("ab\xe7\x94\x9f"
                                         "c",
                                         5, utf8),
              5u);
    // An empty message falls back to the built-in one, in its own encoding.
    set_message(s, "", utf8);
    EXPECT_EQ(s.text, "\xc9\xfa\xc8\xd5\xbf\xec\xc0\xd6\nHappy Birthday\n");
    EXPECT_EQ(s.encoding, ansi);
}

}  // namespace
