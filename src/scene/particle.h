// The 3-D records of the scene: grid nodes and text particles (Particle, and
// TextParticle, its first 64 bytes), and the poses that turn them (Pose).
#pragma once

#include <cstddef>
#include <cstdint>

// What a frame and the text cloud's step read of every record (its position,
// colour, size, flags and height) come first, within the first 64 bytes; the
// sea's motion follows. Nothing else: every pass over the grid streams all of
// it, so a record holds only what a grid node uses (96 bytes, where with the
// poses' angles it was two whole cache lines), and the cloud keeps only the
// first 64 bytes of each particle (TextParticle).
struct alignas(32) Particle {
    double x;
    double y;
    double z;
    double red;
    double green;
    double blue;
    std::int32_t size;
    std::uint8_t visible;
    std::uint8_t released;
    double height;
    double velocity;
    double accel;
    double spray_z;
    double spray_vz;
};
static_assert(sizeof(Particle) == 96, "a record is a grid node's fields");

// Where a run of records is moved to after turning it about x, then y, then z
// by these angles: the scene's tilt, the turning view, the cloud's pose.
struct Pose {
    double x;
    double y;
    double z;
    double angle_x;
    double angle_y;
    double angle_z;
};

// A text particle as the cloud keeps it: a record's first 64 bytes, the same
// fields at the same places, one cache line, which is all that frames and the cloud's step
// read of it but its fall speed (kept beside it, see ParticleList). The
// processor fetches memory in aligned pairs of lines, so a run of whole
// records whose second lines go unread costs as much to stream as reading
// both; a run of these costs half.
struct alignas(64) TextParticle {
    double x;
    double y;
    double z;
    double red;
    double green;
    double blue;
    std::int32_t size;
    std::uint8_t visible;
    std::uint8_t released;
    double height;
};
static_assert(sizeof(TextParticle) == 64, "a text particle is one cache line");
static_assert(offsetof(TextParticle, size) == offsetof(Particle, size) &&
                  offsetof(TextParticle, visible) == offsetof(Particle, visible) &&
                  offsetof(TextParticle, released) == offsetof(Particle, released) &&
                  offsetof(TextParticle, height) == offsetof(Particle, height),
              "a text particle is laid out as a record's first line");

// A record's first line, and a record made of one (its fall speed given, the
// rest as init_particle leaves it).
TextParticle text_particle_of(const Particle& record);
Particle particle_of(const TextParticle& particle, double velocity);

// Where the kernels find a field of each record of a run of either kind: the
// first record's field and the distance between records, in doubles.
struct field_run {
    const double* first;
    std::size_t stride;

    template <typename Record>
    field_run(const Record* records, double Record::*field)
        : first(&(records->*field)), stride(sizeof(Record) / sizeof(double)) {}
    const double* at(std::size_t k) const { return first + k * stride; }
};

// How far ahead the passes over the grid and the text cloud ask for records.
// Every tick streams megabytes of records that other work has pushed out of
// the caches in the 33 ms since, and the processor's own prefetching starts
// afresh at every page; asking 16 records (2 KiB) ahead hides most of that.
constexpr int prefetch_distance = 16;

// Asks for the cache line holding `address`, to be read or (for_write) changed.
inline void prefetch_line(const void* address, bool for_write) {
#if defined(__GNUC__)
    if (for_write) {
        __builtin_prefetch(address, 1, 3);
    } else {
        __builtin_prefetch(address, 0, 3);
    }
#else
    (void)address;
    (void)for_write;
#endif
}

// Asks for a record's first cache line (all that frames and the text cloud's
// step read of it).
inline void prefetch_first_line(const Particle* record, bool for_write = false) {
    prefetch_line(record, for_write);
}

// Asks for the cache lines of a record (two at most).
inline void prefetch_record(const Particle* record, bool for_write = false) {
    prefetch_line(record, for_write);
    prefetch_line(reinterpret_cast<const char*>(record) + 64, for_write);
}

constexpr double two_pi = 6.283185307179586;
constexpr double pi = 3.141592653589793;

void init_particle(Particle& record);
// A pose at the origin, turning nothing.
void init_pose(Pose& pose);
// Adds to the pose's angle_z and brings it back once into [-2π, 2π].
void add_angle(Pose& pose, double increment);

// A pose made ready for turning runs of records: the sine and cosine of each of
// its angles and its position. A frame turns a hundred rows and the whole
// text cloud by the same two poses, so it works them out once.
struct pose_turn {
    double sin_x, cos_x;
    double sin_y, cos_y;
    double sin_z, cos_z;
    double x, y, z;
};
pose_turn turn_of(const Pose& pose);

// Turns the run about x, then y, then z by the pose's angles, then moves it by
// the pose's position. Only x, y, z change.
void rotate_translate(const Pose& pose, Particle* first, int count);
void rotate_translate(const pose_turn& turn, Particle* first, int count);
// The same on a copy: the run `first` receives the `count` records of `source`
// and is then turned and moved. One pass where the two would take two.
void copy_rotate_translate(const pose_turn& turn, const Particle* source, Particle* first,
                           int count);
// Perspective: scales x and y and writes size; z keeps its value.
void project(Particle* first, int count, double eye_distance);

// Where the renderer wants its points: x, y and size after the two poses and
// the projection, for `count` records.
struct projected_points {
    double* x;
    double* y;
    std::int32_t* size;
};
// How projected points are put on a frame: its centre and scales.
struct point_placement {
    double cx, cy, sx, sy;
};
// Where they land: top-left corner, side, and colour as 0x00RRGGBB.
struct placed_points {
    std::int32_t* x;
    std::int32_t* y;
    std::int32_t* side;
    std::uint32_t* pixel;
};
// The x, y and side of each of `count` projected points (x, y, size in `at`)
// on a frame, each truncated toward zero (the side at least 1), and its
// record's colour: each fraction * 255 truncated, low eight bits, as
// 0x00RRGGBB.
void place_points(const Particle* records, const projected_points& at, int count,
                  const point_placement& place, placed_points& out);
void place_points(const TextParticle* records, const projected_points& at, int count,
                  const point_placement& place, placed_points& out);

// Records' x and y as distances from the z axis and normalised parts,
// which is all a turn about z needs of them. Grid nodes and text particles
// never move in x and y, so a frame can take these from the frame before
// instead of a square root and two divisions for each record; each is kept
// with the bits of the x and y it was made from and used only for exactly
// those. Zeroed entries are right for records at (+0, +0), which no turn
// moves. One array per part, entry k for record k of a run.
struct polar_parts {
    std::uint64_t* x_bits;
    std::uint64_t* y_bits;
    double* r;
    double* x_over_r;
    double* y_over_r;

    polar_parts at(std::size_t k) const {
        return {x_bits + k, y_bits + k, r + k, x_over_r + k, y_over_r + k};
    }
};
// The x, y and size that copying the run, turning the copy by `first_turn`,
// then by `second_turn`, and projecting it would give, without the copy: only
// the positions are read. `polar`, when given, holds one entry per record
// (kept by the caller from frame to frame) and serves a first turn about z
// alone.
void turn_and_project(const pose_turn& first_turn, const pose_turn& second_turn,
                      const Particle* source, int count, double eye_distance, projected_points& out,
                      const polar_parts* polar = nullptr);
void turn_and_project(const pose_turn& first_turn, const pose_turn& second_turn,
                      const TextParticle* source, int count, double eye_distance,
                      projected_points& out, const polar_parts* polar = nullptr);
