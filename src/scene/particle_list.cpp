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
        // The old records are copied over the front of the new array, so only
        // the added ones need their initial values.
        std::unique_ptr<Particle[]> items(new Particle[static_cast<std::size_t>(grown)]);
        if (list.items) std::copy_n(list.items.get(), list.capacity, items.get());
        for (std::int32_t k = list.capacity; k < grown; ++k) init_particle(items[k]);
        list.items = std::move(items);
        list.capacity = grown;
    }
    list.items[list.count] = record;
    list.count += 1;
}

void clear(ParticleList& list) {
    list.items.reset();
    list.snapshot.reset();
    list.count = 0;
    list.capacity = 0;
}

void renew_snapshot(ParticleList& list) {
    list.snapshot.reset();
    list.snapshot = fresh_records(list.count);
}
