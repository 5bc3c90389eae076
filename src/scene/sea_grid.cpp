#include <cmath>

#include "scene/numeric.h"
#include "scene/random.h"
#include "scene/sea_scene.h"
#include "scene/trig.h"

SeaScene::SeaScene() : text(fallback_message_gbk) {
    init_pose(pose);
    init_pose(view);
}

SeaScene::~SeaScene() {
    free_grid(*this);
    text_surface = pixel_buffer{};
    text_bitmap.reset();
    clear(particles);
}

void free_grid(SeaScene& scene) {
    scene.grid.clear();
    scene.grid.shrink_to_fit();
    scene.rows = 0;
    scene.cols = 0;
}

namespace {

std::int32_t clamp_count(std::int32_t count) {
    return (count < 1 || count > max_grid_count) ? max_grid_count : count;
}

// Jitter of a node's position, in cells: -49/120 to 50/120.
double jitter(int r) {
    return (50 - r) * 0.008333333333333333;
}

}  // namespace

void build_grid(SeaScene& scene, std::int32_t rows, std::int32_t cols) {
    free_grid(scene);
    scene.rows = clamp_count(rows);
    scene.cols = clamp_count(cols);
    const std::int32_t h_r = scene.rows / 2;
    const std::int32_t h_c = scene.cols / 2;
    scene.grid.resize(static_cast<std::size_t>(scene.rows));
    for (std::int32_t i = 0; i < scene.rows; ++i) {
        scene.grid[i].reset(new Particle[static_cast<std::size_t>(scene.cols)]);
        for (std::int32_t j = 0; j < scene.cols; ++j) init_particle(scene.grid[i][j]);
    }
    for (std::int32_t i = 0; i < scene.rows; ++i) {
        for (std::int32_t j = 0; j < scene.cols; ++j) {
            const double u = static_cast<double>(i - h_r) / h_r;
            const double v = static_cast<double>(j - h_c) / h_c;
            if (u * u + v * v <= 1) {
                Particle& node = scene.grid[i][j];
                node.visible = 1;
                const int r1 = random_draw() % 100;
                const int r2 = random_draw() % 100;
                node.y = (j - h_c + jitter(r1)) * scene.spacing;
                node.x = (i - h_r + jitter(r2)) * scene.spacing;
                node.z = 0;
            }
        }
    }
}

void drop_ripple(SeaScene& scene, std::int32_t row, std::int32_t col, double amplitude,
                 std::int32_t radius) {
    if (radius <= 0) return;
    const std::int64_t r2 = std::int64_t{radius} * radius;
    // The impulse depends only on the squared distance, so each one met is
    // worked out once (the seeding ripples cover 7,800 cells at fewer than 900
    // distances); very large rings are worked out cell by cell.
    constexpr std::int64_t largest_profile = 1 << 16;
    std::vector<double> profile;
    std::vector<bool> known;
    if (r2 <= largest_profile) {
        profile.resize(static_cast<std::size_t>(r2) + 1);
        known.resize(profile.size());
    }
    auto impulse = [&](std::int64_t d2) {
        if (profile.empty()) return amplitude * cosine(ripple_argument(d2, r2, scene.ripple_waves));
        const auto at = static_cast<std::size_t>(d2);
        if (!known[at]) {
            profile[at] = amplitude * cosine(ripple_argument(d2, r2, scene.ripple_waves));
            known[at] = true;
        }
        return profile[at];
    };
    for (std::int64_t r = std::int64_t{row} - radius; r < std::int64_t{row} + radius; ++r) {
        for (std::int64_t k = std::int64_t{col} - radius; k < std::int64_t{col} + radius; ++k) {
            if (r < 0 || r >= scene.rows || k < 0 || k >= scene.cols) continue;
            Particle& node = scene.grid[r][k];
            if (!node.visible) continue;
            const std::int64_t d2 = (r - row) * (r - row) + (k - col) * (k - col);
            if (d2 <= r2) node.velocity += impulse(d2);
        }
    }
}
