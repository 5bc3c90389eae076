#include "text/emitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/particle_list.h"
#include "scene/random.h"
#include "scene/sea_scene.h"
#include "support/fake_rasteriser.h"
#include "support/memory_surface.h"

namespace {

TEST(RasteriseSlice, FortyEightRowsSplitOneTwoOneTwo) {
    MemorySurface m(1, 48);
    for (int y = 0; y < 48; ++y) m.light(0, y);
    ParticleList list;
    std::vector<int> per_slice;
    for (int slice = 0; slice < 32; ++slice) {
        const int before = list.count;
        rasterise_slice(list, m.buffer(), 0, 0, 1, 48, 3, 0, 0, 0, 720, 8, 300, false, slice);
        per_slice.push_back((list.count - before) / 3);
        ASSERT_TRUE(list.snapshot);
    }
    EXPECT_EQ((std::vector<int>(per_slice.begin(), per_slice.begin() + 4)),
              (std::vector<int>{1, 2, 1, 2}));
    int total = 0;
    for (int n : per_slice) total += n;
    EXPECT_EQ(total, 48);  // every row exactly once
}

// One lit pixel, right of the centre column, in the top of two rows, from the
// random state 12345. The values were worked out by hand from the placement
// rules: scatter j = (50 - draw % 100) / 120 for x, y, z in turn,
// x = (dx + jx) X / w + x0, y = (jy + k) Y / n + y0, z = (jz + bottom - py) Z / h + z0,
// colour from t = (z - z0) / Z.
TEST(RasteriseSlice, PlacesAndColoursEachOfTheThreeParticles) {
    MemorySurface m(4, 2);
    m.light(3, 0);
    ParticleList list;
    set_random_state(12345);
    // With two rows, row 0 falls in slice 15 (2 * 16 / 32 = 1).
    rasterise_slice(list, m.buffer(), 0, 0, 4, 2, 3, 1.5, 2.5, -10, 720, 8, 180, false, 14);
    EXPECT_EQ(list.count, 0);
    rasterise_slice(list, m.buffer(), 0, 0, 4, 2, 3, 1.5, 2.5, -10, 720, 8, 180, false, 15);
    ASSERT_EQ(list.count, 3);
    struct expected_particle {
        double x, y, z, green, blue;
    };
    const expected_particle expected[3] = {
        {130.5, 2.1888888888888891, 136.25, 1, 0.625},
        {219, 5.655555555555555, 203.75, 1, 1.375},  // scatter lifts t past 1: blue above 1
        {141, 8.655555555555555, 153.5, 1, 0.81666666666666665},
    };
    for (int k = 0; k < 3; ++k) {
        const TextParticle& p = list.items[k];
        EXPECT_EQ(p.x, expected[k].x) << k;
        EXPECT_EQ(p.y, expected[k].y) << k;
        EXPECT_EQ(p.z, expected[k].z) << k;
        EXPECT_EQ(p.height, expected[k].z) << k;
        EXPECT_EQ(p.red, 1.0) << k;
        EXPECT_EQ(p.green, expected[k].green) << k;
        EXPECT_EQ(p.blue, expected[k].blue) << k;
        EXPECT_EQ(p.visible, 1) << k;
        EXPECT_EQ(p.released, 0) << k;
        EXPECT_EQ(list.velocities[k], 0.0) << k;
    }
}

TEST(RasteriseSlice, MirrorPutsTheLeftmostColumnFarthestRight) {
    MemorySurface m(10, 1);
    m.light(0, 0);
    m.light(9, 0);
    ParticleList list;
    rasterise_slice(list, m.buffer(), 0, 0, 10, 1, 1, 0, 0, 0, 720, 8, 100, true, 31);
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
        rasterise_slice(list, m.buffer(), 0, 0, 2000, 64, 3, 0, 0, 0, 720, 8, 300, false, slice);
    }
    EXPECT_EQ(list.count, 5 * 5 * 3);
}

TEST(RasteriseSlice, EmptyRectangleMakesNothingButRenewsTheSnapshot) {
    MemorySurface m(4, 4);
    m.light(1, 1);
    ParticleList list;
    rasterise_slice(list, m.buffer(), 0, 0, 0, 48, 3, 0, 0, 0, 720, 8, 300, false, 0);
    EXPECT_EQ(list.count, 0);
    EXPECT_TRUE(list.snapshot);
}

// The 100-row grid and a screen-sized text surface whose lines the fake draws.
struct EmittingScene {
    SeaScene scene;
    FakeRasteriser fake;
    explicit EmittingScene(int screen_w = 1920, int screen_h = 1080) {
        build_grid(scene, 100, 100);
        prepare_text_surface(scene, fake, screen_w, screen_h);
    }
    // All 32 slices of a line, as the steps after a line change make them.
    void emit_whole(const std::string& line) {
        clear(scene.particles);
        scene.emit_count = 0;
        for (int k = 0; k < slices_per_line; ++k) emit_line(scene, line);
    }
};

