#include "render/frame_renderer.h"

#include <algorithm>
#include <array>

#include "scene/numeric.h"
#include "scene/particle_list.h"
#include "scene/sea_scene.h"

namespace {

// Scratch rows for the grid, as long as the widest possible row.
// Made once, every record through init_particle; each frame copies a row over
// its front and reads nothing beyond the row.
std::array<Particle, max_grid_count>& scratch_rows() {
    static std::array<Particle, max_grid_count> scratch = [] {
        std::array<Particle, max_grid_count> records;
        for (Particle& record : records) init_particle(record);
        return records;
    }();
    return scratch;
}

std::uint32_t colour_byte(double fraction) {
    return static_cast<std::uint32_t>(trunc_to_int(fraction * 255)) & 0xFFu;
}

}  // namespace

colour_ref point_colour(const Particle& record) {
    return colour_byte(record.red) | colour_byte(record.green) << 8 |
           colour_byte(record.blue) << 16;
}

void render_frame(SeaScene& scene, DrawingSurface& surface, const surface_rect& rect) {
    fill_solid(surface, rect, 0);
    std::array<Particle, max_grid_count>& scratch = scratch_rows();
    const std::int32_t cx = (rect.left + rect.right) / 2;
    const std::int32_t cy = rect.top + (rect.bottom - rect.top) / 3;
    const double sx = (rect.right - rect.left) * 0.00078125;
    const double sy = (rect.bottom - rect.top) * 0.0009765625;
    // The two poses turn every row by the same angles.
    const pose_turn view = turn_of(scene.view);
    const pose_turn tilt = turn_of(scene.pose);
    for (std::int32_t i = 0; i < scene.rows; ++i) {
        const Particle* row = scene.grid[i].get();
        if (!row) continue;
        // Only the stretch from the first to the last visible node can be
        // drawn: the nodes outside it are transformed for nothing, so they
        // are left out (each record is transformed on its own).
        std::int32_t first = 0;
        std::int32_t end = scene.cols;
        while (first < end && !row[first].visible) ++first;
        while (end > first && !row[end - 1].visible) --end;
        Particle* part = scratch.data() + first;
        const std::int32_t n = end - first;
        // Copy the row into the scratch array, turned by the view on the way.
        copy_rotate_translate(view, row + first, part, n);
        rotate_translate(tilt, part, n);
        project(part, n, scene.eye_distance);
        for (std::int32_t j = 0; j < n; ++j) {
            if (part[j].visible) draw_point(part[j], surface, cx, cy, sx, sy);
        }
    }
    render_particles(scene.particles, surface, cx, cy, scene.view, scene.eye_distance, sx, sy);
}

void render_particles(ParticleList& list, DrawingSurface& surface, std::int32_t cx, std::int32_t cy,
                      Particle view, double eye_distance, double sx, double sy) {
    if (!list.items || !list.snapshot) return;
    // Every record is transformed on its own and drawn in list order, so the
    // cloud can go through copy, turns, projection and drawing a block at a
    // time, each block in the front of the snapshot: the same squares in the
    // same order, with the working records staying in the cache.
    constexpr std::int32_t block = 256;
    Particle* snapshot = list.snapshot.get();
    const pose_turn view_turn = turn_of(view);
    const pose_turn cloud_turn = turn_of(list.pose);
    for (std::int32_t first = 0; first < list.count; first += block) {
        const std::int32_t n = std::min(block, list.count - first);
        // Copy the items into the snapshot, turned by the view on the way.
        copy_rotate_translate(view_turn, list.items.get() + first, snapshot, n);
        rotate_translate(cloud_turn, snapshot, n);
        project(snapshot, n, eye_distance);
        for (std::int32_t k = 0; k < n; ++k) {
            if (snapshot[k].visible) draw_point(snapshot[k], surface, cx, cy, sx, sy);
        }
    }
}

void draw_point(const Particle& record, DrawingSurface& surface, std::int32_t cx, std::int32_t cy,
                double sx, double sy) {
    std::int32_t s = trunc_to_int(record.size * sx);
    if (s < 1) s = 1;
    const std::int32_t X = trunc_to_int(sx * record.x + cx);
    const std::int32_t Y = trunc_to_int(sy * record.y + cy);
    fill_square(surface, X, Y, s, point_colour(record));
}
