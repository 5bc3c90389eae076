#include "text/message.h"

#include <gtest/gtest.h>

#include <array>

#include "scene/sea_scene.h"
#include "text/byte_string.h"

namespace {

// Lead bytes of code page 936, so the double-byte cases do not depend on the
// machine's locale.
struct Gbk {
    Gbk() {
        std::array<bool, 256> lead{};
        for (int b = 0x81; b <= 0xFE; ++b) lead[b] = true;
        set_lead_bytes(lead);
    }
    ~Gbk() { set_lead_bytes({}); }
};

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
    set_message(s, "\xc9\xfa\xc8\xd5\xbf\xec\xc0\xd6^nHappy Birthday^n\xd3\xc0\xd4\xb6\xc3\xc0\xc0\xf6^n"
                   "\xcc\xec\xcc\xec\xbf\xaa\xd0\xc4^n\xd5\xe4\xb0\xae\xc3\xbf\xd2\xbb\xcc\xec^n");
    const auto lines = lines_in_turn(s, 6);
    EXPECT_EQ(lines[0], "\xc9\xfa\xc8\xd5\xbf\xec\xc0\xd6");
    EXPECT_EQ(lines[1], "Happy Birthday");
    EXPECT_EQ(lines[4], "\xd5\xe4\xb0\xae\xc3\xbf\xd2\xbb\xcc\xec");
    EXPECT_EQ(lines[5], lines[0]);
}

TEST(SetMessage, EmptyOrOnlyCarriageReturnsGivesTheFallback) {
    SeaScene s;
    for (const char* stored : {"", "\r\r\r"}) {
        set_message(s, stored);
        EXPECT_EQ(s.text, "\xc9\xfa\xc8\xd5\xbf\xec\xc0\xd6\nHappy Birthday\n");
        EXPECT_EQ(s.cursor, 0);
    }
}

TEST(SetMessage, ResolvesSeparatorsBeforeRemovingCarriageReturnsAndEndsWithNewline) {
    SeaScene s;
    set_message(s, "A\r^nB");
    EXPECT_EQ(s.text, "A\nB\n");
    set_message(s, "A^nB^n");
    EXPECT_EQ(s.text, "A\nB\n");
    set_message(s, "A^^nB");  // a caret before the separator stays
    EXPECT_EQ(s.text, "A^\nB\n");
    set_message(s, "^\rn");  // the separator does not form after "\r" goes
    EXPECT_EQ(s.text, "^n\n");
    set_message(s, "plain");
    EXPECT_EQ(s.text, "plain\n");
}

TEST(SetMessage, CaretThatIsATrailByteIsNotASeparator) {
    Gbk gbk;
    SeaScene s;
    // 0x81 0x5E is one double-byte character whose trail byte is "^".
    set_message(s, "\x81^n^nZ");
    EXPECT_EQ(s.text, "\x81^n\nZ\n");
    set_lead_bytes({});  // in a single-byte page the same bytes hold a separator
    set_message(s, "\x81^n^nZ");
    EXPECT_EQ(s.text, "\x81\n\nZ\n");
}

TEST(AdvanceLine, EmptyLinesAndWrapping) {
    SeaScene s;
    set_message(s, "A^n^nB^n");
    const auto lines = lines_in_turn(s, 4);
    EXPECT_EQ(lines, (std::vector<std::string>{"A", "", "B", "A"}));
}

TEST(AdvanceLine, ResetsEmissionLiftAndParticles) {
    SeaScene s;
    set_message(s, "A^nB");
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
    const std::string text = "\xb0\x5e" "n^n";
    EXPECT_EQ(find_from(text, "^n", 0), 3u);
    EXPECT_EQ(find_from(text, "\n", 0), std::string::npos);
    EXPECT_EQ(find_from("ab\ncd\n", "\n", 3), 5u);
    EXPECT_EQ(replace_all(text, "^n", "\r\n"), "\xb0\x5en\r\n");
    // A lead byte at the very end has no trail byte and is a character by itself.
    EXPECT_EQ(replace_all("a^n\xb0", "^n", "|"), "a|\xb0");
    EXPECT_EQ(replace_all("^n^n", "^n", "^n^n"), "^n^n^n^n");  // no rescanning
}

}  // namespace
