// The animation's life outside the window system: seeding the new scene and
// advancing it by one tick. The saver window, the trace tool and the recorder
// all run the scene through these.
#pragma once

#include <string>

#include "text/byte_string.h"

struct SeaScene;

constexpr double sea_tilt = 1.7278759594743864;        // 99°
constexpr double start_view_angle = 1.2566370614359172;  // 72°
constexpr double view_step = 0.003490658503988659;       // 0.2° per tick
constexpr int tick_milliseconds = 33;

// Hands the loaded message (stored form) to the scene, the default message
// standing in for an empty one, and copies the drift choice unchanged.
void load_message(SeaScene& scene, const encoded_text& stored, int follow);
// Builds the 100 × 100 grid, tilts the scene, sets the view to 72°, drops the
// seven seeding ripples (each followed by one step) and runs 100 warm-up steps.
void seed_scene(SeaScene& scene);
// One tick of the animation: a step, then the view turns by 0.2°.
void tick_scene(SeaScene& scene);
