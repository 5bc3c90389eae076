#include "render/frame_renderer.h"

#include <gtest/gtest.h>

#include <vector>

#include "scene/particle_list.h"
#include "scene/sea_scene.h"
#include "support/memory_surface.h"

namespace {

// Frames start filled with a colour that no drawing makes, so that a missing
// clear shows.
struct Frame : MemorySurface {
    Frame(int w, int h) : MemorySurface(w, h, 0x123456) {}
};

Particle projected(double x, double y, int size, double r, double g, double b) {
    Particle p;
    init_particle(p);
    p.x = x;
    p.y = y;
    p.size = size;
    p.red = r;
    p.green = g;
    p.blue = b;
    return p;
}

// A 3 × 3 grid whose only visible node lies at the origin.
void one_node_at_the_origin(SeaScene& scene) {
    build_grid(scene, 3, 3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) scene.grid[i][j].visible = 0;
    scene.grid[1][1].visible = 1;
    scene.grid[1][1].x = scene.grid[1][1].y = scene.grid[1][1].z = 0;
}

TEST(PointColour, PacksTruncatedBytesWithoutClamping) {
    EXPECT_EQ(point_colour(projected(0, 0, 1, 1, 1, 1)), 0xFFFFFFu);
    EXPECT_EQ(point_colour(projected(0, 0, 1, 1, 0.5, 0)), 0x007FFFu);
    EXPECT_EQ(point_colour(projected(0, 0, 1, 1.0174, 0, 0)), 3u);        // 259 & 255
    EXPECT_EQ(point_colour(projected(0, 0, 1, 0, 0, -0.01)), 0xFE0000u);  // -2 & 255
}

TEST(DrawPoint, SquareSideFollowsTheHorizontalScale) {
    Frame f(1280, 1024);
    draw_point(projected(0, 0, 2, 1, 1, 1), f.surface, 640, 341, 1.0, 1.0);
    EXPECT_EQ(f.at(640, 341), 0xFFFFFFu);
    EXPECT_EQ(f.at(641, 342), 0xFFFFFFu);
    EXPECT_NE(f.at(642, 341), 0xFFFFFFu);

    Frame g(600, 400);
    draw_point(projected(10.9, -10.9, 2, 1, 1, 1), g.surface, 300, 133, 0.46875, 0.390625);
    // side 2 * 0.46875 truncates to 0, raised to 1; position truncates toward zero
    EXPECT_EQ(g.at(305, 128), 0xFFFFFFu);
    EXPECT_NE(g.at(306, 128), 0xFFFFFFu);
    EXPECT_NE(g.at(305, 129), 0xFFFFFFu);
}

TEST(DrawPoint, FarAwayPointsAreClippedWithoutOverflow) {
    Frame f(64, 64);
    draw_point(projected(1e12, -1e12, 10001, 1, 1, 1), f.surface, 32, 21, 1.0, 1.0);
    draw_point(projected(2147483000.0, 0, 10001, 1, 1, 1), f.surface, 32, 21, 1.0, 1.0);
    draw_point(projected(-40, -30, 10001, 1, 0, 0), f.surface, 32, 21, 1.0, 1.0);
    EXPECT_EQ(f.at(0, 0), 0x0000FFu);  // a huge square covering the frame, clipped
    EXPECT_EQ(f.at(63, 63), 0x0000FFu);
}

TEST(RenderFrame, EmptySceneGivesABlackFrame) {
    SeaScene scene;
    Frame f(152, 112);
    render_frame(scene, f.surface, surface_rect{0, 0, 152, 112});
    EXPECT_EQ(f.lit(), 0);
}

TEST(RenderFrame, OriginLandsAtTheCentreOneThirdDown) {
    SeaScene scene;
    one_node_at_the_origin(scene);
    Frame f(152, 112);
    render_frame(scene, f.surface, surface_rect{0, 0, 152, 112});
    EXPECT_EQ(f.lit(), 1);  // side 2 * 0.11875 → 1
    EXPECT_EQ(f.at(76, 37), 0xFFFFFFu);
}

TEST(RenderFrame, TextCoversTheSeaAndHiddenRecordsAreSkipped) {
    SeaScene scene;
    one_node_at_the_origin(scene);
    scene.grid[0][1].x = 100;  // hidden: never drawn
    Particle red;
    init_particle(red);
    red.visible = 1;
    red.green = red.blue = 0;
    append(scene.particles, red);
    Particle hidden = red;
    hidden.visible = 0;
    hidden.x = 50;
    append(scene.particles, hidden);
    renew_snapshot(scene.particles);
    Frame f(1280, 1024);
    render_frame(scene, f.surface, surface_rect{0, 0, 1280, 1024});
    EXPECT_EQ(f.at(640, 341), 0x0000FFu);
    EXPECT_EQ(f.lit(), 4);
    EXPECT_EQ(scene.particles.items[1].x, 50.0);  // items are never transformed
}

TEST(RenderFrame, ClearingOnlyWhatWasDrawnGivesTheSameFrameAsAFullClear) {
    SeaScene first, second;
    build_grid(first, 100, 100);
    build_grid(second, 100, 100);
    first.pose.angle_x = 1.7278759594743864;
    second.pose.angle_x = 1.2;
    second.view.angle_z = 0.7;
    Frame reused(640, 512);
    std::fill(reused.pixels.begin(), reused.pixels.end(), 0u);
    reused.surface.lit_areas_known = true;  // known black, as a new surface is
    const surface_rect rect{0, 0, 640, 512};
    render_frame(first, reused.surface, rect);
    render_frame(second, reused.surface, rect);
    Frame fresh(640, 512);  // unknown contents: cleared pixel by pixel
    render_frame(second, fresh.surface, rect);
    EXPECT_GT(fresh.lit(), 1000);
    EXPECT_EQ(reused.pixels, fresh.pixels);
}

TEST(RenderFrame, SkipsAListWithoutSnapshot) {
    SeaScene scene;
    Particle p;
    init_particle(p);
    p.visible = 1;
    append(scene.particles, p);  // no snapshot yet
    Frame f(100, 100);
    render_frame(scene, f.surface, surface_rect{0, 0, 100, 100});
    EXPECT_EQ(f.lit(), 0);
}

}  // namespace
