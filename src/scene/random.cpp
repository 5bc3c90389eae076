#include "scene/random.h"

namespace {
std::uint32_t state = 1;
}

int random_draw() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

std::uint32_t random_state() {
    return state;
}

void set_random_state(std::uint32_t value) {
    state = value;
}
