// The bodies of the lane kernels (lane_kernels.h), as templates over a lane
// type. Included by each file that makes a table, inside an unnamed
// namespace: a file compiled for wider registers keeps its own copies, which
// never stand in for another file's.
//
// Include after the headers below; not a header to include anywhere else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "scene/numeric.h"
#include "scene/particle.h"
#include "scene/sea_scene.h"

namespace {

// Colours relax toward white by this share of the gap every step.
constexpr double whitening = 0.001;

// The pair (a, b) as its distance from the axis and its normalised parts.
template <typename L>
inline void polar_of(typename L::value a, typename L::value b, typename L::value& r,
                     typename L::value& ar, typename L::value& br) {
    r = L::sqrt(L::add(L::mul(a, a), L::mul(b, b)));
    ar = L::div(a, r);
    br = L::div(b, r);
}

// Turns the pair (a, b) by the angle of cosine c and sine s, keeping its
// distance from the axis: the rotation works on the normalised pair and scales
// back. A lane on the axis (r not above 0) keeps its pair.
template <typename L>
inline void turn_polar(typename L::value& a, typename L::value& b, typename L::value r,
                       typename L::value ar, typename L::value br, typename L::value c,
                       typename L::value s) {
    const auto na = L::mul(r, L::sub(L::mul(ar, c), L::mul(br, s)));
    const auto nb = L::mul(r, L::add(L::mul(br, c), L::mul(ar, s)));
    const auto turned = L::greater(r, L::splat(0.0));
    a = L::select(turned, na, a);
    b = L::select(turned, nb, b);
}

template <typename L>
inline void turn_pair(typename L::value& a, typename L::value& b, typename L::value c,
                      typename L::value s) {
    typename L::value r, ar, br;
    polar_of<L>(a, b, r, ar, br);
    turn_polar<L>(a, b, r, ar, br, c, s);
}

bool skips(double s, double c) {
    return s == 0 && c == 1;
}

// The scene's poses never move (their position stays at the origin), and
// adding zero changes nothing but the sign of a zero coordinate, which no
// later use can tell apart: the pass is left out then.
bool moves(const pose_turn& turn) {
    return !(turn.x == 0 && turn.y == 0 && turn.z == 0);
}

// A run of records turned in place about one axis, `width` records at a time.
template <typename L, double Particle::*A, double Particle::*B>
void turn_axis(double s, double c, Particle* first, int count) {
    constexpr int w = L::width;
    const auto cv = L::splat(c);
    const auto sv = L::splat(s);
    int k = 0;
    for (; k + w <= count; k += w) {
        if (k + prefetch_distance < count) prefetch_record(first + k + prefetch_distance, true);
        double* as[w];
        double* bs[w];
        for (int j = 0; j < w; ++j) {
            as[j] = &(first[k + j].*A);
            bs[j] = &(first[k + j].*B);
        }
        auto a = L::gather(as);
        auto b = L::gather(bs);
        turn_pair<L>(a, b, cv, sv);
        L::scatter(as, a);
        L::scatter(bs, b);
    }
    for (; k < count; ++k) {
        double a = first[k].*A;
        double b = first[k].*B;
        turn_pair<scalar_lanes>(a, b, c, s);
        first[k].*A = a;
        first[k].*B = b;
    }
}

template <typename L>
void rotate_translate_lanes(const pose_turn& turn, Particle* first, int count) {
    if (!skips(turn.sin_x, turn.cos_x))
        turn_axis<L, &Particle::y, &Particle::z>(turn.sin_x, turn.cos_x, first, count);
    if (!skips(turn.sin_y, turn.cos_y))
        turn_axis<L, &Particle::z, &Particle::x>(turn.sin_y, turn.cos_y, first, count);
    if (!skips(turn.sin_z, turn.cos_z))
        turn_axis<L, &Particle::x, &Particle::y>(turn.sin_z, turn.cos_z, first, count);
    if (!moves(turn)) return;
    for (int k = 0; k < count; ++k) {
        first[k].x += turn.x;
        first[k].y += turn.y;
        first[k].z += turn.z;
    }
}

// One pose applied to points held in lanes.
template <typename L>
struct lane_turn {
    using V = typename L::value;
    bool turn_x, turn_y, turn_z, move;
    V sin_x, cos_x, sin_y, cos_y, sin_z, cos_z, x, y, z;

