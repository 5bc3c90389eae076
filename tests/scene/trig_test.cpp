#include "scene/trig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// Correctly rounded values worked out independently (a Taylor series in
// 800-digit decimal arithmetic, rounded once): arguments small and huge, one
// within 2^-61 of a multiple of pi/2, and two from the animation where C
// libraries are known to round the other way.
TEST(Trig, GivesTheDoubleNearestTheTrueValue) {
    struct {
        double x, sin, cos;
    } const cases[] = {
        {0x1p+0, 0x1.aed548f090ceep-1, 0x1.14a280fb5068cp-1},
        {0x1.921fb54442d18p+0, 0x1.0000000000000p+0, 0x1.1a62633145c07p-54},   // pi/2
        {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53, -0x1.0000000000000p+0},  // pi
        {0x1.b7cdfd9d7bdbbp-34, 0x1.b7cdfd9d7bdbbp-34, 1.0},                   // 1e-10
        {0x1.e3782334518f2p+2, 0x1.e92a9d3ec5293p-1, 0x1.2e64410b07515p-2},    // a ripple ring
        {0x1.6ace19df26a3ap+1, 0x1.35a073e0461adp-2, -0x1.e8089b720bcc1p-1},   // a view angle
        {0x1.e240c9fbe76c9p+16, -0x1.ff50e60ab53f9p-1, 0x1.a74d27c41b22ap-5},  // 123456.789
        {0x1.e848000000000p+19, -0x1.6664b2568d867p-2, 0x1.df9df9906d32cp-1},  // 1e6
        {0x1.0f0cf064dd592p+73, -0x1.b453ab76bf397p-1, 0x1.0be2cef01c8f4p-1},  // 1e22
        {0x1.6ac5b262ca1ffp+849, 0x1.0000000000000p+0, -0x1.14ae72e6ba22fp-61},
        {0x1.fffffffffffffp+1023, 0x1.452fc98b34e97p-8, -0x1.fffe62ecfab75p-1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sine(c.x), c.sin) << std::hexfloat << c.x;
        EXPECT_EQ(cosine(c.x), c.cos) << std::hexfloat << c.x;
        EXPECT_EQ(sine(-c.x), -c.sin) << std::hexfloat << c.x;
        EXPECT_EQ(cosine(-c.x), c.cos) << std::hexfloat << c.x;
        EXPECT_EQ(exact_sine(c.x), c.sin) << std::hexfloat << c.x;
        EXPECT_EQ(exact_cosine(c.x), c.cos) << std::hexfloat << c.x;
    }
}

TEST(Trig, ZerosTinyArgumentsAndNonNumbers) {
    EXPECT_TRUE(std::signbit(sine(-0.0)));
    EXPECT_EQ(sine(0.0), 0.0);
    EXPECT_EQ(cosine(-0.0), 1.0);
    EXPECT_EQ(sine(0x1p-1074), 0x1p-1074);
    EXPECT_EQ(sine(0x1.fffffffffffffp-27), 0x1.fffffffffffffp-27);
    EXPECT_EQ(cosine(0x1.fffffffffffffp-28), 1.0);
    // Just above the shortcuts the series takes over and must agree.
    EXPECT_EQ(sine(0x1p-26), exact_sine(0x1p-26));
    EXPECT_EQ(cosine(0x1p-27), exact_cosine(0x1p-27));
    const double inf = std::numeric_limits<double>::infinity();
    for (double x : {inf, -inf, std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_TRUE(std::isnan(sine(x)));
        EXPECT_TRUE(std::isnan(cosine(x)));
        EXPECT_TRUE(std::isnan(exact_sine(x)));
    }
}

// The two ways are written independently (double-double series after a
// reduction by three-part pi/2, and fixed-point arithmetic with 1344 bits of
// 2/pi); both round correctly, so they must agree everywhere: small and huge
// arguments, and arguments next to multiples of pi/2, where the reduction
// loses most bits.
TEST(Trig, FastAndExactWaysAgree) {
    std::uint64_t state = 7;
    auto next = [&state] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return state >> 11;  // 53 bits
    };
    int compared = 0;
    for (int k = 0; k < 6000; ++k) {
        const double unit = static_cast<double>(next()) * 0x1p-53;
        const int exponent = static_cast<int>(next() % 90) - 30;  // 2^-30 .. 2^59
        double x = (1 + unit) * std::ldexp(1.0, exponent);
        if (k % 3 == 0) x = static_cast<double>(next() % 4000000) * 1.5707963267948966;
        if (k % 7 == 0) x = std::ldexp(1 + unit, static_cast<int>(next() % 1000));
        if (k % 2) x = -x;
        ASSERT_EQ(sine(x), exact_sine(x)) << std::hexfloat << x;
        ASSERT_EQ(cosine(x), exact_cosine(x)) << std::hexfloat << x;
        ++compared;
    }
    EXPECT_EQ(compared, 6000);
}

}  // namespace
