// The one pseudo-random sequence of the whole system: a 32-bit linear
// congruential generator started at 1 and never reseeded, so every run
// replays the same animation.
#pragma once

#include <cstdint>

// Advances the state and returns bits 16..30 of it: 0 to 32767.
int random_draw();

// The state, for tests and tools that need to look at or restore it.
std::uint32_t random_state();
void set_random_state(std::uint32_t state);
