// Overrides for one run: they replace only what was given, and a message that
// does not fit is refused whole.
#include "config/run_overrides.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/settings.h"

namespace {

class RunOverridesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::strcpy(message_buffer, "stored^ntext");
        follow_value = 5;
    }
    void TearDown() override { run_overrides = RunOverrides{}; }
};

TEST_F(RunOverridesTest, OnlyWhatWasGivenIsReplaced) {
    EXPECT_TRUE(apply_run_overrides());
    EXPECT_STREQ(message_buffer, "stored^ntext");
    EXPECT_EQ(follow_value, 5);

    run_overrides.follow = 0;
    EXPECT_TRUE(apply_run_overrides());
    EXPECT_STREQ(message_buffer, "stored^ntext");
    EXPECT_EQ(follow_value, 0);

    run_overrides.message = "";  // shown as the default message, like an empty stored text
    EXPECT_TRUE(apply_run_overrides());
    EXPECT_STREQ(message_buffer, "");
}

TEST_F(RunOverridesTest, AMessageThatDoesNotFitChangesNothing) {
    const std::string longest(static_cast<std::size_t>(message_text_limit), 'x');
    run_overrides.message = longest;
    EXPECT_TRUE(apply_run_overrides());
    EXPECT_EQ(std::string(message_buffer), longest);

    std::strcpy(message_buffer, "stored");
    run_overrides.message = longest + "x";
    run_overrides.follow = 1;
    EXPECT_FALSE(apply_run_overrides());
    EXPECT_STREQ(message_buffer, "stored");
    EXPECT_EQ(follow_value, 5);
}

}  // namespace
