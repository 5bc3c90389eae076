// Pixels in plain memory, as the core draws and reads them: rows of 32-bit
// pixels 0x00RRGGBB, top row first, `stride` pixels from one row to the next.
// The memory belongs to whoever made the buffer.
#pragma once

#include <cstdint>

struct surface_rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

struct pixel_buffer {
    std::uint32_t* bits = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t stride = 0;
};

inline std::uint32_t* pixel_row(const pixel_buffer& buffer, std::int32_t y) {
    return buffer.bits + static_cast<std::int64_t>(y) * buffer.stride;
}
