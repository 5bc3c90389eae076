// The one scene: its pose, the sea grid and the constants of its physics, the
// turning view, the drift choice, the message state, the current line's
// particles and the surface the line is drawn on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/drawing_surface.h"
#include "scene/particle.h"
#include "text/particle_list.h"

constexpr std::int32_t max_grid_count = 1024;

struct SeaScene {
    Particle pose;
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
    Particle view;
    std::int32_t follow = 0;
    std::string text;
    std::int32_t cursor = 0;
    std::int32_t emit_count = 0;
    std::string line;
    ParticleList particles;
    double max_text_height = 300.0;
    HFONT__* text_font = nullptr;
    DrawingSurface text_surface;
    HBITMAP__* text_bitmap = nullptr;
    // Area of the text surface that the last drawn line covered, so that the
    // next clear also removes a line wider or taller than the usual area.
    surface_rect text_drawn;

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
// z of the node under a world point, clamped into the grid.
double sample_height(const SeaScene& scene, double x, double y);
// Colours the node under a world point, clamped into the grid.
void stain(SeaScene& scene, double x, double y, double red, double green, double blue);
