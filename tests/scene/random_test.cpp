#include "scene/random.h"

#include <gtest/gtest.h>

TEST(RandomSequence, StartsAtOneAndFollowsTheLinearCongruence) {
    const std::uint32_t saved = random_state();
    set_random_state(1);
    // s = s * 214013 + 2531011 (mod 2^32); the draw is bits 16..30.
    EXPECT_EQ(random_draw(), 41);
    EXPECT_EQ(random_draw(), 18467);
    EXPECT_EQ(random_draw(), 6334);
    EXPECT_EQ(random_draw(), 26500);
    set_random_state(0xFFFFFFFFu);  // wraps modulo 2^32
    EXPECT_EQ(random_draw(), static_cast<int>(((0xFFFFFFFFu * 214013u + 2531011u) >> 16) & 0x7FFF));
    for (int k = 0; k < 1000; ++k) {
        const int d = random_draw();
        ASSERT_GE(d, 0);
        ASSERT_LE(d, 32767);
    }
    set_random_state(saved);
}
