#include "animation/animation.h"

#include "animation/step.h"
#include "scene/particle.h"
#include "scene/random.h"
#include "scene/sea_scene.h"
#include "text/builtin_strings.h"
#include "text/emitter.h"
#include "text/message.h"

namespace {
constexpr int grid_count = 100;
constexpr int ripple_radius = 50;
constexpr int warm_up_steps = 100;

void load_message(SeaScene& scene, const encoded_text& stored, int follow) {
    const encoded_text& message = stored.bytes.empty() ? default_message() : stored;
    set_message(scene, message.bytes, message.encoding);
    scene.follow = follow;
}

void seed_scene(SeaScene& scene) {
    build_grid(scene, grid_count, grid_count);
    scene.pose.angle_x = sea_tilt;
    add_angle(scene.view, start_view_angle);
    for (int i = 6; i <= 18; i += 2) {
        const double amplitude = i * 0.1;
        const int k = random_draw() % scene.cols;
        const int r = random_draw() % scene.rows;
        drop_ripple(scene, r, k, amplitude, ripple_radius);
        step(scene);
    }
    for (int n = 0; n < warm_up_steps; ++n) step(scene);
}

}  // namespace

void start_scene(SeaScene& scene, line_rasteriser& rasteriser, const encoded_text& stored,
                 int follow, int screen_w, int screen_h) {
    load_message(scene, stored, follow);
    prepare_text_surface(scene, rasteriser, screen_w, screen_h);
    seed_scene(scene);
}

void tick_scene(SeaScene& scene) {
    step(scene);
    add_angle(scene.view, view_step);
}
