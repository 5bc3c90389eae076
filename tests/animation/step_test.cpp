#include "animation/step.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "scene/particle_list.h"
#include "scene/random.h"
#include "scene/sea_scene.h"

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
    QuietScene q;
    for (int i = 0; i < 100; ++i)
        for (int j = 0; j < 100; ++j)
            q.s.grid[i][j].red = q.s.grid[i][j].green = q.s.grid[i][j].blue = 0.5;
    step(q.s);
    for (int i = 0; i < 100; ++i) {
        for (int j = 0; j < 100; ++j) {
            const Particle& n = q.s.grid[i][j];
            ASSERT_EQ(n.height, 0.0);
            ASSERT_EQ(n.z, 0.0);
            ASSERT_EQ(n.red, 0.5 + 0.5 * 0.001) << i << "," << j;
        }
    }
    EXPECT_EQ(q.s.sweep_level, 0.0);  // no particles: the sweep does not move
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
    q.s.grid[40][40].height = 1.0;  // neighbours (40,41), (41,40) and (41,41) start at 0
    step(q.s);
    // (41,41) is only coupled to (40,40) through the diagonal of cell (40,40) and
    // to its other neighbours, which are flat.
    const double f = ((0.0 - 1.0) * 0.125) * 0.7072135785007072;
    EXPECT_EQ(q.s.grid[41][41].velocity, (-f + 0.0) * 1.0);
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

TEST(Step, LiftPushesTheSeaUpNearTheQuarterTurn) {
    // turn_phase = sin(angle) at its maximum: 1 → lift = 0.005 * 300 * 200 = 300.
    QuietScene q(pi / 2 - 1e-9);
    step(q.s);
    EXPECT_NEAR(q.s.lift, 300.0, 1e-6);
    EXPECT_EQ(q.s.lift, ((std::sin(pi / 2 - 1e-9) - 0.995) * 300.0) * 200);
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
    EXPECT_EQ(q.s.particles.items[0].velocity, -0.5);
    EXPECT_EQ(q.s.particles.items[0].z, 4.5);
    step(q.s);
    EXPECT_EQ(q.s.particles.items[0].velocity, -1.0);
    EXPECT_EQ(q.s.particles.items[0].z, 3.5);
    for (int n = 0; n < 200; ++n) step(q.s);
    const double floor_z = q.s.particles.items[0].z;
    EXPECT_LE(floor_z, -3000.0);
    step(q.s);
    EXPECT_EQ(q.s.particles.items[0].z, floor_z);
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
    EXPECT_NE(q.s.grid[50][50].green, 1.0);
    EXPECT_EQ(q.s.particles.items[0].visible, 1);
    step(q.s);  // stains again, falls to -0.75: below the sea
    EXPECT_EQ(q.s.particles.items[0].visible, 0);
    for (int i = 0; i < 100; ++i)
        for (int j = 0; j < 100; ++j) q.s.grid[i][j].green = 1.0;
    step(q.s);  // hidden: no stain
    EXPECT_EQ(q.s.grid[50][50].green, 1.0 + (1 - 1.0) * 0.001);
}

TEST(Step, RandomReleasesOnePlusCeilingOfThirtyTwoTimesThePhase) {
    QuietScene q(0.1);  // phase sin(0.1) ≈ 0.0998: q ≈ 3.19 → 1 + 4 draws
    for (int k = 0; k < 1000; ++k) append(q.s.particles, text_particle(0, 0, 100));
    const std::uint32_t before = random_state();
    step(q.s);
    std::uint32_t expected = before;
    for (int d = 0; d < 5; ++d) expected = expected * 214013u + 2531011u;
    EXPECT_EQ(random_state(), expected);

    QuietScene r(-0.5);  // negative phase: one draw only
    for (int k = 0; k < 10; ++k) append(r.s.particles, text_particle(0, 0, 100));
    const std::uint32_t start = random_state();
    step(r.s);
    EXPECT_EQ(random_state(), start * 214013u + 2531011u);
}

TEST(Step, HeldParticlesRideTheWavesOnlyWhenFollowIsZero) {
    for (const int follow : {0, 1}) {
        QuietScene q(-1.0);
        q.s.follow = follow;
        for (int i = 0; i < 100; ++i)
            for (int j = 0; j < 100; ++j) q.s.grid[i][j].height = 2.0;  // sea settles at z = 2
        for (int k = 0; k < 50; ++k) append(q.s.particles, text_particle(0, 0, 10));
        step(q.s);
        int riding = 0;
        for (int k = 0; k < 50; ++k) {
            const Particle& p = q.s.particles.items[k];
            if (!p.released && p.z == sample_height(q.s, 0, 0) + 10) ++riding;
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

TEST(Step, SeaMatchesThreeSeparatePassesBitForBitOnEveryGridShape) {
    const int shapes[][2] = {{1, 1}, {1, 6}, {5, 1}, {2, 2}, {2, 7},   {3, 2},
                             {3, 3}, {4, 5}, {5, 4}, {7, 9}, {23, 37}, {100, 100}};
    std::uint32_t seed = 12345;
    auto uniform = [&seed] {  // -1 to 1, from a local generator
        seed = seed * 1664525u + 1013904223u;
        return static_cast<double>(seed >> 8) / (1 << 23) - 1;
    };
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

}  // namespace
