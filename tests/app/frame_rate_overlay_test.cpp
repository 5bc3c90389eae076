// The frame-rate box: the figures it shows, and what it draws and leaves.
#include "app/frame_rate_overlay.h"

#include <gtest/gtest.h>

#include "support/memory_surface.h"

namespace {

TEST(FrameRateCounter, FiguresOfEachWholeSecond) {
    FrameRateCounter counter;
    count_frame(counter, 5000, 0);  // the first frame starts the count
    EXPECT_EQ(frame_rate_line(counter), "FPS: --");
    EXPECT_EQ(load_line(counter), "CPU: --");
    // 30 frames in 999 ms: not yet a second.
    for (int i = 1; i <= 30; ++i)
        count_frame(counter, 5000 + static_cast<std::uint32_t>(i) * 33, 0);
    EXPECT_FALSE(counter.has_figures);
    // The 31st frame ends the second: 31 frames in 1023 ms, 0.25 s of processor time.
    count_frame(counter, 6023, 2500000);
    EXPECT_EQ(frame_rate_line(counter), "FPS: 30.3");
    EXPECT_EQ(load_line(counter), "CPU: 24.4%");
    // The next second counts afresh, across the wrap of the millisecond clock.
    FrameRateCounter wrapping;
    count_frame(wrapping, 0xFFFFFF00u, 1000);
    for (int i = 1; i <= 10; ++i)
        count_frame(wrapping, 0xFFFFFF00u + static_cast<std::uint32_t>(i) * 200,
                    1000 + static_cast<std::uint64_t>(i) * 2000000);
    EXPECT_EQ(frame_rate_line(wrapping), "FPS: 5.0");
    EXPECT_EQ(load_line(wrapping), "CPU: 100.0%");
}

TEST(FrameRateBox, DrawnInTheBottomLeftCornerAndClearedWithTheFrame) {
    MemorySurface frame(640, 480);
    frame.surface.lit_areas_known = true;  // as the live frame surface keeps it
    FrameRateCounter counter;
    counter.has_figures = true;
    counter.frames_per_second = 30.3;
    counter.load_percent = 12.5;
    draw_frame_rate_box(frame.surface, {0, 0, 640, 480}, counter);

    int lit = 0;
    int left_most = 640;
    int top_most = 480;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            if (frame.at(x, y) == 0) continue;
            ++lit;
            left_most = std::min(left_most, x);
            top_most = std::min(top_most, y);
            EXPECT_EQ(frame.at(x, y), 0xFFFFFFu);
        }
    }
    EXPECT_GT(lit, 100);
    // One font pixel is one screen pixel at this height; the padding is two.
    EXPECT_EQ(left_most, 2);
    EXPECT_EQ(top_most, 480 - (7 + 9 + 4) + 2);
    // The top-left stroke of "F" is a full row of five.
    for (int x = 2; x < 7; ++x) EXPECT_EQ(frame.at(x, top_most), 0xFFFFFFu) << x;
    EXPECT_EQ(frame.at(7, top_most), 0u);

    // The next frame's whole clear takes the text away: no trace of the old
    // figures under the new ones.
    fill_solid(frame.surface, 0, 0, 640, 480, 0);
    EXPECT_EQ(frame.lit(), 0);
}

TEST(FrameRateBox, ItsBoxCoversWhatTheSceneDrewThere) {
    MemorySurface frame(1920, 1080, 0x808080);
    draw_frame_rate_box(frame.surface, {0, 0, 1920, 1080}, FrameRateCounter{});
    // Three pixels a font pixel at 1080 lines: the box is 20 cells high.
    EXPECT_EQ(frame.at(0, 1080 - 60), 0u);
    EXPECT_EQ(frame.at(0, 1080 - 61), 0x808080u);
    EXPECT_EQ(frame.at(1919, 1079), 0x808080u);
}

}  // namespace
