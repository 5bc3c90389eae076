// The animation is the same to the last bit whichever way it is computed: on
// every vector path the processor has, and whether frames are cleared and
// shown whole or only where they changed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "animation/animation.h"
#include "render/drawing_surface.h"
#include "render/frame_renderer.h"
#include "scene/random.h"
#include "scene/sea_scene.h"
#include "scene/vector_lanes.h"
#include "support/fake_rasteriser.h"

namespace {

// Two lines of a message drawn as blocks, so the cloud has thousands of
// particles, some lines drawn wider than others.
void draw_blocks(FakeRasteriser& fake) {
    fake.set("first", {{0, 0, 300, 48}, {{0, 0, 120, 40}, {150, 8, 300, 48}}});
    fake.set("second", {{0, 0, 90, 30}, {{10, 0, 80, 30}}});
}

// Every field of a record, as bits (the padding between them is no state).
void append_fields(std::vector<std::uint64_t>& out, const Particle& p) {
    for (double v : {p.x, p.y, p.z, p.red, p.green, p.blue, p.spray_z, p.height, p.spray_vz,
                     p.velocity, p.accel}) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        out.push_back(bits);
    }
    out.push_back(static_cast<std::uint64_t>(p.size) << 16 | p.visible << 8 | p.released);
}

struct run_state {
    std::vector<std::uint64_t> grid;
    std::vector<std::uint64_t> particles;
    std::vector<std::uint32_t> frame;
    double sweep_level = 0;
};

// The scene after `ticks` ticks (two line changes; the text drifting, or with
// `follow` 0 riding the waves), and a 640 × 480 frame of it, computed on `path`.
run_state run_on(vector_path path, int ticks, std::int32_t follow) {
    EXPECT_TRUE(use_vector_path(path));
    set_random_state(1);
    SeaScene scene;
    FakeRasteriser fake;
    draw_blocks(fake);
    start_scene(scene, fake, {"first^nsecond", text_encoding::ansi}, follow, 1280, 720);
    for (int t = 0; t < ticks; ++t) tick_scene(scene);
    run_state s;
    for (int i = 0; i < scene.rows; ++i)
        for (int j = 0; j < scene.cols; ++j) append_fields(s.grid, scene.grid[i][j]);
    for (int k = 0; k < scene.particles.count; ++k)
        append_fields(s.particles, record_at(scene.particles, k));
    s.frame.assign(640 * 480, 0);
    DrawingSurface frame;
    attach_pixels(frame, s.frame.data(), 640, 480, 640, true);
    render_frame(scene, frame, surface_rect{0, 0, 640, 480});
    s.sweep_level = scene.sweep_level;
    return s;
}

TEST(SameBits, EveryVectorPathGivesTheSameSceneAndFrame) {
    const vector_path best = best_vector_path();
    std::vector<vector_path> paths{vector_path::sse2, vector_path::avx2, vector_path::wasm_simd};
    int compared = 0;
    for (std::int32_t follow : {1, 0}) {
        SCOPED_TRACE(follow ? "drifting text" : "text riding the waves");
        const run_state scalar = run_on(vector_path::scalar, 1850, follow);
        EXPECT_GT(scalar.particles.size(), 1000u * 15);
        for (vector_path path : paths) {
            if (path != best && !(path == vector_path::sse2 && best == vector_path::avx2)) continue;
            const run_state other = run_on(path, 1850, follow);
            EXPECT_EQ(other.grid, scalar.grid) << vector_path_name(path);
            EXPECT_EQ(other.particles, scalar.particles) << vector_path_name(path);
            EXPECT_EQ(other.frame, scalar.frame) << vector_path_name(path);
            EXPECT_EQ(other.sweep_level, scalar.sweep_level) << vector_path_name(path);
            ++compared;
        }
    }
    use_vector_path(best);
    if (best != vector_path::scalar) {
        EXPECT_GE(compared, 1);
    }
}

// A window kept up to date with only the changed areas of each frame (the
// first whole) shows, after every tick, exactly the frame a full clear and a
// full present give.
TEST(SameBits, ShowingWhatChangedShowsTheSameAsShowingAll) {
    set_random_state(1);
    SeaScene scene;
    FakeRasteriser fake;
    draw_blocks(fake);
    start_scene(scene, fake, {"first^nsecond", text_encoding::ansi}, 0, 1280, 720);
    struct view {
        int w, h;
        std::vector<std::uint32_t> memory, window, whole;
        DrawingSurface frame;
        bool shown = false;
    };
    std::vector<view> views{{152, 112, {}, {}, {}, {}, false},
                            {801, 599, {}, {}, {}, {}, false},
                            {1280, 1024, {}, {}, {}, {}, false}};
    for (view& v : views) {
        v.memory.assign(static_cast<std::size_t>(v.w) * v.h, 0);
        v.window.assign(v.memory.size(), 0x123456);  // whatever a window held before
        v.whole.assign(v.memory.size(), 0);
        attach_pixels(v.frame, v.memory.data(), v.w, v.h, v.w, true);
    }
    int areas = 0;
    for (int t = 0; t < 2000; ++t) {
        tick_scene(scene);
        for (view& v : views) {
            const surface_rect rect{0, 0, v.w, v.h};
            render_frame(scene, v.frame, rect);
            std::vector<surface_rect> changed;
            take_changes(v.frame, changed);
            if (!v.shown) changed = {rect};
            v.shown = true;
            long shown = 0;
            for (const surface_rect& c : changed) {
                for (int y = c.top; y < c.bottom; ++y) {
                    std::memcpy(&v.window[static_cast<std::size_t>(y) * v.w + c.left],
                                &v.memory[static_cast<std::size_t>(y) * v.w + c.left],
                                sizeof(std::uint32_t) * (c.right - c.left));
                }
                shown += static_cast<long>(c.right - c.left) * (c.bottom - c.top);
            }
            areas += shown < static_cast<long>(v.w) * v.h;
            // The reference: memory of unknown contents, cleared whole.
            std::fill(v.whole.begin(), v.whole.end(), 0xFEDCBA);
            DrawingSurface whole;
            attach_pixels(whole, v.whole.data(), v.w, v.h, v.w, false);
            render_frame(scene, whole, rect);
            ASSERT_EQ(v.window, v.whole) << v.w << "x" << v.h << " after tick " << t;
        }
    }
    EXPECT_GT(areas, 1000);  // most frames showed less than the whole frame
}

}  // namespace
