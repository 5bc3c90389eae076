#include "scene/particle_list.h"

#include <algorithm>

namespace {

std::unique_ptr<Particle[]> fresh_records(std::int32_t n) {
    std::unique_ptr<Particle[]> records(new Particle[static_cast<std::size_t>(n)]);
    for (std::int32_t k = 0; k < n; ++k) init_particle(records[k]);
    return records;
}

}  // namespace

void append(ParticleList& list, const Particle& record) {
    if (list.count >= list.capacity) {
        const std::int32_t grown = list.capacity + particle_list_growth;
        // The old records are copied over the front of the new arrays, so only
        // the added ones need their initial values.
        const auto size = static_cast<std::size_t>(grown);
        std::unique_ptr<TextParticle[]> items(new TextParticle[size]);
        std::unique_ptr<double[]> velocities(new double[size]);
        if (list.items) {
            std::copy_n(list.items.get(), list.capacity, items.get());
            std::copy_n(list.velocities.get(), list.capacity, velocities.get());
        }
        Particle spare;
        init_particle(spare);
        std::fill(items.get() + list.capacity, items.get() + grown, text_particle_of(spare));
        std::fill(velocities.get() + list.capacity, velocities.get() + grown, spare.velocity);
        list.items = std::move(items);
        list.velocities = std::move(velocities);
        list.capacity = grown;
    }
    list.items[list.count] = text_particle_of(record);
    list.velocities[list.count] = record.velocity;
    list.count += 1;
}

Particle record_at(const ParticleList& list, std::int32_t k) {
    return particle_of(list.items[k], list.velocities[k]);
}

void clear(ParticleList& list) {
    list.items.reset();
    list.velocities.reset();
    list.snapshot.reset();
    list.count = 0;
    list.capacity = 0;
}

void renew_snapshot(ParticleList& list) {
    list.snapshot.reset();
    list.snapshot = fresh_records(list.count);
}
