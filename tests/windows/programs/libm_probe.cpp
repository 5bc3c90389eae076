// Prints the sine and cosine values the animation uses, as exact hexadecimal
// doubles, both the core's own and the C library's, so that two builds can be
// compared: the cosines of the seeding ripples' rings and the sine and cosine
// of the view angle at every tick. Built for Linux and for Windows from this
// one source. Each line: kind, index, core values, C library values.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "animation/animation.h"
#include "scene/particle.h"
#include "scene/sea_scene.h"
#include "scene/trig.h"

namespace {

// Keeps the compiler from evaluating the functions at build time.
volatile double sink_in;

double opaque(double v) {
    sink_in = v;
    return sink_in;
}

}  // namespace

int main(int argc, char** argv) {
    long ticks = 2000;
    if (argc > 1) ticks = std::atol(argv[1]);
    // Ring radius 50 and 3.5 waves across it, as the seeding ripples use.
    const std::int64_t r2 = 50 * 50;
    for (std::int64_t d2 = 0; d2 <= r2; ++d2) {
        const double argument = opaque(ripple_argument(d2, r2, 3.5));
        std::printf("ripple %lld %a - %a -\n", static_cast<long long>(d2), cosine(argument),
                    std::cos(argument));
    }
    Pose view;
    init_pose(view);
    add_angle(view, start_view_angle);
    for (long t = 0; t <= ticks; ++t) {
        const double angle = opaque(view.angle_z);
        std::printf("view %ld %a %a %a %a\n", t, sine(angle), cosine(angle), std::sin(angle),
                    std::cos(angle));
        add_angle(view, view_step);
    }
    return 0;
}