    explicit lane_turn(const pose_turn& t)
        : turn_x(!skips(t.sin_x, t.cos_x)),
          turn_y(!skips(t.sin_y, t.cos_y)),
          turn_z(!skips(t.sin_z, t.cos_z)),
          move(moves(t)),
          sin_x(L::splat(t.sin_x)),
          cos_x(L::splat(t.cos_x)),
          sin_y(L::splat(t.sin_y)),
          cos_y(L::splat(t.cos_y)),
          sin_z(L::splat(t.sin_z)),
          cos_z(L::splat(t.cos_z)),
          x(L::splat(t.x)),
          y(L::splat(t.y)),
          z(L::splat(t.z)) {}

    void apply(V& px, V& py, V& pz) const {
        if (turn_x) turn_pair<L>(py, pz, cos_x, sin_x);
        if (turn_y) turn_pair<L>(pz, px, cos_y, sin_y);
        if (turn_z) turn_pair<L>(px, py, cos_z, sin_z);
        translate(px, py, pz);
    }

    void translate(V& px, V& py, V& pz) const {
        if (!move) return;
        px = L::add(px, x);
        py = L::add(py, y);
        pz = L::add(pz, z);
    }
};

// The projection of points held in lanes: a point at or behind the eye gets
// a fixed, very large factor.
template <typename L>
void project_lanes(typename L::value x, typename L::value y, typename L::value z,
                   double eye_distance, projected_points& out, int k) {
    const auto e = L::splat(eye_distance);
    const auto depth = L::add(e, z);
    const auto factor =
        L::select(L::greater(depth, L::splat(0.0)), L::div(e, depth), L::splat(10000.0));
    L::store(out.x + k, L::mul(x, factor));
    L::store(out.y + k, L::mul(y, factor));
    L::truncate(L::add(factor, L::splat(1.0)), out.size + k);
}

// One group of L::width records: loaded, turned by both poses and projected.
// With polar parts and a first pose that turns about z alone, the distance
// and normalised parts of the records' x and y come from the parts when they
// were made from exactly these x and y, and go into them otherwise.
template <typename L>
[[gnu::always_inline]] inline void turn_project_group(const lane_turn<L>& first_turn,
                                                      const lane_turn<L>& second_turn,
                                                      field_run source, int k, double eye_distance,
                                                      projected_points& out,
                                                      const polar_parts* polar) {
    constexpr int n = L::width;
    const double* positions[n];
    for (int j = 0; j < n; ++j) positions[j] = source.at(static_cast<std::size_t>(k + j));
    typename L::value x, y, z;
    L::gather3(positions, x, y, z);
    if (polar && !first_turn.turn_x && !first_turn.turn_y && first_turn.turn_z) {
        const polar_parts p = polar->at(static_cast<std::size_t>(k));
        typename L::value r, ar, br;
        if (L::same_bits(x, p.x_bits) && L::same_bits(y, p.y_bits)) {
            r = L::load(p.r);
            ar = L::load(p.x_over_r);
            br = L::load(p.y_over_r);
        } else {
            polar_of<L>(x, y, r, ar, br);
            L::store_bits(p.x_bits, x);
            L::store_bits(p.y_bits, y);
            L::store(p.r, r);
            L::store(p.x_over_r, ar);
            L::store(p.y_over_r, br);
        }
        turn_polar<L>(x, y, r, ar, br, first_turn.cos_z, first_turn.sin_z);
        first_turn.translate(x, y, z);
    } else {
        first_turn.apply(x, y, z);
    }
    second_turn.apply(x, y, z);
    project_lanes<L>(x, y, z, eye_distance, out, k);
}

template <typename L>
void turn_and_project_lanes(const pose_turn& first_pose, const pose_turn& second_pose,
                            field_run source, int count, double eye_distance, projected_points& out,
                            const polar_parts* polar) {
    const lane_turn<L> first_turn(first_pose);
    const lane_turn<L> second_turn(second_pose);
    constexpr int w = L::width;
    int k = 0;
    for (; k + w <= count; k += w) {
        if (k + prefetch_distance < count) {
            prefetch_line(source.at(static_cast<std::size_t>(k + prefetch_distance)), false);
        }
        turn_project_group<L>(first_turn, second_turn, source, k, eye_distance, out, polar);
    }
    if (k == count) return;
    // The last few records: as the last full group of the run, which does
    // again what it did for the records before them (each record's results
    // depend on that record alone) in a fraction of the time of one record's
    // chain of scalar roots and divisions after another.
    if (count >= w) {
        turn_project_group<L>(first_turn, second_turn, source, count - w, eye_distance, out, polar);
        return;
    }
    const lane_turn<scalar_lanes> first_single(first_pose);
    const lane_turn<scalar_lanes> second_single(second_pose);
    for (; k < count; ++k) {
        turn_project_group<scalar_lanes>(first_single, second_single, source, k, eye_distance, out,
                                         polar);
    }
}

// Integration of one row, L::width nodes at a time: velocity, height, the
// drawn point carried up by the wave or flying free, and the colours fading
// toward white. The z each node ends with also goes to `heights`. A node's z
// and colours lie side by side, and so do its velocity, acceleration and
// spray: each four are read and written at once.
static_assert(offsetof(Particle, red) == offsetof(Particle, z) + sizeof(double) &&
                  offsetof(Particle, green) == offsetof(Particle, z) + 2 * sizeof(double) &&
                  offsetof(Particle, blue) == offsetof(Particle, z) + 3 * sizeof(double),
              "z and the colours lie side by side");
static_assert(offsetof(Particle, accel) == offsetof(Particle, velocity) + sizeof(double) &&
                  offsetof(Particle, spray_z) ==
                      offsetof(Particle, velocity) + 2 * sizeof(double) &&
                  offsetof(Particle, spray_vz) == offsetof(Particle, velocity) + 3 * sizeof(double),
              "the motion's fields lie side by side");

template <typename L>
void integrate_row_lanes(const SeaScene& scene, Particle* row, double* heights) {
    constexpr int w = L::width;
    const auto damping = L::splat(scene.damping);
    const auto gravity = L::splat(scene.gravity);
    const auto lift = L::splat(scene.lift);
    const auto fade = L::splat(whitening);
    const auto one = L::splat(1.0);
    std::int32_t j = 0;
    for (; j + w <= scene.cols; j += w) {
        double* height[w];
        double* motion[w];  // velocity, accel, spray_z, spray_vz
        double* look[w];    // z, red, green, blue
        for (int k = 0; k < w; ++k) {
            Particle& node = row[j + k];
            height[k] = &node.height;
            motion[k] = &node.velocity;
            look[k] = &node.z;
        }
        typename L::value velocity, accel, spray_z, spray_vz, z, red, green, blue;
        L::gather4(motion, velocity, accel, spray_z, spray_vz);
        L::gather4(look, z, red, green, blue);
        const auto v = L::mul(L::add(accel, velocity), damping);
        const auto h = L::add(L::gather(height), v);
        auto vz = L::add(spray_vz, gravity);
        auto sz = L::add(spray_z, vz);
        const auto top = L::add(h, lift);
        const auto carried = L::greater(top, sz);
        sz = L::select(carried, top, sz);
        vz = L::select(carried, v, vz);
        L::scatter(height, h);
        L::scatter4(motion, v, accel, sz, vz);
        L::store(heights + j, sz);
        L::scatter4(look, sz, L::add(red, L::mul(L::sub(one, red), fade)),
                    L::add(green, L::mul(L::sub(one, green), fade)),
                    L::add(blue, L::mul(L::sub(one, blue), fade)));
    }
    for (; j < scene.cols; ++j) {
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
        heights[j] = node.z;
        node.red += (1 - node.red) * whitening;
        node.green += (1 - node.green) * whitening;
        node.blue += (1 - node.blue) * whitening;
    }
}

// Where projected points land on a frame and in what colour, L::width at a
// time: X = sx x + cx, Y = sy y + cy and the side size * sx (at least 1), each
// truncated toward zero; each colour fraction * 255 truncated, its low eight
// bits packed as the frame's memory holds them (0x00RRGGBB).
template <typename L>
void place_points_lanes(field_run colours_of, const projected_points& at, int count,
                        const point_placement& place, placed_points& out) {
    constexpr int w = L::width;
    auto group = [&](int k, auto lanes) {
        using M = decltype(lanes);
        constexpr int n = M::width;
        const auto msx = M::splat(place.sx);
        const auto msy = M::splat(place.sy);
        const auto mcx = M::splat(place.cx);
        const auto mcy = M::splat(place.cy);
        const auto mscale = M::splat(255.0);
        double sizes[n];  // each side is size * sx, size being an integer
        for (int j = 0; j < n; ++j) sizes[j] = at.size[k + j];
        std::int32_t side[n];
        M::truncate(M::mul(M::load(sizes), msx), side);
        for (int j = 0; j < n; ++j) out.side[k + j] = side[j] < 1 ? 1 : side[j];
        M::truncate(M::add(M::mul(msx, M::load(at.x + k)), mcx), out.x + k);
        M::truncate(M::add(M::mul(msy, M::load(at.y + k)), mcy), out.y + k);
        const double* colours[n];
        for (int j = 0; j < n; ++j) colours[j] = colours_of.at(static_cast<std::size_t>(k + j));
        typename M::value red, green, blue;
        M::gather3(colours, red, green, blue);
        std::int32_t r[n], g[n], b[n];
        M::truncate(M::mul(red, mscale), r);
        M::truncate(M::mul(green, mscale), g);
        M::truncate(M::mul(blue, mscale), b);
        for (int j = 0; j < n; ++j) {
            out.pixel[k + j] = (static_cast<std::uint32_t>(r[j]) & 0xFFu) << 16 |
                               (static_cast<std::uint32_t>(g[j]) & 0xFFu) << 8 |
                               (static_cast<std::uint32_t>(b[j]) & 0xFFu);
        }
    };
    int k = 0;
    for (; k + w <= count; k += w) group(k, L{});
    if (k == count) return;
    // The last few as the last full group (see turn_and_project_lanes).
    if (count >= w) return group(count - w, L{});
    for (; k < count; ++k) group(k, scalar_lanes{});
}

// The node a particle stands over, clamped into the grid, as node_under
// finds it; a lane's position as an index into the sea's heights.
template <typename L>
struct node_lookup {
    typename L::value inverse_spacing, half_rows, half_cols, last_row, last_col, zero;
    std::int32_t cols;

