// The particles of the current message line: a growable array, the pose of the
// whole cloud and the snapshot the renderer transforms in place of the items.
#pragma once

#include <cstdint>
#include <memory>

#include "scene/particle.h"

struct ParticleList {
    Pose pose;
    std::int32_t count = 0;
    // Each record as its first cache line and its fall speed, side by side
    // (see TextParticle); both absent until the first append.
    std::unique_ptr<TextParticle[]> items;
    std::unique_ptr<double[]> velocities;
    std::unique_ptr<Particle[]> snapshot;  // absent until the first renewal
    std::int32_t capacity = 0;

    ParticleList() { init_pose(pose); }
};

constexpr std::int32_t particle_list_growth = 100;

// Copies the record in (its first line and its velocity: all that a text
// particle uses of it); grows the arrays by 100 records when they are full.
void append(ParticleList& list, const Particle& record);
// Record k whole: its first line and velocity as the list keeps them, the
// rest as init_particle leaves it.
Particle record_at(const ParticleList& list, std::int32_t k);
// Releases the arrays; the pose stays.
void clear(ParticleList& list);
// Replaces the snapshot with `count` fresh records.
void renew_snapshot(ParticleList& list);
