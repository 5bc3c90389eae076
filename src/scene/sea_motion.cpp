#include "scene/sea_motion.h"

#include "scene/random.h"
#include "scene/sea_scene.h"
#include "scene/trig.h"

namespace {

constexpr double coupling = 0.125;
constexpr double diagonal_weight = 0.7072135785007072;
constexpr double whitening = 0.001;
constexpr double fall_floor = -10;
constexpr double sweep_phase = 0.9;

// What the neighbour coupling reads and changes of one node, held in registers
// while the node's cells are worked through: with the nodes in memory, each
// exchange would be a store and a reload, since the compiler cannot tell the
// four corners of a cell apart.
struct coupled_node {
    double height;
    double accel;
    double red;
    double green;
    double blue;
    bool visible;
};

coupled_node load_coupled(const Particle& node) {
    return {node.height, node.accel, node.red, node.green, node.blue, node.visible != 0};
}

void store_coupled(Particle& node, const coupled_node& values) {
    node.accel = values.accel;
    node.red = values.red;
    node.green = values.green;
    node.blue = values.blue;
}

void couple(coupled_node& P, coupled_node& Q, bool diagonal) {
    if (!P.visible || !Q.visible) return;
    double f = (Q.height - P.height) * coupling;
    if (diagonal) f = f * diagonal_weight;
    P.accel += f;
    Q.accel -= f;
    double g = (Q.red - P.red) * coupling;
    P.red += g;
    Q.red -= g;
    g = (Q.green - P.green) * coupling;
    P.green += g;
    Q.green -= g;
    g = (Q.blue - P.blue) * coupling;
    P.blue += g;
    Q.blue -= g;
}

void restore_row(const SeaScene& scene, Particle* row) {
    for (std::int32_t j = 0; j < scene.cols; ++j) {
        if (j + prefetch_distance < scene.cols) prefetch_record(row + j + prefetch_distance, true);
        if (row[j].visible) row[j].accel = -(row[j].height * scene.spring);
    }
}

// One line of cells between two rows, worked from left to right. A cell's
// corners are A = row[j], B = row[j + 1], C = next[j], D = next[j + 1]; after the
// cell, A and C are final for this line and go back to memory, and B and D
// become the next cell's A and C without a trip through memory.
class cell_line {
public:
    cell_line(Particle* row, Particle* next) : row_(row), next_(next) {}

    void start() {
        A_ = load_coupled(row_[0]);
        C_ = load_coupled(next_[0]);
    }

    void cell(std::int32_t j) {
        coupled_node B = load_coupled(row_[j + 1]);
        coupled_node D = load_coupled(next_[j + 1]);
        couple(A_, B, false);
        couple(A_, C_, false);
        couple(A_, D, true);
        couple(B, C_, true);
        store_coupled(row_[j], A_);
        store_coupled(next_[j], C_);
        A_ = B;
        C_ = D;
    }

