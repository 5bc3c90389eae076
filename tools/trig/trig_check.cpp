// Compares the core's sine and cosine with the C library's on the arguments
// the animation uses (the seeding ripples' rings, the view angle over a
// million ticks, the tilt) and on random arguments in [-8 pi, 8 pi], and
// tells every difference apart by a third opinion: the quadruple-precision
// sine and cosine (113 bits) rounded to double. Also checks the core's fast
// way against its exact way on a sample.
//   trig_check [random arguments, default 100000000] [ticks, default 1000000]
#include <quadmath.h>

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "animation/animation.h"
#include "scene/particle.h"
#include "scene/sea_scene.h"
#include "scene/trig.h"

namespace {

// Keeps the compiler from working the C library's values out at build time.
volatile double opaque_sink;
double opaque(double v) {
    opaque_sink = v;
    return opaque_sink;
}

struct tally {
    long long arguments = 0;
    long long differ = 0;         // core and C library give different doubles
    long long library_wrong = 0;  // ... and the quadruple-precision value sides with the core
    long long core_wrong = 0;     // ... and it sides with the C library
    long long neither = 0;        // ... and it sides with neither
    long long fast_vs_exact = 0;  // the core's two ways disagree
    long long exact_checked = 0;
    double worst_example = 0;
    bool has_example = false;
};

void compare(tally& t, double x, bool sine_wave, bool check_exact) {
    const double a = opaque(x);
    const double core = sine_wave ? sine(a) : cosine(a);
    const double library = sine_wave ? std::sin(a) : std::cos(a);
    ++t.arguments;
    if (check_exact) {
        ++t.exact_checked;
        if ((sine_wave ? exact_sine(a) : exact_cosine(a)) != core) ++t.fast_vs_exact;
    }
    if (core == library || (core != core && library != library)) return;
    ++t.differ;
    const double quad = static_cast<double>(sine_wave ? sinq(a) : cosq(a));
    if (quad == core) {
        ++t.library_wrong;
        if (!t.has_example) {
            t.worst_example = x;
            t.has_example = true;
        }
    } else if (quad == library) {
        ++t.core_wrong;
        std::printf("  core differs from the reference: %s(%a) core %a library %a quad %a\n",
                    sine_wave ? "sin" : "cos", x, core, library, quad);
    } else {
        ++t.neither;
    }
}

void report(const char* what, const tally& t) {
    std::printf(
        "%s: %lld values; core != C library: %lld (C library misrounded: %lld, core "
        "misrounded: %lld, undecided: %lld); fast != exact way: %lld of %lld\n",
        what, t.arguments, t.differ, t.library_wrong, t.core_wrong, t.neither, t.fast_vs_exact,
        t.exact_checked);
    if (t.has_example) {
        const double x = t.worst_example;
        std::printf("  e.g. x = %a: sin core %a library %a; cos core %a library %a\n", x, sine(x),
                    std::sin(opaque(x)), cosine(x), std::cos(opaque(x)));
    }
}

// splitmix64: the same sequence on every system.
std::uint64_t next_random(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

}  // namespace

int main(int argc, char** argv) {
    const long long randoms = argc > 1 ? std::atoll(argv[1]) : 100000000LL;
    const long long ticks = argc > 2 ? std::atoll(argv[2]) : 1000000LL;

    tally ripples;
    constexpr std::int64_t radius_squared = 50 * 50;
    for (std::int64_t d2 = 0; d2 <= radius_squared; ++d2) {
        compare(ripples, ripple_argument(d2, radius_squared, 3.5), false, true);
    }
    report("seeding ripples (cosine)", ripples);

    tally views;
    Pose view;
    init_pose(view);
    add_angle(view, start_view_angle);
    for (long long t = 0; t <= ticks; ++t) {
        compare(views, view.angle_z, true, t % 64 == 0);
        compare(views, view.angle_z, false, t % 64 == 0);
        add_angle(view, view_step);
    }
    compare(views, sea_tilt, true, true);
    compare(views, sea_tilt, false, true);
    report("view angle over the ticks, and the tilt (sine and cosine)", views);

    tally random;
    std::uint64_t state = 20261207;
    constexpr double span = 8 * 3.141592653589793;
    for (long long k = 0; k < randoms; ++k) {
        const double u = static_cast<double>(next_random(state) >> 11) * 0x1p-53;  // [0, 1)
        const double x = (2 * u - 1) * span;
        compare(random, x, true, k % 1000 == 0);
        compare(random, x, false, k % 1000 == 0);
    }
    report("random arguments in [-8 pi, 8 pi] (sine and cosine)", random);

    const long long wrong = ripples.core_wrong + views.core_wrong + random.core_wrong +
                            ripples.fast_vs_exact + views.fast_vs_exact + random.fast_vs_exact;
    return wrong == 0 ? 0 : 1;
}
