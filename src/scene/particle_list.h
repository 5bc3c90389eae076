// The particles of the current message line: a growable array, the pose of the
// whole cloud and the snapshot the renderer transforms in place of the items.
#pragma once

#include <cstdint>
#include <memory>

#include "scene/particle.h"

struct ParticleList {
    Particle pose;
    std::int32_t count = 0;
    std::unique_ptr<Particle[]> items;     // absent until the first append
    std::unique_ptr<Particle[]> snapshot;  // absent until the first renewal
    std::int32_t capacity = 0;

    ParticleList() { init_particle(pose); }
};

constexpr std::int32_t particle_list_growth = 100;

// Copies the record in; grows the array by 100 records when it is full.
void append(ParticleList& list, const Particle& record);
// Releases both arrays; the pose stays.
void clear(ParticleList& list);
// Replaces the snapshot with `count` fresh records.
void renew_snapshot(ParticleList& list);