    explicit node_lookup(const SeaScene& sea)
        : inverse_spacing(L::splat(1 / sea.spacing)),
          half_rows(L::splat(sea.rows / 2)),
          half_cols(L::splat(sea.cols / 2)),
          last_row(L::splat(sea.rows > 1 ? sea.rows - 1 : 0)),
          last_col(L::splat(sea.cols > 1 ? sea.cols - 1 : 0)),
          zero(L::splat(0.0)),
          cols(sea.cols) {}

    // A cell index truncated toward zero and held in [0, last]: the same as
    // truncating first and clamping after (a NaN counts as 0).
    typename L::value clamped(typename L::value t, typename L::value last) const {
        const auto low = L::select(L::greater(t, zero), t, zero);
        return L::select(L::greater(low, last), last, low);
    }

    void indices(typename L::value x, typename L::value y, std::size_t* out) const {
        constexpr int n = L::width;
        double rows[n];
        double columns[n];
        L::store(rows, clamped(L::add(half_rows, L::mul(x, inverse_spacing)), last_row));
        L::store(columns, clamped(L::add(half_cols, L::mul(y, inverse_spacing)), last_col));
        for (int k = 0; k < n; ++k) {
            out[k] = static_cast<std::size_t>(static_cast<std::int32_t>(rows[k])) * cols +
                     static_cast<std::size_t>(static_cast<std::int32_t>(columns[k]));
        }
    }
};

// Falling, staining, visibility against the waves and riding on them, for
// L::width particles from `p`. Staining keeps the list's order; the rest of a
// particle's steps read only its own fields and the sea's heights, which
// staining does not change.
template <typename L>
void move_particle_group(SeaScene& scene, TextParticle* items, double* velocities, int p,
                         const double* heights, const node_lookup<L>& lookup, double floor_height) {
    constexpr int n = L::width;
    double* z_at[n];
    const double* position_at[n];
    const double* height_at[n];
    bool released[n];
    bool was_visible[n];
    for (int k = 0; k < n; ++k) {
        TextParticle& particle = items[p + k];
        z_at[k] = &particle.z;
        position_at[k] = &particle.x;
        height_at[k] = &particle.height;
        released[k] = particle.released != 0;
        was_visible[k] = particle.visible != 0;
    }
    const auto free = L::flags(released);
    typename L::value x, y, z;
    L::gather3(position_at, x, y, z);
    // Falling, while above the floor. Only released particles fall: a group
    // of particles all still held leaves its velocities alone.
    bool any_released = false;
    for (int k = 0; k < n; ++k) any_released = any_released || released[k];
    if (any_released) {
        auto velocity = L::load(velocities + p);
        const auto falls = L::both(free, L::greater(z, L::splat(floor_height)));
        velocity = L::select(falls, L::add(velocity, L::splat(scene.gravity)), velocity);
        z = L::select(falls, L::add(z, velocity), z);
        L::store(velocities + p, velocity);
    }
    // A released particle still above the sea colours the node under it.
    for (int k = 0; k < n; ++k) {
        if (!(was_visible[k] && released[k])) continue;
        const TextParticle& particle = items[p + k];
        stain(scene, particle.x, particle.y, particle.red, particle.green, particle.blue);
    }
    // The sea under the particle: one look serves both the visibility test and
    // the riding.
    std::size_t index[n];
    lookup.indices(x, y, index);
    double sea[n];
    for (int k = 0; k < n; ++k) sea[k] = heights[index[k]];
    const auto sea_z = L::load(sea);
    const auto visible = L::greater(z, sea_z);
    bool now_visible[n];
    L::store_flags(now_visible, visible);
    for (int k = 0; k < n; ++k) items[p + k].visible = now_visible[k] ? 1 : 0;
    if (scene.follow == 0) {
        const auto rides = L::but_not(visible, free);
        z = L::select(rides, L::add(sea_z, L::gather(height_at)), z);
    }
    L::scatter(z_at, z);
}

template <typename L>
void move_particles_lanes(SeaScene& scene, TextParticle* items, double* velocities, int count,
                          const double* heights, double floor_height) {
    const node_lookup<L> lookup(scene);
    constexpr int w = L::width;
    int p = 0;
    for (; p + w <= count; p += w) {
        if (p + prefetch_distance < count) {
            prefetch_line(items + p + prefetch_distance, true);
        }
        move_particle_group<L>(scene, items, velocities, p, heights, lookup, floor_height);
    }
    if (p < count) {
        const node_lookup<scalar_lanes> single(scene);
        for (; p < count; ++p) {
            move_particle_group<scalar_lanes>(scene, items, velocities, p, heights, single,
                                              floor_height);
        }
    }
}

// Every neighbour pair exchanges this share of its difference in height
// (pulling on the accelerations) and in each colour; the diagonal pairs'
// height exchange has this further weight.
constexpr double coupling = 0.125;
constexpr double diagonal_weight = 0.7072135785007072;

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

[[gnu::always_inline]] inline coupled_node load_coupled(const Particle& node) {
    return {node.height, node.accel, node.red, node.green, node.blue, node.visible != 0};
}

// A node read for the first time in a step: with its restoring force.
[[gnu::always_inline]] inline coupled_node load_restored(const Particle& node, double spring) {
    coupled_node values = load_coupled(node);
    values.accel = restoring_accel(node, spring);
    return values;
}

// The restoring force of a whole row, for a grid too narrow to have cells.
inline void restore_row(const SeaScene& scene, Particle* row) {
    for (std::int32_t j = 0; j < scene.cols; ++j)
        row[j].accel = restoring_accel(row[j], scene.spring);
}

// Asks for the nodes of `next` (a row the coupling is about to read for the
// first time) `prefetch_distance` ahead of cell j; each row is its own block
// of memory, whose ends the processor's own prefetching does not run past.
[[gnu::always_inline]] inline void prefetch_ahead(const Particle* next, std::int32_t j,
                                                  std::int32_t cols) {
    if (j + prefetch_distance < cols) prefetch_record(next + j + prefetch_distance, true);
}

[[gnu::always_inline]] inline void store_coupled(Particle& node, const coupled_node& values) {
    node.accel = values.accel;
    node.red = values.red;
    node.green = values.green;
    node.blue = values.blue;
}

// Only visible pairs exchange; `checked` says whether that is still to be seen.
[[gnu::always_inline]] inline void couple(coupled_node& P, coupled_node& Q, bool diagonal,
                                          bool checked = true) {
    if (checked && (!P.visible || !Q.visible)) return;
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

// One line of cells between two rows, worked from left to right. A cell's
// corners are A = row[j], B = row[j + 1], C = next[j], D = next[j + 1]; after the
// cell, A and C are final for this line and go back to memory, and B and D
// become the next cell's A and C without a trip through memory.
// Inlined where it is used, so that the corners it carries from cell to cell
// stay in registers (some compilers would otherwise keep them in memory).
class cell_line {
public:
    cell_line(Particle* row, Particle* next, double spring)
        : row_(row), next_(next), spring_(spring) {}

    [[gnu::always_inline]] void start() {
        A_ = load_coupled(row_[0]);
        C_ = load_restored(next_[0], spring_);
    }

    [[gnu::always_inline]] void cell(std::int32_t j, std::int32_t cols) {
        prefetch_ahead(next_, j, cols);
        coupled_node B = load_coupled(row_[j + 1]);
        coupled_node D = load_restored(next_[j + 1], spring_);
        // Inside the sea all four corners are visible: one test serves the
        // cell's four exchanges.
        const bool inside = A_.visible && B.visible && C_.visible && D.visible;
        couple(A_, B, false, !inside);
        couple(A_, C_, false, !inside);
        couple(A_, D, true, !inside);
        couple(B, C_, true, !inside);
        store_coupled(row_[j], A_);
        store_coupled(next_[j], C_);
        A_ = B;
        C_ = D;
    }

    // After the last cell, j = cells - 1.
    [[gnu::always_inline]] void finish(std::int32_t cells) {
        store_coupled(row_[cells], A_);
        store_coupled(next_[cells], C_);
    }

private:
    Particle* row_;
    Particle* next_;
    double spring_;
    coupled_node A_{};
    coupled_node C_{};
};

inline void couple_row(const SeaScene& scene, Particle* row, Particle* next) {
    const std::int32_t cells = scene.cols - 1;
    if (cells <= 0) return restore_row(scene, next);
    cell_line line(row, next, scene.spring);
    line.start();
    for (std::int32_t j = 0; j < cells; ++j) line.cell(j, scene.cols);
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
inline void couple_two_rows(const SeaScene& scene, Particle* row, Particle* next, Particle* after) {
    constexpr std::int32_t lag = 2;
    const std::int32_t cells = scene.cols - 1;
    if (cells <= 0) {
        restore_row(scene, next);
        return restore_row(scene, after);
    }
    cell_line first(row, next, scene.spring);
    cell_line second(next, after, scene.spring);
    first.start();
    for (std::int32_t j = 0; j < cells + lag; ++j) {
        if (j < cells) {
            first.cell(j, scene.cols);
            if (j == cells - 1) first.finish(cells);
        }
        if (j >= lag) {
            if (j == lag) second.start();
            second.cell(j - lag, scene.cols);
        }
    }
    second.finish(cells);
}

// One or two lines of cells from grid row `first`.
inline void couple_one_or_two(const SeaScene& scene, std::int32_t first, int count) {
    Particle* row = scene.grid[first].get();
    Particle* next = scene.grid[first + 1].get();
    if (count >= 2) {
        couple_two_rows(scene, row, next, scene.grid[first + 2].get());
    } else {
        couple_row(scene, row, next);
    }
}

template <typename L>
constexpr lane_kernels kernel_table() {
    return {
        [](const pose_turn& turn, Particle* first, int count) {
            rotate_translate_lanes<L>(turn, first, count);
        },
        [](const pose_turn& first_turn, const pose_turn& second_turn, field_run source, int count,
           double eye_distance, projected_points& out, const polar_parts* polar) {
            turn_and_project_lanes<L>(first_turn, second_turn, source, count, eye_distance, out,
                                      polar);
        },
        [](const SeaScene& scene, Particle* row, double* heights) {
            integrate_row_lanes<L>(scene, row, heights);
        },
        [](SeaScene& scene, TextParticle* items, double* velocities, int count,
           const double* heights, double floor_height) {
            // Two lanes gain nothing here (gathering and scattering single
            // fields costs what the arithmetic saves): only wider ones are used.
            if constexpr (L::width > 2) {
                move_particles_lanes<L>(scene, items, velocities, count, heights, floor_height);
            } else {
                move_particles_lanes<scalar_lanes>(scene, items, velocities, count, heights,
                                                   floor_height);
            }
        },
        couple_one_or_two,
        2,
        [](field_run colours, const projected_points& at, int count, const point_placement& place,
           placed_points& out) { place_points_lanes<L>(colours, at, count, place, out); },
    };
}

}  // namespace
