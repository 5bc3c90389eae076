// Frames per second and the saver's processor load, drawn small in the
// bottom-left corner of the frame when the command line asks for them.
#pragma once

#include <cstdint>
#include <string>

#include "render/drawing_surface.h"

// Counts painted frames and the processor time they took, and renews the two
// figures once a second.
struct FrameRateCounter {
    bool started = false;
    std::uint32_t window_start_ms = 0;
    std::uint64_t window_start_cpu = 0;  // 100-nanosecond units
    int frames = 0;
    bool has_figures = false;
    double frames_per_second = 0.0;
    double load_percent = 0.0;  // of one processor
};

// One painted frame at `now_ms` (a millisecond clock that may wrap) after
// `cpu_time` of processor time (100-nanosecond units) in all.
void count_frame(FrameRateCounter& counter, std::uint32_t now_ms, std::uint64_t cpu_time);

// The two lines shown: "FPS: 30.3" and "CPU: 4.2%", dashes before the first
// second is over.
std::string frame_rate_line(const FrameRateCounter& counter);
std::string load_line(const FrameRateCounter& counter);

// Draws the lines on a black box in the bottom-left corner of `frame`. Only
// digits, the letters of the two labels and ". : % -" have glyphs; any other
// byte is left blank.
void draw_frame_rate_box(DrawingSurface& surface, const surface_rect& frame,
                         const FrameRateCounter& counter);

// Counts this frame with the process's own clock and times, then draws the box.
void draw_frame_rate(DrawingSurface& surface, const surface_rect& frame);
