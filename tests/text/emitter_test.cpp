#include "text/emitter.h"

#include <gtest/gtest.h>

#include <vector>

#include "render/drawing_surface.h"
#include "scene/random.h"
#include "scene/sea_scene.h"
#include "support/memory_surface.h"
#include "text/particle_list.h"

namespace {

TEST(RasteriseSlice, FortyEightRowsSplitOneTwoOneTwo) {
    MemorySurface m(1, 48);
    for (int y = 0; y < 48; ++y) m.light(0, y);
    ParticleList list;
    std::vector<int> per_slice;
    for (int slice = 0; slice < 32; ++slice) {
        const int before = list.count;
        rasterise_slice(list, m.surface, 0, 0, 1, 48, 3, 0, 0, 0, 720, 8, 300, false, slice);
        per_slice.push_back((list.count - before) / 3);
        ASSERT_TRUE(list.snapshot);
    }
    EXPECT_EQ((std::vector<int>(per_slice.begin(), per_slice.begin() + 4)),
              (std::vector<int>{1, 2, 1, 2}));
    int total = 0;
    for (int n : per_slice) total += n;
    EXPECT_EQ(total, 48);  // every row exactly once
}

TEST(RasteriseSlice, PlacesAndColoursEachOfTheThreeParticles) {
    MemorySurface m(4, 2);
    m.light(3, 0);  // top row, right of the centre column 2
    ParticleList list;
    set_random_state(12345);
    std::uint32_t s = 12345;
    auto draw = [&s]() {
        s = s * 214013u + 2531011u;
        return (50 - static_cast<int>((s >> 16) & 0x7FFF) % 100) * 0.008333333333333333;
    };
    // With two rows, row 0 falls in slice 15 (2 * 16 / 32 = 1).
    rasterise_slice(list, m.surface, 0, 0, 4, 2, 3, 1.5, 2.5, -10, 720, 8, 180, false, 14);
    EXPECT_EQ(list.count, 0);
    rasterise_slice(list, m.surface, 0, 0, 4, 2, 3, 1.5, 2.5, -10, 720, 8, 180, false, 15);
    ASSERT_EQ(list.count, 3);
    for (int k = 0; k < 3; ++k) {
        const Particle& p = list.items[k];
        const double jx = draw(), jy = draw(), jz = draw();
        EXPECT_EQ(p.x, ((1 + jx) * 720) / 4 + 1.5);
        EXPECT_EQ(p.y, ((jy + k) * 8) / 3 + 2.5);
        EXPECT_EQ(p.z, ((jz + (2 - 0)) * 180) / 2 + -10);
        EXPECT_EQ(p.height, p.z);
        const double t = (p.z - -10) * (1 / 180.0);
        EXPECT_EQ(p.red, 1.0);
        EXPECT_EQ(p.green, t < 0.5 ? 2 * t : 1.0);
        EXPECT_EQ(p.blue, t < 0.5 ? 0.0 : 2 * (t - 0.5));
        EXPECT_EQ(p.visible, 1);
        EXPECT_EQ(p.released, 0);
        EXPECT_EQ(p.velocity, 0.0);
    }
    EXPECT_GT(list.items[0].blue, 0.5);  // the top row is near white
}

TEST(RasteriseSlice, MirrorPutsTheLeftmostColumnFarthestRight) {
    MemorySurface m(10, 1);
    m.light(0, 0);
    m.light(9, 0);
    ParticleList list;
    rasterise_slice(list, m.surface, 0, 0, 10, 1, 1, 0, 0, 0, 720, 8, 100, true, 31);
    ASSERT_EQ(list.count, 2);
    EXPECT_GT(list.items[0].x, list.items[1].x);  // column 0 is emitted first
    EXPECT_GT(list.items[0].x, 0.0);
}

TEST(RasteriseSlice, ReadsOutsideTheBitmapAreUnlit) {
    MemorySurface m(5, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) m.light(x, y);
    ParticleList list;
    for (int slice = 0; slice < 32; ++slice) {
        rasterise_slice(list, m.surface, 0, 0, 2000, 64, 3, 0, 0, 0, 720, 8, 300, false, slice);
    }
    EXPECT_EQ(list.count, 5 * 5 * 3);
}

TEST(RasteriseSlice, EmptyRectangleMakesNothingButRenewsTheSnapshot) {
    MemorySurface m(4, 4);
    m.light(1, 1);
    ParticleList list;
    rasterise_slice(list, m.surface, 0, 0, 0, 48, 3, 0, 0, 0, 720, 8, 300, false, 0);
    EXPECT_EQ(list.count, 0);
    EXPECT_TRUE(list.snapshot);
}

TEST(EmitLine, ClearsWhateverThePreviousLineCoveredBeyondTheUsualArea) {
    SeaScene scene;
    build_grid(scene, 100, 100);
    MemorySurface m(1600, 300);
    scene.text_surface = m.surface;
    m.light(1500, 10);  // ink of an earlier, very wide line
    m.light(10, 280);   // and of a very tall one
    m.light(5, 5);
    scene.text_drawn = surface_rect{0, 0, 1550, 290};
    emit_line(scene, "");
    EXPECT_EQ(get_pixel(scene.text_surface, 1500, 10), 0u);
    EXPECT_EQ(get_pixel(scene.text_surface, 10, 280), 0u);
    EXPECT_EQ(get_pixel(scene.text_surface, 5, 5), 0u);
    EXPECT_EQ(scene.emit_count, 1);  // the empty line still counts
    EXPECT_EQ(scene.particles.count, 0);
    scene.text_surface = DrawingSurface{};
}

TEST(EmitLine, CloudTakesTheScenesTiltAndStartsTheSweepAtItsTop) {
    SeaScene scene;
    build_grid(scene, 100, 100);
    scene.pose.angle_x = 1.25;
    scene.pose.angle_z = -0.5;
    scene.follow = 1;
    emit_line(scene, "");
    EXPECT_EQ(scene.particles.pose.angle_x, 1.25);
    EXPECT_EQ(scene.particles.pose.angle_z, -0.5);
    EXPECT_EQ(scene.particles.pose.x, 0.0);
    EXPECT_EQ(scene.sweep_speed, 0.0);
}

}  // namespace