// The extents worked out by hand: a 200 × 50 line is 720 wide and 180
// high, its foot a fifth lower with the drift choice; a 100 × 48 line would be
// 345.6 high and is held to 300. Every emission restarts the sweep at the top
// of the cloud, at rest, and gives the cloud the scene's tilt.
TEST(EmitLine, CloudExtentsSweepAndTilt) {
    struct {
        std::int32_t w, h, follow;
        double foot, top;
    } const cases[] = {{200, 50, 1, -36, 144}, {200, 50, 0, 0, 180}, {100, 48, 0, 0, 300}};
    for (const auto& c : cases) {
        EmittingScene e;
        e.fake.set("line", {{0, 0, c.w, c.h}, {{0, 0, c.w, c.h}}});
        e.scene.follow = c.follow;
        e.scene.pose.angle_x = 1.25;
        e.scene.pose.angle_z = -0.5;
        e.scene.particles.pose.angle_y = 0.75;  // left over from elsewhere
        e.scene.sweep_speed = -7.5;             // a sweep under way
        e.scene.sweep_level = 12;
        emit_line(e.scene, "line");
        EXPECT_EQ(e.scene.sweep_level, c.top) << c.w << "x" << c.h << " follow " << c.follow;
        EXPECT_EQ(e.scene.sweep_speed, 0.0);
        EXPECT_EQ(e.scene.particles.pose.angle_x, 1.25);
        EXPECT_EQ(e.scene.particles.pose.angle_y, 0.0);
        EXPECT_EQ(e.scene.particles.pose.angle_z, -0.5);
        EXPECT_EQ(e.scene.particles.pose.x, 0.0);
        // The first slice is the top of the line: near the top of the cloud,
        // spread over nine tenths of the grid's 800 units.
        ASSERT_GT(e.scene.particles.count, 0);
        for (int k = 0; k < e.scene.particles.count; ++k) {
            const TextParticle& p = e.scene.particles.items[k];
            ASSERT_GT(p.z, c.top - (c.top - c.foot) / 16) << k;
            ASSERT_LE(p.z, c.top + (c.top - c.foot) / c.h) << k;
            ASSERT_LE(p.x, 360 + 720.0 / c.w) << k;
            ASSERT_GE(p.x, -360 - 720.0 / c.w) << k;
        }
    }
}

// A whole line: three particles per lit pixel, every row once over the 32
// calls, each call counted; the snapshot always as long as the list.
TEST(EmitLine, ThirtyTwoCallsMakeThreeParticlesPerLitPixel) {
    EmittingScene e;
    e.fake.set("HB", {{0, 0, 40, 48}, {{10, 0, 20, 48}, {30, 47, 31, 60}}});  // 481 pixels inside
    e.scene.emit_count = 0;
    std::vector<int> made;
    for (int k = 0; k < slices_per_line; ++k) {
        const int before = e.scene.particles.count;
        emit_line(e.scene, "HB");
        made.push_back(e.scene.particles.count - before);
        ASSERT_TRUE(e.scene.particles.snapshot);
    }
    EXPECT_EQ(e.scene.emit_count, 32);
    EXPECT_EQ(e.scene.particles.count, 481 * 3);
    EXPECT_EQ((std::vector<int>(made.begin(), made.begin() + 4)),
              (std::vector<int>{30, 60, 30, 60}));
    EXPECT_EQ(made.back(), 60 + 3);  // rows 46 and 47, and the one pixel of the second rectangle
    EXPECT_EQ(e.fake.draws, 32);     // the line is drawn afresh for every slice
}

// Nothing an earlier line drew may be read again: not where it reached beyond
// the usual 1024 × 256 area, nor within it.
TEST(EmitLine, NoPixelOfAnEarlierLineIsReadAgain) {
    EmittingScene e;
    e.fake.set("wide",
               {{0, 0, 1600, 300}, {{1500, 10, 1510, 20}, {10, 280, 20, 290}, {5, 5, 6, 6}}});
    e.fake.set("blank", {{0, 0, 1600, 300}, {}});
    e.emit_whole("wide");
    EXPECT_EQ(e.scene.particles.count, (100 + 100 + 1) * 3);
    e.emit_whole("blank");
    EXPECT_EQ(e.scene.particles.count, 0);
    EXPECT_EQ(e.scene.emit_count, 32);  // the blank line still counts its calls
}

// Seen from the far side (the view's cosine below 0) the line is mirrored,
// so that it reads left to right from there.
TEST(EmitLine, MirroredWhenTheViewLooksFromBehind) {
    for (const double view : {0.0, 3.0}) {
        EmittingScene e;
        e.fake.set("|", {{0, 0, 100, 32}, {{0, 0, 1, 32}}});  // the leftmost column
        e.scene.view.angle_z = view;
        e.emit_whole("|");
        ASSERT_EQ(e.scene.particles.count, 32 * 3);
        for (int k = 0; k < e.scene.particles.count; ++k) {
            const double x = e.scene.particles.items[k].x;
            if (view == 0.0) {
                ASSERT_LT(x, -350.0) << k;
            } else {
                ASSERT_GT(x, 350.0) << k;
            }
        }
    }
}

// The font is chosen for the whole message, before any line; a larger screen
// gets a larger text surface, but only when the next line starts.
TEST(EmitLine, FontForTheMessageAndSurfaceForTheScreen) {
    SeaScene scene;
    FakeRasteriser fake;
    scene.text = "first\nsecond\n";
    prepare_text_surface(scene, fake, 640, 480);
    EXPECT_EQ(fake.font_for, "first\nsecond\n");
    EXPECT_EQ(scene.text_surface.width, 640);
    EXPECT_EQ(scene.text_surface.stride, 640);
    build_grid(scene, 100, 100);
    scene.emit_count = 5;
    note_screen_size(scene, 1280, 1024);
    emit_line(scene, "second");
    EXPECT_EQ(scene.text_surface.width, 640);  // not in the middle of a line
    scene.emit_count = 0;
    emit_line(scene, "second");
    EXPECT_EQ(scene.text_surface.width, 1280);
    EXPECT_EQ(scene.text_surface.height, 1024);
    note_screen_size(scene, 320, 200);
    scene.emit_count = 0;
    emit_line(scene, "second");
    EXPECT_EQ(scene.text_surface.width, 1280);  // a smaller screen keeps the surface
}

}  // namespace