    // After the last cell, j = cells - 1.
    void finish(std::int32_t cells) {
        store_coupled(row_[cells], A_);
        store_coupled(next_[cells], C_);
    }

private:
    Particle* row_;
    Particle* next_;
    coupled_node A_{};
    coupled_node C_{};
};

void couple_row(const SeaScene& scene, Particle* row, Particle* next) {
    const std::int32_t cells = scene.cols - 1;
    if (cells <= 0) return;
    cell_line line(row, next);
    line.start();
    for (std::int32_t j = 0; j < cells; ++j) line.cell(j);
    line.finish(cells);
}

// The cells between `row` and `next` and those between `next` and `after`, the
// second line two cells behind the first. Each cell of the second line touches
// only nodes that the first line has finished with and stored (its corners in
// `next` are behind the first line's cells) or that the first line never
// touches (those in `after`), so every node sees its exchanges in the
// row-major order; but the two lines are independent chains of arithmetic that
// the processor can run side by side, where one line alone is one long chain
// through each colour.
void couple_two_rows(const SeaScene& scene, Particle* row, Particle* next, Particle* after) {
    constexpr std::int32_t lag = 2;
    const std::int32_t cells = scene.cols - 1;
    if (cells <= 0) return;
    cell_line first(row, next);
    cell_line second(next, after);
    first.start();
    for (std::int32_t j = 0; j < cells + lag; ++j) {
        if (j < cells) {
            first.cell(j);
            if (j == cells - 1) first.finish(cells);
        }
        if (j >= lag) {
            if (j == lag) second.start();
            second.cell(j - lag);
        }
    }
    second.finish(cells);
}

void integrate_row(const SeaScene& scene, Particle* row) {
    for (std::int32_t j = 0; j < scene.cols; ++j) {
        Particle& node = row[j];
        node.velocity = (node.accel + node.velocity) * scene.damping;
        node.height += node.velocity;
        node.spray_vz += scene.gravity;
        node.spray_z += node.spray_vz;
        if (node.height + scene.lift > node.spray_z) {
            node.spray_z = node.height + scene.lift;
            node.spray_vz = node.velocity;
        }
        node.z = node.spray_z;
        node.red += (1 - node.red) * whitening;
        node.green += (1 - node.green) * whitening;
        node.blue += (1 - node.blue) * whitening;
    }
}

// The sea's three stages (restoring force on every node, neighbour coupling over
// every cell corner in row-major order, integration of every node) in one pass
// down the rows, for the cache's sake. Each node still goes through the stages
// in order: its restoring force is set before the first cell that touches it
// (the cells of the row above), and it is integrated after the last one (the
// cells of its own row). The cells keep their order, so the colour exchanges,
// which depend on it, are those of three separate passes.
}  // namespace

double turn_phase_of(double angle) {
    double phase = sine(angle);
    if (cosine(angle) < 0) phase = -phase;
    return phase;
}

void move_sea(SeaScene& scene) {
    if (scene.rows <= 0) return;
    restore_row(scene, scene.grid[0].get());
    std::int32_t i = 0;
    // Two rows of cells at a time (see couple_two_rows).
    for (; i + 2 < scene.rows; i += 2) {
        Particle* row = scene.grid[i].get();
        Particle* next = scene.grid[i + 1].get();
        Particle* after = scene.grid[i + 2].get();
        restore_row(scene, next);
        restore_row(scene, after);
        couple_two_rows(scene, row, next, after);
        integrate_row(scene, row);
        integrate_row(scene, next);
    }
    for (; i < scene.rows; ++i) {
        Particle* row = scene.grid[i].get();
        if (i + 1 < scene.rows) {
            Particle* next = scene.grid[i + 1].get();
            restore_row(scene, next);
            couple_row(scene, row, next);
        }
        integrate_row(scene, row);
    }
}

void move_text(SeaScene& scene, double turn_phase) {
    ParticleList& list = scene.particles;
    const std::int32_t n = list.count;
    if (n <= 0) return;
    Particle* items = list.items.get();
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
    for (std::int32_t p = 0; p < n; ++p) {
        if (p + prefetch_distance < n) prefetch_record(items + p + prefetch_distance, true);
        Particle& particle = items[p];
        if (particle.released && particle.z > fall_floor * scene.max_text_height) {
            particle.velocity += scene.gravity;
            particle.z += particle.velocity;
        }
        if (particle.visible && particle.released) {
            stain(scene, particle.x, particle.y, particle.red, particle.green, particle.blue);
        }
        // The sea under the particle: staining changes only colours, so one
        // look serves both the visibility test and the riding.
        const double sea_z = sample_height(scene, particle.x, particle.y);
        particle.visible = sea_z < particle.z ? 1 : 0;
        if (scene.follow == 0 && particle.visible && !particle.released) {
            particle.z = sea_z + particle.height;
        }
    }
    // Sweep: let the line go from the top down, faster and faster.
    if (turn_phase > sweep_phase) {
        scene.sweep_speed += scene.gravity;
        scene.sweep_level += scene.sweep_speed;
        for (std::int32_t p = 0; p < n; ++p) {
            if (items[p].height > scene.sweep_level) items[p].released = 1;
        }
    }
}
