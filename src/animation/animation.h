// The animation's life outside any window system: starting the new scene and
// advancing it by one tick. The saver window, the trace tool, the recorder,
// the browser page and the benchmarks all run the scene through these.
#pragma once

#include "text/byte_string.h"

struct SeaScene;
class line_rasteriser;

constexpr double sea_tilt = 1.7278759594743864;          // 99°
constexpr double start_view_angle = 1.2566370614359172;  // 72°
constexpr double view_step = 0.003490658503988659;       // 0.2° per tick
constexpr int tick_milliseconds = 33;

// Everything the animation needs before its first frame, in the order the
// first frame and the random sequence depend on:
//  - the stored message (the default message standing in for an empty one)
//    and the drift choice, unchanged; the message comes first because the
//    text font is chosen for it;
//  - the text surface, which has the screen's size even when the frame is a
//    small preview, with `rasteriser` to draw the lines (it must outlive the
//    scene's use of it);
//  - the 100 × 100 grid, tilted, the view at 72°, seven seeding ripples (each
//    followed by one step, each drawing its place from the random sequence)
//    and 100 warm-up steps.
void start_scene(SeaScene& scene, line_rasteriser& rasteriser, const encoded_text& stored,
                 int follow, int screen_w, int screen_h);
// One tick of the animation: a step, then the view turns by 0.2°.
void tick_scene(SeaScene& scene);
