// The one scene: its pose, the sea grid and the constants of its physics, the
// turning view, the drift choice, the message state, the current line's
// particles and the surface the line is drawn on.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "scene/numeric.h"
#include "scene/particle.h"
#include "scene/particle_list.h"
#include "scene/pixel_buffer.h"
#include "scene/text_encoding.h"

constexpr std::int32_t max_grid_count = 1024;

// Emitter calls per message line (one slice each); also the scale of the
// random releases of a step (turn phase × 32).
constexpr std::int32_t slices_per_line = 32;

// "生日快乐\nHappy Birthday\n" in code page 936 (GBK): the message a new
// scene holds, and the one that stands wherever an empty message would.
inline const std::string fallback_message_gbk =
    "\xc9\xfa\xc8\xd5\xbf\xec\xc0\xd6\nHappy Birthday\n";

// Draws message lines for the emitter (text/line_rasteriser.h).
class line_rasteriser;

struct free_memory {
    void operator()(std::uint32_t* bits) const { std::free(bits); }
};

struct SeaScene {
    Pose pose;
    std::int32_t rows = 0;
    std::int32_t cols = 0;
    std::vector<std::unique_ptr<Particle[]>> grid;  // rows of `cols` nodes; absent rows are null
    double eye_distance = 420.0;
    double damping = 1.0;
    double spring = 0.01;
    double gravity = -0.5;
    double spacing = 8.0;
    double ripple_waves = 3.5;
    double lift = 0.0;
    double sweep_level = 0;
    double sweep_speed = 0;
    Pose view;
    std::int32_t follow = 0;
    std::string text;
    text_encoding encoding = text_encoding::ansi;  // how `text` and `line` are read
    std::int32_t cursor = 0;
    std::int32_t emit_count = 0;
    std::string line;
    ParticleList particles;
    double max_text_height = 300.0;
    // Every node's z, row by row, as the last move of the sea left it: what
    // the text particles of the same step look at, in a fraction of the
    // memory of the nodes themselves.
    std::vector<double> sea_heights;
    // What draws the lines in the message font (the font is its own); not
    // owned by the scene.
    line_rasteriser* text_rasteriser = nullptr;
    // The screen-sized surface a line is drawn on and read back from, and the
    // memory behind it (zeroed pages, so a new surface is black).
    pixel_buffer text_surface;
    std::unique_ptr<std::uint32_t, free_memory> text_bitmap;
    // Area of the text surface that the last drawn line covered, so that the
    // next clear also removes a line wider or taller than the usual area.
    surface_rect text_drawn;
    // The screen the text surface has to cover: its size when the surface was
    // made, or a size the screens changed to since.
    std::int32_t screen_width = 0;
    std::int32_t screen_height = 0;

    SeaScene();
    ~SeaScene();
    SeaScene(const SeaScene&) = delete;
    SeaScene& operator=(const SeaScene&) = delete;
};

// Replaces any grid with a new one of the given counts (each clamped to 1..1024,
// out-of-range values giving 1024) whose inscribed ellipse is visible.
void build_grid(SeaScene& scene, std::int32_t rows, std::int32_t cols);
void free_grid(SeaScene& scene);
// Adds a ring-shaped impulse to the wave velocity around cell (row, col).
void drop_ripple(SeaScene& scene, std::int32_t row, std::int32_t col, double amplitude,
                 std::int32_t radius);
// The phase of a ripple's ring at squared distance d2 (in cells) from its
// centre: d/R · waves · π, whose cosine scales the impulse.
inline double ripple_argument(std::int64_t d2, std::int64_t radius_squared, double waves) {
    return (std::sqrt(double(d2) / double(radius_squared)) * waves) * pi;
}
// The node under a world point, clamped into the grid; none without a grid.
// Inline: the step asks this once or twice for every text particle.
inline Particle* node_under(const SeaScene& sea, double x, double y) {
    if (sea.rows <= 0 || sea.cols <= 0) return nullptr;
    std::int32_t i = trunc_to_int(sea.rows / 2 + x * (1 / sea.spacing));
    std::int32_t j = trunc_to_int(sea.cols / 2 + y * (1 / sea.spacing));
    if (i < 0) i = 0;
    if (i > sea.rows - 1) i = sea.rows - 1;
    if (j < 0) j = 0;
    if (j > sea.cols - 1) j = sea.cols - 1;
    return &sea.grid[i][j];
}

// z of the node under a world point, clamped into the grid.
inline double sample_height(const SeaScene& sea, double x, double y) {
    const Particle* node = node_under(sea, x, y);
    return node ? node->z : 0.0;
}

// A node's acceleration once the restoring force is set (the first stage of
// the sea's step): -(height * spring) for a visible node; an invisible one
// keeps its own.
inline double restoring_accel(const Particle& node, double spring) {
    return node.visible ? -(node.height * spring) : node.accel;
}

// Colours the node under a world point, clamped into the grid.
inline void stain(SeaScene& sea, double x, double y, double red, double green, double blue) {
    Particle* node = node_under(sea, x, y);
    if (!node) return;
    node->red = red;
    node->green = green;
    node->blue = blue;
}
