// A drawing surface over plain memory for tests, as the hosts hand the core
// theirs; rows may be longer than the surface is wide (stride).
#pragma once

#include <cstdint>
#include <vector>

#include "render/drawing_surface.h"

struct MemorySurface {
    std::vector<std::uint32_t> pixels;
    DrawingSurface surface;

    MemorySurface(int w, int h, std::uint32_t fill = 0, int stride = 0)
        : pixels(static_cast<std::size_t>(stride > w ? stride : w) * h, fill) {
        attach_pixels(surface, pixels.data(), w, h, stride > w ? stride : w, false);
    }

    void light(int x, int y) {
        pixels[static_cast<std::size_t>(y) * surface.stride + x] = 0x010101;
    }
    colour_ref at(int x, int y) const { return get_pixel(surface, x, y); }
    pixel_buffer buffer() const { return pixels_of(surface); }
    int lit() const {
        int n = 0;
        for (auto p : pixels) n += p != 0;
        return n;
    }
};
