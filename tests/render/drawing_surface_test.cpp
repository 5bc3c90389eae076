#include "render/drawing_surface.h"

#include <gtest/gtest.h>

#include "render/frame_renderer.h"
#include "scene/sea_scene.h"

namespace {

TEST(DrawingSurface, MakingASurfaceAgainStartsFromNothing) {
    HDC__* screen = acquire_screen_context();
    DrawingSurface surface;
    ASSERT_TRUE(create_compatible(surface, screen, 640, 480));
    SeaScene scene;
    build_grid(scene, 100, 100);
    scene.pose.angle_x = 1.7278759594743864;
    render_frame(scene, surface, surface_rect{0, 0, 640, 480});  // records drawn squares
    ASSERT_TRUE(create_compatible(surface, screen, 64, 48));     // smaller, same record
    EXPECT_EQ(surface.width, 64);
    EXPECT_TRUE(surface.lit_areas.empty());
    render_frame(scene, surface, surface_rect{0, 0, 64, 48});  // must stay inside 64 × 48
    EXPECT_EQ(get_pixel(surface, 64, 0), invalid_colour);
    release_surface(surface);
    release_screen_context(screen);
    EXPECT_EQ(surface.bits, nullptr);
}

TEST(DrawingSurface, FillsClipAndColoursReadBackAsWritten) {
    HDC__* screen = acquire_screen_context();
    DrawingSurface surface;
    ASSERT_TRUE(create_compatible(surface, screen, 10, 10));
    fill_solid(surface, -5, -5, 8, 8, 0x0000FF);  // red, clipped at the top left
    fill_solid(surface, 8, 8, 1 << 30, 1 << 30, 0x00FF00);
    EXPECT_EQ(get_pixel(surface, 0, 0), 0x0000FFu);
    EXPECT_EQ(get_pixel(surface, 2, 2), 0x0000FFu);
    EXPECT_EQ(get_pixel(surface, 3, 3), 0u);
    EXPECT_EQ(get_pixel(surface, 9, 9), 0x00FF00u);
    EXPECT_EQ(surface.bits[0], 0xFF0000u);  // memory holds 0x00RRGGBB
    EXPECT_EQ(get_pixel(surface, -1, 0), invalid_colour);
    release_surface(surface);
    release_screen_context(screen);
}

}  // namespace
