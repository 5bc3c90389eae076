#include "scene/sea_motion.h"

#include "scene/lane_kernels.h"
#include "scene/random.h"
#include "scene/sea_scene.h"
#include "scene/trig.h"

namespace {

constexpr double fall_floor = -10;
constexpr double sweep_phase = 0.9;

// The first row's restoring force; the coupling sets the other rows' as it
// first reads them.
void restore_first_row(const SeaScene& scene) {
    Particle* row = scene.grid[0].get();
    for (std::int32_t j = 0; j < scene.cols; ++j)
        row[j].accel = restoring_accel(row[j], scene.spring);
}

void integrate_row(SeaScene& scene, std::int32_t i) {
    kernels().integrate_row(scene, scene.grid[i].get(),
                            scene.sea_heights.data() + static_cast<std::size_t>(i) * scene.cols);
}

}  // namespace

double turn_phase_of(double angle) {
    double phase = sine(angle);
    if (cosine(angle) < 0) phase = -phase;
    return phase;
}

// The sea's three stages (restoring force on every node, neighbour coupling over
// every cell corner in row-major order, integration of every node) in one pass
// down the rows, for the cache's sake. Each node still goes through the stages
// in order: its restoring force is set as the first cell that touches it reads
// it (a cell of the row above), and it is integrated after the last one (the
// cells of its own row). The cells keep their order, so the colour exchanges,
// which depend on it, are those of three separate passes.
void move_sea(SeaScene& scene) {
    if (scene.rows <= 0) return;
    const std::size_t nodes = static_cast<std::size_t>(scene.rows) * scene.cols;
    if (scene.sea_heights.size() != nodes) scene.sea_heights.resize(nodes);
    restore_first_row(scene);
    std::int32_t i = 0;
    // Several lines of cells at a time, as many as the kernels take together
    // (see couple_lines).
    const lane_kernels& k = kernels();
    const std::int32_t lines = scene.rows - 1;
    while (i < lines) {
        const int group = lines - i < k.lines_together ? lines - i : k.lines_together;
        k.couple_lines(scene, i, group);
        for (int r = 0; r < group; ++r) integrate_row(scene, i + r);
        i += group;
    }
    integrate_row(scene, scene.rows - 1);
}

void move_text(SeaScene& scene, double turn_phase) {
    ParticleList& list = scene.particles;
    const std::int32_t n = list.count;
    if (n <= 0) return;
    TextParticle* items = list.items.get();
    // Random release: one particle, then ceil(q) more while the phase is positive.
    items[random_draw() % n].released = 1;
    const double q = turn_phase * slices_per_line;
    if (q > 0) {
        int k = 0;
        do {
            ++k;
            items[random_draw() % n].released = 1;
        } while (k < q);
    }
    // The sea's heights as move_sea left them in this step, read from the
    // compact copy rather than the nodes (made from the nodes when the sea
    // has not moved since it was built).
    const std::size_t nodes = static_cast<std::size_t>(scene.rows) * scene.cols;
    if (scene.sea_heights.size() != nodes) {
        scene.sea_heights.resize(nodes);
        for (std::int32_t i = 0; i < scene.rows; ++i)
            for (std::int32_t j = 0; j < scene.cols; ++j)
                scene.sea_heights[static_cast<std::size_t>(i) * scene.cols + j] =
                    scene.grid[i][j].z;
    }
    // Without a grid every particle looks at a flat sea at 0.
    static const double flat_sea = 0.0;
    kernels().move_particles(scene, items, list.velocities.get(), n,
                             nodes ? scene.sea_heights.data() : &flat_sea,
                             fall_floor * scene.max_text_height);
    // Sweep: let the line go from the top down, faster and faster.
    if (turn_phase > sweep_phase) {
        scene.sweep_speed += scene.gravity;
        scene.sweep_level += scene.sweep_speed;
        for (std::int32_t p = 0; p < n; ++p) {
            if (items[p].height > scene.sweep_level) items[p].released = 1;
        }
    }
}
