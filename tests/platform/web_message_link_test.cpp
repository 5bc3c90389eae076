// The browser page's message in a link and in its text area: base64url both
// ways, strict UTF-8, the settings dialog's line rules and limit, and what a
// fragment says (with the reason when it cannot be read).
#include <gtest/gtest.h>

#include <string>

#include "config/settings.h"
#include "platform/web/message_link.h"

namespace {

static_assert(web_message_limit == static_cast<std::size_t>(message_text_limit),
              "the page refuses what the settings dialog refuses");

TEST(WebBase64, EveryLengthAndByteComesBackAndNeedsNoPadding) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    for (std::size_t n = 0; n <= 7; ++n) {
        for (std::size_t at = 0; at + n <= all.size(); at += 37) {
            const std::string bytes = all.substr(at, n);
            const std::string text = base64url_encode(bytes);
            EXPECT_EQ(text.find_first_of("=+/"), std::string::npos) << text;
            std::string back;
            ASSERT_TRUE(base64url_decode(text, back)) << text;
            EXPECT_EQ(back, bytes);
        }
    }
    EXPECT_EQ(base64url_encode("\xfb\xff"), "-_8");
}

TEST(WebBase64, TakesPaddingAndTheOrdinaryAlphabetRefusesTheRest) {
    std::string bytes;
    EXPECT_TRUE(base64url_decode("-_8=", bytes));
    EXPECT_EQ(bytes, "\xfb\xff");
    EXPECT_TRUE(base64url_decode("+/8", bytes));
    EXPECT_EQ(bytes, "\xfb\xff");
    EXPECT_FALSE(base64url_decode("aGk*", bytes));       // not a digit
    EXPECT_FALSE(base64url_decode("aGVsbG8hZ", bytes));  // one digit cannot end a byte
    EXPECT_FALSE(base64url_decode("aG k", bytes));
}

TEST(WebUtf8, RefusesWhatIsNoText) {
    EXPECT_TRUE(valid_utf8("Привет こんにちは 안녕 \xf0\x9f\x98\x80"));
    EXPECT_FALSE(valid_utf8("\xc0\xaf"));          // overlong "/"
    EXPECT_FALSE(valid_utf8("\xe0\x80\xaf"));      // overlong, three bytes
    EXPECT_FALSE(valid_utf8("\xed\xa0\x80"));      // a surrogate
    EXPECT_FALSE(valid_utf8("\xf4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(valid_utf8("ab\xe4\xb8"));        // cut short
    EXPECT_FALSE(valid_utf8("\xc9\xfa\xc8\xd5"));  // GBK
    EXPECT_FALSE(valid_utf8("\x80"));
}

TEST(WebMessage, CountsTheStoredFormAndRefusesPastTheLimitWithoutCutting) {
    EXPECT_EQ(stored_form("a\r\nb\nc"), "a^nb^nc");
    std::size_t size = 0;
    // 4,092 letters and one line break stored as "^n": exactly the limit.
    std::string text(4092, 'x');
    text.insert(100, "\n");
    EXPECT_EQ(check_message(text, size), message_problem::none);
    EXPECT_EQ(size, 4094u);
    text.insert(200, "\r\n");
    EXPECT_EQ(check_message(text, size), message_problem::too_long);
    EXPECT_EQ(size, 4096u);
    EXPECT_EQ(check_message(std::string("a\0b", 3), size), message_problem::not_text);
    EXPECT_EQ(check_message("\xff", size), message_problem::not_text);
}

TEST(WebFragment, SaysTheMessageAndTheDriftChoice) {
    const std::string text = "Привет\nこんにちは\n안녕 \xf0\x9f\x98\x80";
    link_message link = read_fragment(fragment_for(text, true));
    EXPECT_EQ(link.problem, message_problem::none);
    EXPECT_TRUE(link.given);
    EXPECT_EQ(link.text, text);
    EXPECT_TRUE(link.drift);
    // A link decides the drift: without "follow=1" the text does not drift.
    link = read_fragment(fragment_for(text, false));
    EXPECT_EQ(link.text, text);
    EXPECT_FALSE(link.drift);
    // Any order, unknown parameters ignored, escaped padding read.
    link = read_fragment("utm=x&follow=1&m=aGk%3D");
    EXPECT_EQ(link.problem, message_problem::none);
    EXPECT_EQ(link.text, "hi");
    EXPECT_TRUE(link.drift);
    // No message: the default, drifting as the saver does without settings.
    link = read_fragment("");
    EXPECT_FALSE(link.given);
    EXPECT_TRUE(link.drift);
    EXPECT_EQ(read_fragment("follow=0").drift, false);
}

TEST(WebFragment, NamesWhatIsWrongAndKeepsATextThatIsOnlyTooLong) {
    link_message link = read_fragment("m=@@@@");
    EXPECT_EQ(link.problem, message_problem::bad_base64);
    EXPECT_TRUE(link.text.empty());
    link = read_fragment("m=" + base64url_encode("\xc9\xfa\xc8\xd5"));
    EXPECT_EQ(link.problem, message_problem::not_text);
    EXPECT_TRUE(link.text.empty());
    const std::string long_text(5000, 'y');
    link = read_fragment(fragment_for(long_text, true));
    EXPECT_EQ(link.problem, message_problem::too_long);
    EXPECT_EQ(link.size, 5000u);
    EXPECT_EQ(link.text, long_text);
    link = read_fragment("m=aGk&follow=yes");
    EXPECT_EQ(link.problem, message_problem::bad_follow);
}

}  // namespace
