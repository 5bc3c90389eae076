// The saver window's creation sequence without a window, for the developer
// tools: the message and drift choice, a frame surface, the screen-sized text
// surface, the seeded and warmed-up sea.
#pragma once

#include <string>

#include "app/animation.h"
#include "render/drawing_surface.h"
#include "scene/sea_scene.h"
#include "text/emitter.h"

inline bool start_headless_scene(SeaScene& scene, DrawingSurface& frame, const encoded_text& stored,
                                 int follow, int frame_w, int frame_h, int screen_w,
                                 int screen_h) {
    load_message(scene, stored, follow);
    HDC__* screen = acquire_screen_context();
    const bool made = create_compatible(frame, screen, frame_w, frame_h);
    prepare_text_surface(scene, screen, screen_w, screen_h);
    seed_scene(scene);
    release_screen_context(screen);
    return made;
}
