// The loops over grid nodes and particles that run on vector lanes, as one
// table per path (scalar, SSE2, AVX2, WebAssembly SIMD), all made from the
// same templates, so that they differ only in how many records they take at
// a time and give the same bits.
#pragma once

#include "scene/particle.h"
#include "scene/vector_lanes.h"

struct SeaScene;

struct lane_kernels {
    void (*rotate_translate)(const pose_turn& turn, Particle* first, int count);
    // `positions`: each record's x, followed by its y and z.
    void (*turn_and_project)(const pose_turn& first_turn, const pose_turn& second_turn,
                             field_run positions, int count, double eye_distance,
                             projected_points& out, const polar_parts* polar);
    // One grid row's integration; the z each node ends with also goes to
    // `heights`.
    void (*integrate_row)(const SeaScene& scene, Particle* row, double* heights);
    // Falling (above `floor_height`), staining, visibility and riding of the
    // text particles (their fall speeds in `velocities`), over the sea's
    // heights as `heights` holds them.
    void (*move_particles)(SeaScene& scene, TextParticle* items, double* velocities, int count,
                           const double* heights, double floor_height);
    // The neighbour coupling of the cells of `count` (at most lines_together)
    // lines from grid row `first`, every node seeing its exchanges in the
    // order of the cells row by row. The restoring force of the rows below
    // `first` is set first, node by node as each is first read (the row
    // `first` has it already), so that the grid is read from memory once.
    void (*couple_lines)(const SeaScene& scene, std::int32_t first, int count);
    int lines_together;
    // Where the projected points of `count` records land on a frame, their
    // sides and their colours as the frame's memory holds them.
    // `colours`: each record's red, followed by its green and blue.
    void (*place_points)(field_run colours, const projected_points& at, int count,
                         const point_placement& place, placed_points& out);
};

// AVX2's table, where this build has one (the processor is asked elsewhere).
const lane_kernels* avx2_kernels();

// The table of a path this build and processor have (the scalar one for any
// other), and of the path in use.
const lane_kernels& kernels_for(vector_path path);
inline const lane_kernels& kernels() {
    return kernels_for(current_vector_path());
}
