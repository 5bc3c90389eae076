#include "render/frame_renderer.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <vector>

#include "scene/numeric.h"
#include "scene/particle_list.h"
#include "scene/sea_scene.h"

namespace {

// Where a run of records lands: their projected x, y and size, as turned and
// projected copies of them would hold them. As long as the widest possible row,
// and used block by block for the text cloud, so a frame allocates nothing.
struct projection_scratch {
    std::array<double, max_grid_count> x;
    std::array<double, max_grid_count> y;
    std::array<std::int32_t, max_grid_count> size;
    std::array<std::int32_t, max_grid_count> frame_x;
    std::array<std::int32_t, max_grid_count> frame_y;
    std::array<std::int32_t, max_grid_count> side;
    std::array<std::uint32_t, max_grid_count> pixel;
    projected_points points() { return {x.data(), y.data(), size.data()}; }
    placed_points placed() { return {frame_x.data(), frame_y.data(), side.data(), pixel.data()}; }
};

projection_scratch& scratch() {
    static projection_scratch points;
    return points;
}

// The polar parts of the grid's and the cloud's x and y, kept from frame to
// frame for the view's turn about z (see polar_parts); they grow with the
// grid and the cloud and are never shrunk.
class polar_store {
public:
    polar_parts reserve(std::size_t needed) {
        if (x_bits_.size() < needed) {
            for (auto* bits : {&x_bits_, &y_bits_}) bits->resize(needed);
            for (auto* part : {&r_, &x_over_r_, &y_over_r_}) part->resize(needed);
        }
        return {x_bits_.data(), y_bits_.data(), r_.data(), x_over_r_.data(), y_over_r_.data()};
    }

private:
    std::vector<std::uint64_t> x_bits_, y_bits_;
    std::vector<double> r_, x_over_r_, y_over_r_;
};

polar_store& grid_polar() {
    static polar_store store;
    return store;
}

polar_store& cloud_polar() {
    static polar_store store;
    return store;
}

std::uint32_t colour_byte(double fraction) {
    return static_cast<std::uint32_t>(trunc_to_int(fraction * 255)) & 0xFFu;
}

// Draws the visible ones of `count` records whose projection is in `at`: as
// draw_point would, each square placed and coloured first, all together.
template <typename Record>
void draw_run(const Record* records, projection_scratch& at, std::int32_t count,
              DrawingSurface& surface, const point_placement& place) {
    if (!surface.bits) return;  // nothing to draw on
    placed_points placed = at.placed();
    place_points(records, at.points(), count, place, placed);
    fill_squares(surface, placed.x, placed.y, placed.side, placed.pixel, count,
                 [records](std::int32_t k) { return !records[k].visible; });
}

}  // namespace

colour_ref point_colour(const Particle& record) {
    return colour_byte(record.red) | colour_byte(record.green) << 8 |
           colour_byte(record.blue) << 16;
}

void render_frame(SeaScene& scene, DrawingSurface& surface, const surface_rect& rect) {
    fill_solid(surface, rect, 0);
    projection_scratch& at = scratch();
    projected_points points = at.points();
    const std::int32_t cx = (rect.left + rect.right) / 2;
    const std::int32_t cy = rect.top + (rect.bottom - rect.top) / 3;
    const double sx = (rect.right - rect.left) * 0.00078125;
    const double sy = (rect.bottom - rect.top) * 0.0009765625;
    const point_placement place{static_cast<double>(cx), static_cast<double>(cy), sx, sy};
    // The two poses turn every row by the same angles.
    const pose_turn view = turn_of(scene.view);
    const pose_turn tilt = turn_of(scene.pose);
    const polar_parts polar =
        grid_polar().reserve(static_cast<std::size_t>(scene.rows) * scene.cols);
    for (std::int32_t i = 0; i < scene.rows; ++i) {
        const Particle* row = scene.grid[i].get();
        if (!row) continue;
        // Each row is its own block of memory, whose ends are looked through
        // for the first and last visible node: the next row's are asked for
        // while this one is worked.
        if (i + 1 < scene.rows && scene.grid[i + 1] && scene.cols > 0) {
            const Particle* next = scene.grid[i + 1].get();
            const std::int32_t ends = std::min(prefetch_distance, scene.cols);
            for (std::int32_t j = 0; j < ends; ++j) {
                prefetch_first_line(next + j);
                prefetch_first_line(next + scene.cols - 1 - j);
            }
        }
        // Only the stretch from the first to the last visible node can be
        // drawn: the nodes outside it are transformed for nothing, so they
        // are left out (each record is transformed on its own).
        std::int32_t first = 0;
        std::int32_t end = scene.cols;
        while (first < end && !row[first].visible) ++first;
        while (end > first && !row[end - 1].visible) --end;
        // The row turned by the view, then tilted, then projected.
        const polar_parts row_polar = polar.at(static_cast<std::size_t>(i) * scene.cols + first);
        turn_and_project(view, tilt, row + first, end - first, scene.eye_distance, points,
                         &row_polar);
        draw_run(row + first, at, end - first, surface, place);
    }
    render_particles(scene.particles, surface, cx, cy, scene.view, scene.eye_distance, sx, sy);
}

void render_particles(ParticleList& list, DrawingSurface& surface, std::int32_t cx, std::int32_t cy,
                      Pose view, double eye_distance, double sx, double sy) {
    if (!list.items || !list.snapshot) return;
    // Every record is transformed on its own and drawn in list order, so the
    // cloud goes through the turns, the projection and the drawing a block at
    // a time: the same squares in the same order, with the working values
    // staying in the cache.
    projection_scratch& at = scratch();
    projected_points points = at.points();
    const point_placement place{static_cast<double>(cx), static_cast<double>(cy), sx, sy};
    const pose_turn view_turn = turn_of(view);
    const pose_turn cloud_turn = turn_of(list.pose);
    const polar_parts polar = cloud_polar().reserve(static_cast<std::size_t>(list.count));
    constexpr std::int32_t block = max_grid_count;
    for (std::int32_t first = 0; first < list.count; first += block) {
        const std::int32_t n = std::min(block, list.count - first);
        const TextParticle* records = list.items.get() + first;
        const polar_parts block_polar = polar.at(static_cast<std::size_t>(first));
        turn_and_project(view_turn, cloud_turn, records, n, eye_distance, points, &block_polar);
        draw_run(records, at, n, surface, place);
    }
}

void draw_projected(double x, double y, std::int32_t size, colour_ref colour,
                    DrawingSurface& surface, std::int32_t cx, std::int32_t cy, double sx,
                    double sy) {
    std::int32_t s = trunc_to_int(size * sx);
    if (s < 1) s = 1;
    const std::int32_t X = trunc_to_int(sx * x + cx);
    const std::int32_t Y = trunc_to_int(sy * y + cy);
    fill_square(surface, X, Y, s, colour);
}

void draw_point(const Particle& record, DrawingSurface& surface, std::int32_t cx, std::int32_t cy,
                double sx, double sy) {
    draw_projected(record.x, record.y, record.size, point_colour(record), surface, cx, cy, sx, sy);
}
