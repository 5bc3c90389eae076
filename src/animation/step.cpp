#include "animation/step.h"

#include "scene/sea_motion.h"
#include "scene/sea_scene.h"
#include "text/emitter.h"
#include "text/message.h"

namespace {

constexpr double lift_phase = 0.995;
constexpr double lift_scale = 200;

}  // namespace

void step(SeaScene& scene) {
    const double turn_phase = turn_phase_of(scene.view.angle_z);
    // Near the end of each half-turn the sea is lifted; the first step after
    // it takes the next line.
    if (turn_phase > lift_phase) {
        scene.lift = ((turn_phase - lift_phase) * scene.max_text_height) * lift_scale;
    } else if (scene.lift != 0) {
        advance_line(scene);
    }
    if (scene.emit_count < slices_per_line) {
        emit_line(scene, scene.line);
    }
    move_sea(scene);
    move_text(scene, turn_phase);
}
