#include "render/drawing_surface.h"

#include <gtest/gtest.h>

#include "render/frame_renderer.h"
#include "scene/sea_scene.h"
#include "support/memory_surface.h"

namespace {

// Rows longer than the surface (a host's bitmap with padding, or a frame
// inside a larger buffer): fills and reads must step by the stride, and the
// padding stays untouched, whole clears included.
TEST(DrawingSurface, FillsClipToTheSurfaceAndStepByTheStride) {
    MemorySurface m(10, 10, 0, 13);
    for (int y = 0; y < 10; ++y)
        for (int x = 10; x < 13; ++x) m.pixels[static_cast<std::size_t>(y) * 13 + x] = 0xABCDEF;
    fill_solid(m.surface, -5, -5, 8, 8, 0x0000FF);  // red, clipped at the top left
    fill_solid(m.surface, 8, 8, 1 << 30, 1 << 30, 0x00FF00);
    fill_square(m.surface, 4, 6, 2, 0xFF0000);
    EXPECT_EQ(m.at(0, 0), 0x0000FFu);
    EXPECT_EQ(m.at(2, 2), 0x0000FFu);
    EXPECT_EQ(m.at(3, 3), 0u);
    EXPECT_EQ(m.at(9, 9), 0x00FF00u);
    EXPECT_EQ(m.at(5, 7), 0xFF0000u);
    EXPECT_EQ(m.pixels[0], 0xFF0000u);  // memory holds 0x00RRGGBB
    EXPECT_EQ(m.pixels[7 * 13 + 5], 0x0000FFu);
    EXPECT_EQ(m.at(-1, 0), invalid_colour);
    EXPECT_EQ(m.at(10, 0), invalid_colour);
    fill_solid(m.surface, surface_rect{0, 0, 10, 10}, 0);
    EXPECT_EQ(m.lit(), 10 * 3);  // only the padding is left
}

// A surface whose memory is known black clears whole by blackening only what
// was drawn since; what it drew before and after must still match a plain
// clear, and padding or memory beyond the surface is never written.
TEST(DrawingSurface, ClearingWhatWasDrawnLeavesTheSurfaceAllBlack) {
    std::vector<std::uint32_t> memory(64 * 48 + 16, 0);
    memory.back() = 0x123456;
    DrawingSurface surface;
    attach_pixels(surface, memory.data(), 64, 48, 64, true);
    SeaScene scene;
    build_grid(scene, 100, 100);
    scene.pose.angle_x = 1.7278759594743864;
    render_frame(scene, surface, surface_rect{0, 0, 64, 48});
    EXPECT_FALSE(surface.lit_areas.empty());
    fill_solid(surface, surface_rect{0, 0, 64, 48}, 0);
    for (std::size_t k = 0; k + 16 < memory.size(); ++k) ASSERT_EQ(memory[k], 0u) << k;
    EXPECT_EQ(memory.back(), 0x123456u);
}

// Points and small blocks are written with overlapping stores chosen by their
// size: every width and height up to past the largest point must fill its
// rectangle exactly, and clearing what was drawn must blacken all of it.
TEST(DrawingSurface, EverySmallBlockFillsExactlyItsRectangle) {
    for (int w = 1; w <= 10; ++w) {
        for (int h = 1; h <= 10; ++h) {
            MemorySurface m(16, 16);
            fill_solid(m.surface, 3, 4, w, h, 0x102030);
            if (w == h) fill_square(m.surface, 4, 5, w, 0x405060);
            for (int y = 0; y < 16; ++y) {
                for (int x = 0; x < 16; ++x) {
                    const bool in = x >= 3 && x < 3 + w && y >= 4 && y < 4 + h;
                    const bool in_square = w == h && x >= 4 && x < 4 + w && y >= 5 && y < 5 + w;
                    const colour_ref want = in_square ? 0x405060u : in ? 0x102030u : 0u;
                    ASSERT_EQ(m.at(x, y), want) << w << "x" << h << " at " << x << "," << y;
                }
            }
            fill_solid(m.surface, surface_rect{0, 0, 16, 16}, 0);
            ASSERT_EQ(m.lit(), 0) << w << "x" << h;
        }
    }
}

// A run of squares drawn together must give what drawing them one by one
// gives: the pixels, the changes a window is shown, and a whole clear that
// leaves everything black, with the squares that leave the fast way (clipped,
// wider than 8, black, without a side) in the middle of the run, and the
// rows around the surface in the same memory never written.
TEST(DrawingSurface, ARunOfSquaresDrawsAsTheSquaresOneByOne) {
    constexpr int w = 70, h = 50, stride = 72;
    struct square {
        std::int32_t x, y, side;
        std::uint32_t pixel;
    };
    const std::vector<square> run{
        {3, 4, 1, 0x112233},   {30, 30, 3, 0x445566},  {68, 10, 4, 0x778899},  // clipped right
        {5, -2, 3, 0xAABBCC},  {20, 20, 12, 0x010203}, {21, 21, 2, 0},         // wide; black
        {40, 5, 0, 0xDDEEFF},  {31, 31, 2, 0x102030},  {62, 46, 8, 0x405060},  // no side; hidden
        {63, 31, 2, 0x708090}, {0, 0, 8, 0x0A0B0C},    {-1, 49, 2, 0x0D0E0F}};
    auto hidden = [](std::int32_t k) { return k == 8; };
    struct drawn {
        std::vector<std::uint32_t> memory = std::vector<std::uint32_t>(stride * (h + 2), 0);
        DrawingSurface surface;
        std::vector<surface_rect> changes;
        drawn() { attach_pixels(surface, memory.data() + stride, w, h, stride, true); }
    } together, one_by_one;
    std::vector<std::int32_t> xs, ys, sides;
    std::vector<std::uint32_t> pixels;
    for (const square& q : run) {
        xs.push_back(q.x);
        ys.push_back(q.y);
        sides.push_back(q.side);
        pixels.push_back(q.pixel);
    }
    for (drawn* d : {&together, &one_by_one}) take_changes(d->surface, d->changes);
    for (int frame = 0; frame < 2; ++frame) {  // the second after a whole clear
        fill_squares(together.surface, xs.data(), ys.data(), sides.data(), pixels.data(),
                     static_cast<std::int32_t>(run.size()), hidden);
        for (std::size_t k = 0; k < run.size(); ++k) {
            if (hidden(static_cast<std::int32_t>(k))) continue;
            fill_square_pixels(one_by_one.surface, run[k].x, run[k].y, run[k].side, run[k].pixel);
        }
        ASSERT_EQ(together.memory, one_by_one.memory) << "frame " << frame;
        EXPECT_EQ(together.memory[stride + 20 * stride + 20], 0x010203u);  // the wide one
        EXPECT_EQ(together.memory[stride + 5 * stride + 40], 0u);          // the one without a side
        for (drawn* d : {&together, &one_by_one}) {
            take_changes(d->surface, d->changes);
            ASSERT_FALSE(d->changes.empty());
            for (int y = 0; y < h; ++y) {  // every lit pixel lies in a changed area
                for (int x = 0; x < w; ++x) {
                    if (!d->memory[static_cast<std::size_t>(y + 1) * stride + x]) continue;
                    bool in = false;
                    for (const surface_rect& c : d->changes)
                        in |= x >= c.left && x < c.right && y >= c.top && y < c.bottom;
                    ASSERT_TRUE(in) << x << "," << y << " in frame " << frame;
                }
            }
            fill_solid(d->surface, surface_rect{0, 0, w, h}, 0);
            for (std::uint32_t p : d->memory) ASSERT_EQ(p, 0u) << "frame " << frame;
        }
    }
}

TEST(DrawingSurface, RefusesMemoryItCannotAddress) {
    std::uint32_t pixel = 0;
    DrawingSurface surface;
    attach_pixels(surface, &pixel, 4, 1, 2, true);  // rows shorter than the surface
    EXPECT_EQ(surface.bits, nullptr);
    fill_solid(surface, 0, 0, 4, 1, 0xFFFFFF);
    EXPECT_EQ(pixel, 0u);
}

}  // namespace
