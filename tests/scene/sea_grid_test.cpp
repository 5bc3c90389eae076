#include <gtest/gtest.h>

#include <cmath>

#include "scene/random.h"
#include "scene/sea_scene.h"

namespace {

int visible_nodes(const SeaScene& s) {
    int n = 0;
    for (int i = 0; i < s.rows; ++i)
        for (int j = 0; j < s.cols; ++j) n += s.grid[i][j].visible;
    return n;
}

TEST(SeaScene, ConstructsWithItsConstants) {
    SeaScene s;
    EXPECT_EQ(s.rows, 0);
    EXPECT_EQ(s.eye_distance, 420.0);
    EXPECT_EQ(s.damping, 1.0);
    EXPECT_EQ(s.spring, 0.01);
    EXPECT_EQ(s.gravity, -0.5);
    EXPECT_EQ(s.spacing, 8.0);
    EXPECT_EQ(s.ripple_waves, 3.5);
    EXPECT_EQ(s.max_text_height, 300.0);
    EXPECT_EQ(s.text, "\xc9\xfa\xc8\xd5\xbf\xec\xc0\xd6\nHappy Birthday\n");
    EXPECT_TRUE(s.line.empty());
    EXPECT_EQ(s.particles.count, 0);
    EXPECT_EQ(s.pose.angle_x, 0.0);  // the poses start at the origin, turning nothing
    EXPECT_EQ(s.view.angle_z, 0.0);
}

TEST(BuildGrid, ClampsCountsOutsideOneTo1024To1024) {
    SeaScene s;
    build_grid(s, 0, 3);
    EXPECT_EQ(s.rows, 1024);
    EXPECT_EQ(s.cols, 3);
    build_grid(s, 2, -5);
    EXPECT_EQ(s.cols, 1024);
    build_grid(s, 2000, 2);
    EXPECT_EQ(s.rows, 1024);
    build_grid(s, 1024, 1);
    EXPECT_EQ(s.rows, 1024);
    EXPECT_EQ(s.cols, 1);
    free_grid(s);
    EXPECT_EQ(s.rows, 0);
    free_grid(s);  // harmless twice
}

TEST(BuildGrid, OneRowOrColumnLeavesEveryNodeHidden) {
    SeaScene s;
    build_grid(s, 1, 40);
    EXPECT_EQ(visible_nodes(s), 0);
    build_grid(s, 40, 1);
    EXPECT_EQ(visible_nodes(s), 0);
}

TEST(BuildGrid, HundredByHundredIsTheInscribedCircle) {
    SeaScene s;
    build_grid(s, 100, 100);
    EXPECT_EQ(visible_nodes(s), 7843);
    EXPECT_TRUE(s.grid[0][50].visible);
    EXPECT_TRUE(s.grid[50][0].visible);
    EXPECT_FALSE(s.grid[0][0].visible);
    EXPECT_FALSE(s.grid[99][99].visible);
    for (int i = 0; i < 100; ++i) {
        for (int j = 0; j < 100; ++j) {
            const Particle& n = s.grid[i][j];
            const bool inside = (i - 50) * (i - 50) + (j - 50) * (j - 50) <= 2500;
            ASSERT_EQ(n.visible, inside ? 1 : 0) << i << "," << j;
            if (!inside) {
                ASSERT_EQ(n.x, 0.0);
                continue;
            }
            ASSERT_EQ(n.z, 0.0);
            ASSERT_LE(std::fabs(n.x / 8.0 - (i - 50)), 50.0 / 120 + 1e-12);
            ASSERT_LE(std::fabs(n.y / 8.0 - (j - 50)), 50.0 / 120 + 1e-12);
        }
    }
}

TEST(BuildGrid, DrawsColumnJitterBeforeRowJitter) {
    SeaScene s;
    set_random_state(1);  // the first draws are 41 and 18467
    build_grid(s, 3, 3);  // 5 visible nodes: the cross around (1, 1), first (0, 1)
    // y = (1 - 1 + (50 - 41) / 120) * 8 and x = (0 - 1 + (50 - 67) / 120) * 8
    EXPECT_EQ(s.grid[0][1].y, 0.6);
    EXPECT_EQ(s.grid[0][1].x, -9.133333333333333);
}

TEST(BuildGrid, SecondCallStartsAfresh) {
    SeaScene s;
    build_grid(s, 100, 100);
    s.grid[50][50].velocity = 3;
    build_grid(s, 10, 10);
    EXPECT_EQ(s.rows, 10);
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j) EXPECT_EQ(s.grid[i][j].velocity, 0.0);
}

