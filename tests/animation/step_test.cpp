#include "animation/step.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "scene/particle_list.h"
#include "scene/random.h"
#include "scene/sea_scene.h"
#include "scene/trig.h"
#include "scene/vector_lanes.h"

namespace {

// A scene whose emitter is already done, so that steps touch only the sea and
// the particles the test puts there. The view angle sets the turn phase.
struct QuietScene {
    SeaScene s;
    explicit QuietScene(double view_angle = 0) {
        build_grid(s, 100, 100);
        s.emit_count = 32;
        s.view.angle_z = view_angle;
    }
};

Particle text_particle(double x, double y, double z) {
    Particle p;
    init_particle(p);
    p.x = x;
    p.y = y;
    p.z = z;
    p.height = z;
    p.visible = 1;
    return p;
}

TEST(Step, RestingSeaStaysAtRestAndFadesTowardWhite) {
    QuietScene q(1.2);  // phase 0.932: the sweep would move if there were particles
    q.s.sweep_level = 50;
    q.s.sweep_speed = -1;
    for (int i = 0; i < 100; ++i)
        for (int j = 0; j < 100; ++j)
            q.s.grid[i][j].red = q.s.grid[i][j].green = q.s.grid[i][j].blue = 0.5;
    step(q.s);
    for (int i = 0; i < 100; ++i) {
        for (int j = 0; j < 100; ++j) {
            const Particle& n = q.s.grid[i][j];
            ASSERT_EQ(n.height, 0.0);
            ASSERT_EQ(n.z, 0.0);
            ASSERT_EQ(n.red, 0.5005) << i << "," << j;  // a thousandth of the way to white
        }
    }
    EXPECT_EQ(q.s.sweep_level, 50.0);  // no particles: the sweep does not move
    EXPECT_EQ(q.s.sweep_speed, -1.0);
}

TEST(Step, RippleCentreRisesByItsAmplitude) {
    QuietScene q;
    drop_ripple(q.s, 50, 50, 0.8, 3);
    step(q.s);
    EXPECT_EQ(q.s.grid[50][50].height, 0.8);
    EXPECT_EQ(q.s.grid[50][50].z, 0.8);
}

TEST(Step, DiagonalHeightCouplingCarriesItsExtraWeight) {
    QuietScene q;
    q.s.grid[40][40].height = 1.0;  // every other node starts at 0
    step(q.s);
    // A neighbour of the raised node gains 1/8 of the difference in velocity;
    // a diagonal neighbour 1/8 of it times 0.7072135785007072, worked out by
    // hand: both in every direction.
    for (const auto& [di, dj] : {std::pair{0, 1}, {1, 0}, {0, -1}, {-1, 0}}) {
        EXPECT_EQ(q.s.grid[40 + di][40 + dj].velocity, 0.125) << di << "," << dj;
    }
    for (const auto& [di, dj] : {std::pair{1, 1}, {1, -1}, {-1, 1}, {-1, -1}}) {
        EXPECT_EQ(q.s.grid[40 + di][40 + dj].velocity, 0.0884016973125884) << di << "," << dj;
    }
    EXPECT_EQ(q.s.grid[42][40].velocity, 0.0);  // two cells away: nothing yet
}

TEST(Step, NodesOfTheLastRowAreNotCoupledToEachOther) {
    // Two rows: row 1 is wholly visible, row 0 only at its middle, so the nodes of
    // row 1 could meet each other only as a pair within the last row.
    SeaScene s;
    build_grid(s, 2, 200);
    s.emit_count = 32;
    for (int j = 0; j < 200; ++j) ASSERT_TRUE(s.grid[1][j].visible);
    s.grid[1][10].red = 0;
    step(s);
    EXPECT_EQ(s.grid[1][10].red, 0.001);  // only the fade toward white
    EXPECT_EQ(s.grid[1][11].red, 1.0);
    EXPECT_EQ(s.grid[1][9].red, 1.0);
}

// The drawn point of a node left behind by its wave falls freely (its speed
// 0.5 lower each step) and is carried again only by a surface above it: one
// that it lands on exactly does not stop its fall.
TEST(Step, DrawnPointFallsFreelyUntilTheSurfaceIsAboveIt) {
    QuietScene q;
    Particle& node = q.s.grid[50][50];  // a sea at rest: its surface stays at 0
    node.spray_z = 1.5;
    node.spray_vz = -1.0;
    step(q.s);
    EXPECT_EQ(node.spray_vz, -1.5);
    EXPECT_EQ(node.spray_z, 0.0);  // on the surface, not below it: still falling
    EXPECT_EQ(node.z, 0.0);
    step(q.s);  // would fall to -2: the surface carries it, at the wave's speed
    EXPECT_EQ(node.spray_z, 0.0);
    EXPECT_EQ(node.spray_vz, 0.0);
}

TEST(Step, LiftPushesTheSeaUpNearTheQuarterTurn) {
    // turn_phase = sin(angle) at its maximum: 1 → lift = 0.005 * 300 * 200 = 300.
    QuietScene q(pi / 2 - 1e-9);
    step(q.s);
    EXPECT_EQ(q.s.lift, 300.0000000000003);  // 0.995 is a little below its decimal value
    for (int i = 0; i < 100; ++i)
        for (int j = 0; j < 100; ++j) ASSERT_GE(q.s.grid[i][j].z, q.s.grid[i][j].height + q.s.lift);
}

TEST(Step, LineChangesOnTheFirstStepAfterTheLift) {
    QuietScene q(pi / 2 - 0.01);  // phase 0.99995: lifted
    q.s.text = "A\nB\n";
    q.s.cursor = 0;
    step(q.s);
    EXPECT_GT(q.s.lift, 0.0);
    EXPECT_TRUE(q.s.line.empty());
    q.s.view.angle_z = pi / 2 + 0.01;  // past the quarter turn: phase drops to -0.99995
    step(q.s);
    EXPECT_EQ(q.s.line, "A");
    EXPECT_EQ(q.s.lift, 0.0);
    EXPECT_EQ(q.s.emit_count, 1);  // the first slice comes in the same step
    step(q.s);
    EXPECT_EQ(q.s.line, "A");  // lift already 0: no further change
}

TEST(Step, EmitsInExactlyThirtyTwoSteps) {
    QuietScene q(-1.0);
    q.s.emit_count = 0;
    for (int n = 0; n < 40; ++n) step(q.s);
    EXPECT_EQ(q.s.emit_count, 32);
}

TEST(Step, ReleasedParticleFallsUntilTheFloor) {
    QuietScene q(-pi / 2 + 0.5);  // negative phase: one random release per step
    Particle p = text_particle(0, 0, 5);
    p.released = 1;
    append(q.s.particles, p);
    renew_snapshot(q.s.particles);
    step(q.s);
    EXPECT_EQ(q.s.particles.velocities[0], -0.5);
    EXPECT_EQ(q.s.particles.items[0].z, 4.5);
    step(q.s);
    EXPECT_EQ(q.s.particles.velocities[0], -1.0);
    EXPECT_EQ(q.s.particles.items[0].z, 3.5);
    // z = 5 - 0.25 n (n + 1) passes -3000 at the 110th step, at -3047.5, and
    // stays there.
    for (int n = 2; n < 110; ++n) step(q.s);
    EXPECT_EQ(q.s.particles.items[0].z, -3047.5);
    EXPECT_EQ(q.s.particles.velocities[0], -55.0);
    for (int n = 0; n < 5; ++n) step(q.s);
    EXPECT_EQ(q.s.particles.items[0].z, -3047.5);
    EXPECT_EQ(q.s.particles.velocities[0], -55.0);
}

TEST(Step, ReleasedParticleStainsOnlyWhileAboveTheSea) {
    QuietScene q(-1.0);
    Particle p = text_particle(0, 0, 0.75);
    p.red = 1;
    p.green = 0.25;
    p.blue = 0;
    p.released = 1;
    append(q.s.particles, p);
    step(q.s);  // was visible: stains node (50, 50), then falls to 0.25
    EXPECT_EQ(q.s.grid[50][50].green, 0.25);
    EXPECT_EQ(q.s.particles.items[0].visible, 1);
    step(q.s);  // visible in the last step: stains again, falls to -0.75, below the sea
    EXPECT_EQ(q.s.grid[50][50].green, 0.25);
    EXPECT_EQ(q.s.particles.items[0].visible, 0);
    for (int i = 0; i < 100; ++i)
        for (int j = 0; j < 100; ++j) q.s.grid[i][j].green = 1.0;
    step(q.s);  // hidden: no stain
    EXPECT_EQ(q.s.grid[50][50].green, 1.0 + (1 - 1.0) * 0.001);
}

// An angle whose turn phase (its sine) is exactly 0.25: 32 times it is 8.
double angle_of_phase_one_quarter() {
    double a = std::asin(0.25);
    while (sine(a) < 0.25) a = std::nextafter(a, 1.0);
    while (sine(a) > 0.25) a = std::nextafter(a, 0.0);
    return a;
}

TEST(Step, RandomReleasesOnePlusCeilingOfThirtyTwoTimesThePhase) {
    const double quarter = angle_of_phase_one_quarter();
    ASSERT_EQ(sine(quarter), 0.25);
    struct {
        double angle;
        int draws;
    } const cases[] = {
        {-0.5, 1},         // negative phase: the one release only
        {0.0, 1},          // phase 0: q = 0 is not above 0
        {0.1, 1 + 4},      // phase 0.0998: q = 3.19, so k = 1 … 4
        {quarter, 1 + 8},  // q = 8 exactly: k = 1 … 8, the last not below q
    };
    for (const auto& c : cases) {
        QuietScene q(c.angle);
        for (int k = 0; k < 1000; ++k) append(q.s.particles, text_particle(0, 0, 100));
        const std::uint32_t before = random_state();
        step(q.s);
        std::uint32_t expected = before;
        for (int d = 0; d < c.draws; ++d) expected = expected * 214013u + 2531011u;
        EXPECT_EQ(random_state(), expected) << "angle " << c.angle;
    }
}

TEST(Step, HeldParticlesRideTheWavesOnlyWhenFollowIsZero) {
    for (const int follow : {0, 1}) {
        QuietScene q(-1.0);
        q.s.follow = follow;
        for (int i = 0; i < 100; ++i)
            for (int j = 0; j < 100; ++j) q.s.grid[i][j].height = 2.0;  // sea settles at z = 2
        for (int k = 0; k < 50; ++k) append(q.s.particles, text_particle(0, 0, 10));
        step(q.s);
        // The sea under them is at 2 - 2 * 0.01 after the step.
        int riding = 0;
        for (int k = 0; k < 50; ++k) {
            const TextParticle& p = q.s.particles.items[k];
            if (!p.released && p.z == 11.98) ++riding;
        }
        if (follow == 0) {
            EXPECT_EQ(riding, 49);  // one was released at random
        } else {
            EXPECT_EQ(riding, 0);
        }
    }
}

TEST(Step, SweepReleasesFromTheTopDown) {
    QuietScene q(1.2);  // phase sin(1.2) ≈ 0.932 > 0.9
    q.s.sweep_level = 100;
    q.s.sweep_speed = 0;
    for (int k = 0; k < 1000; ++k) {
        Particle p = text_particle(0, 0, 0);
        p.height = k % 2 ? 99.6 : 99.4;  // the level falls to 99.5 in this step
        append(q.s.particles, p);
    }
    step(q.s);
    EXPECT_EQ(q.s.sweep_speed, -0.5);
    EXPECT_EQ(q.s.sweep_level, 99.5);
    int high = 0, low = 0;
    for (int k = 0; k < 1000; ++k) (k % 2 ? high : low) += q.s.particles.items[k].released;
    EXPECT_EQ(high, 500);
    EXPECT_LE(low, 1 + 30);  // only the random releases of this step
}

// The sea as three plain passes over the whole grid (restoring force, then the
// four exchanges of every cell in row-major order, then integration), to hold
// the step's fused and interleaved pass against.
void sea_in_three_passes(std::vector<std::vector<Particle>>& g, const SeaScene& s) {
    const std::size_t rows = g.size();
    const std::size_t cols = g[0].size();
    for (auto& row : g)
        for (Particle& n : row)
            if (n.visible) n.accel = -(n.height * s.spring);
    auto couple = [](Particle& P, Particle& Q, bool diagonal) {
        if (!P.visible || !Q.visible) return;
        double f = (Q.height - P.height) * 0.125;
        if (diagonal) f = f * 0.7072135785007072;
        P.accel += f;
        Q.accel -= f;
        for (double Particle::*c : {&Particle::red, &Particle::green, &Particle::blue}) {
            const double d = (Q.*c - P.*c) * 0.125;
            P.*c += d;
            Q.*c -= d;
        }
    };
    for (std::size_t i = 0; i + 1 < rows; ++i) {
        for (std::size_t j = 0; j + 1 < cols; ++j) {
            couple(g[i][j], g[i][j + 1], false);
            couple(g[i][j], g[i + 1][j], false);
            couple(g[i][j], g[i + 1][j + 1], true);
            couple(g[i][j + 1], g[i + 1][j], true);
        }
    }
    for (auto& row : g) {
        for (Particle& n : row) {
            n.velocity = (n.accel + n.velocity) * s.damping;
            n.height += n.velocity;
            n.spray_vz += s.gravity;
            n.spray_z += n.spray_vz;
            if (n.height + s.lift > n.spray_z) {
                n.spray_z = n.height + s.lift;
                n.spray_vz = n.velocity;
            }
            n.z = n.spray_z;
            n.red += (1 - n.red) * 0.001;
            n.green += (1 - n.green) * 0.001;
            n.blue += (1 - n.blue) * 0.001;
        }
    }
}

// On every vector path this build and processor have: each couples the
// lines of cells its own way and sets the restoring force as it reads a row.
TEST(Step, SeaMatchesThreeSeparatePassesBitForBitOnEveryGridShape) {
    const int shapes[][2] = {{1, 1}, {1, 6}, {5, 1}, {2, 1}, {2, 2},   {2, 7},    {3, 2},
                             {3, 3}, {4, 5}, {5, 4}, {7, 9}, {23, 37}, {100, 100}};
    std::uint32_t seed = 12345;
    auto uniform = [&seed] {  // -1 to 1, from a local generator
        seed = seed * 1664525u + 1013904223u;
        return static_cast<double>(seed >> 8) / (1 << 23) - 1;
    };
    const vector_path best = best_vector_path();
    for (vector_path path : {vector_path::scalar, vector_path::sse2, vector_path::avx2}) {
        if (!use_vector_path(path)) continue;
        SCOPED_TRACE(vector_path_name(path));
        for (const auto& shape : shapes) {
            SeaScene s;
            build_grid(s, shape[0], shape[1]);
            s.emit_count = 32;
            std::vector<std::vector<Particle>> expected(shape[0]);
            for (int i = 0; i < shape[0]; ++i) {
                for (int j = 0; j < shape[1]; ++j) {
                    Particle& n = s.grid[i][j];
                    n.height = uniform() * 50;
                    n.velocity = uniform() * 5;
                    n.spray_z = n.height + uniform() * 10;
                    n.spray_vz = uniform();
                    n.red = uniform();
                    n.green = uniform();
                    n.blue = uniform();
                    n.visible = uniform() > -0.6 ? 1 : 0;  // some holes in the sea
                    expected[i].push_back(n);
                }
            }
            step(s);
            sea_in_three_passes(expected, s);
            for (int i = 0; i < shape[0]; ++i) {
                for (int j = 0; j < shape[1]; ++j) {
                    const Particle& got = s.grid[i][j];
                    const Particle& want = expected[i][j];
                    for (double Particle::*f :
                         {&Particle::z, &Particle::height, &Particle::velocity, &Particle::accel,
                          &Particle::spray_z, &Particle::spray_vz, &Particle::red, &Particle::green,
                          &Particle::blue}) {
                        ASSERT_EQ(got.*f, want.*f)
                            << shape[0] << "x" << shape[1] << " node " << i << "," << j;
                    }
                }
            }
        }
    }
    use_vector_path(best);
}

}  // namespace
