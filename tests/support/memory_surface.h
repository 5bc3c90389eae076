// A drawing surface over plain memory for tests: enough for fills, pixel
// reads and the frame renderer, with no platform behind it.
#pragma once

#include <cstdint>
#include <vector>

#include "render/drawing_surface.h"

struct MemorySurface {
    std::vector<std::uint32_t> pixels;
    DrawingSurface surface;

    MemorySurface(int w, int h, std::uint32_t fill = 0)
        : pixels(static_cast<std::size_t>(w) * h, fill) {
        surface.bits = pixels.data();
        surface.width = w;
        surface.height = h;
    }
    ~MemorySurface() { surface = DrawingSurface{}; }

    void light(int x, int y) { pixels[static_cast<std::size_t>(y) * surface.width + x] = 0x010101; }
    colour_ref at(int x, int y) const { return get_pixel(surface, x, y); }
    int lit() const {
        int n = 0;
        for (auto p : pixels) n += p != 0;
        return n;
    }
};
