// Draws the scene into an off-screen surface: the grid row by row, then the
// text particles, each point a small filled square. The scene is not changed.
#pragma once

#include <cstdint>

#include "render/drawing_surface.h"
#include "scene/particle.h"

struct SeaScene;
struct ParticleList;

void render_frame(SeaScene& scene, DrawingSurface& surface, const surface_rect& rect);
void render_particles(ParticleList& list, DrawingSurface& surface, std::int32_t cx, std::int32_t cy,
                      Pose view, double eye_distance, double sx, double sy);
void draw_point(const Particle& record, DrawingSurface& surface, std::int32_t cx, std::int32_t cy,
                double sx, double sy);
// The same for a projected point held apart from its record.
void draw_projected(double x, double y, std::int32_t size, colour_ref colour,
                    DrawingSurface& surface, std::int32_t cx, std::int32_t cy, double sx,
                    double sy);

// The colour of a record as drawn: each fraction × 255 truncated, low 8 bits,
// red | green << 8 | blue << 16; nothing is clamped.
colour_ref point_colour(const Particle& record);