TEST(DropRipple, VisitsAHalfOpenSquareOfVisibleNodes) {
    SeaScene s;
    build_grid(s, 100, 100);
    drop_ripple(s, 30, 30, 1.0, 3);
    for (int i = 0; i < 100; ++i) {
        for (int j = 0; j < 100; ++j) {
            const bool in_square = i >= 27 && i <= 32 && j >= 27 && j <= 32;
            const int d2 = (i - 30) * (i - 30) + (j - 30) * (j - 30);
            if (!in_square || d2 > 9) {
                ASSERT_EQ(s.grid[i][j].velocity, 0.0) << i << "," << j;
            }
        }
    }
    EXPECT_EQ(s.grid[30][30].velocity, 1.0);  // the centre gets +A
    EXPECT_EQ(s.grid[30][30].height, 0.0);
    // d = 1 of R = 3: cos(1/3 · 3.5π) = cos(7π/6) = -√3/2; d = 2: cos(7π/3) = 1/2
    EXPECT_NEAR(s.grid[29][30].velocity, -0.8660254037844386, 1e-14);
    EXPECT_NEAR(s.grid[30][28].velocity, 0.5, 1e-14);
    // row 33 and column 33 would be at distance 3 (cos 3.5π ≈ 0) but are never visited
    EXPECT_EQ(s.grid[33][30].velocity, 0.0);
    EXPECT_NE(s.grid[27][30].velocity, 0.0);
}

TEST(DropRipple, SkipsCellsOutsideTheGridAndHiddenNodes) {
    SeaScene s;
    build_grid(s, 100, 100);
    drop_ripple(s, 0, 0, 2.0, 5);  // the corner: every touched node is hidden
    for (int i = 0; i < 100; ++i)
        for (int j = 0; j < 100; ++j) ASSERT_EQ(s.grid[i][j].velocity, 0.0);
    drop_ripple(s, 50, 50, 1.0, 0);
    EXPECT_EQ(s.grid[50][50].velocity, 0.0);
    drop_ripple(s, 0, 50, 1.0, 2);  // top rim: rows -2 and -1 skipped
    EXPECT_EQ(s.grid[0][50].velocity, 1.0);
}

TEST(SampleHeight, MapsWorldPointsToCellsAndClamps) {
    SeaScene s;
    build_grid(s, 100, 100);
    s.grid[50][50].z = 1.5;
    s.grid[49][50].z = 2.5;
    s.grid[0][0].z = -7;
    s.grid[99][99].z = 9;
    EXPECT_EQ(sample_height(s, 0, 0), 1.5);
    EXPECT_EQ(sample_height(s, -0.5 * 8.0, 0), 2.5);  // 49.5 truncates to 49
    EXPECT_EQ(sample_height(s, -1e6, -1e6), -7.0);
    EXPECT_EQ(sample_height(s, 1e6, 1e6), 9.0);
    EXPECT_EQ(sample_height(s, 1e300, -1e300), s.grid[99][0].z);
}

TEST(Stain, ColoursTheNodeUnderThePointVisibleOrNot) {
    SeaScene s;
    build_grid(s, 100, 100);
    stain(s, 3.0, -9.0, 0.25, 0.5, 0.75);  // row 50, column 48 (48.875 → 48)
    EXPECT_EQ(s.grid[50][48].red, 0.25);
    EXPECT_EQ(s.grid[50][48].green, 0.5);
    EXPECT_EQ(s.grid[50][48].blue, 0.75);
    stain(s, -1e9, -1e9, 0, 0, 0);
    EXPECT_EQ(s.grid[0][0].red, 0.0);
    EXPECT_FALSE(s.grid[0][0].visible);
}

}  // namespace
