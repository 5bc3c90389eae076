// A frame in plain memory for the developer tools: they draw frames to write
// them out, never to show them.
#pragma once

#include <cstdint>
#include <vector>

#include "render/drawing_surface.h"

struct MemoryFrame {
    std::vector<std::uint32_t> pixels;
    DrawingSurface surface;

    MemoryFrame(int width, int height)
        : pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0u) {
        attach_pixels(surface, pixels.data(), width, height, width, true);
    }
    MemoryFrame(const MemoryFrame&) = delete;
    MemoryFrame& operator=(const MemoryFrame&) = delete;
};
