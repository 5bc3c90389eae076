// Block transfers and solid fills. Everything is clipped to the bitmaps
// involved before a single pixel is touched; coordinates are widened to 64
// bits first so that far-off rectangles cannot overflow.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/portable/bridge.h"
#include "platform/portable/gdi/gdi_internal.h"

namespace {

struct span {
    std::int64_t dest = 0;
    std::int64_t source = 0;
    std::int64_t length = 0;
};

// Clips one axis of a copy to both the destination [0, destLimit) and the
// source [0, sourceLimit).
span clip_axis(std::int64_t dest, std::int64_t source, std::int64_t length, std::int64_t destLimit,
               std::int64_t sourceLimit) {
    const std::int64_t skip = std::max<std::int64_t>({0, -dest, -source});
    dest += skip;
    source += skip;
    length -= skip;
    length = std::min({length, destLimit - dest, sourceLimit - source});
    return {dest, source, std::max<std::int64_t>(length, 0)};
}

void copy_rows(HBITMAP__* dest, const HBITMAP__* source, const span& xs, const span& ys) {
    const auto bytes = static_cast<std::size_t>(xs.length) * sizeof(std::uint32_t);
    // Within one bitmap the rows may overlap: walk them in the safe direction.
    const bool upward = dest == source && ys.dest > ys.source;
    for (std::int64_t i = 0; i < ys.length; ++i) {
        const std::int64_t k = upward ? ys.length - 1 - i : i;
        std::memmove(dest->row(static_cast<int>(ys.dest + k)) + xs.dest,
                     source->row(static_cast<int>(ys.source + k)) + xs.source, bytes);
    }
}

BOOL present_block(HDC__* dest, const HBITMAP__* source, std::int64_t x, std::int64_t y,
                   std::int64_t width, std::int64_t height, std::int64_t sourceX,
                   std::int64_t sourceY) {
    // The window clips to itself; we only keep the read inside the bitmap.
    const span xs = clip_axis(x, sourceX, width, INT32_MAX, source->width);
    const span ys = clip_axis(y, sourceY, height, INT32_MAX, source->height);
    if (xs.length == 0 || ys.length == 0) return TRUE;
    if (!source->bottom_up) {
        // Shown with the context's other blocks when it is released.
        dest->pending.push_back({static_cast<int>(xs.dest), static_cast<int>(ys.dest),
                                 static_cast<int>(xs.length), static_cast<int>(ys.length),
                                 source->row(static_cast<int>(ys.source)) + xs.source,
                                 source->width});
        return TRUE;
    }
    gdi_flush_window(dest);
    // The window wants rows top-down: turn a bottom-up block over first.
    std::vector<std::uint32_t> block(static_cast<std::size_t>(xs.length * ys.length));
    for (std::int64_t row = 0; row < ys.length; ++row) {
        std::memcpy(block.data() + row * xs.length,
                    source->row(static_cast<int>(ys.source + row)) + xs.source,
                    static_cast<std::size_t>(xs.length) * sizeof(std::uint32_t));
    }
    portable_present(dest->window, static_cast<int>(xs.dest), static_cast<int>(ys.dest),
                     static_cast<int>(xs.length), static_cast<int>(ys.length), block.data(),
                     static_cast<int>(xs.length));
    return TRUE;
}

}  // namespace

void gdi_flush_window(HDC__* dc) {
    if (!dc || dc->pending.empty()) return;
    // Taken out first: showing them may run code that draws again.
    const std::vector<portable_block> blocks = std::move(dc->pending);
    dc->pending.clear();
    portable_present_blocks(dc->window, blocks.data(), static_cast<int>(blocks.size()));
}

BOOL gdi_fill(HDC__* dc, const RECT& rect, COLORREF colour) {
    const std::uint32_t pixel = gdi_pixel_from_colour(colour);
    if (dc->target == dc_target::memory) {
        HBITMAP__* bitmap = dc->bitmap;
        const std::int64_t left = std::max<std::int64_t>(rect.left, 0);
        const std::int64_t top = std::max<std::int64_t>(rect.top, 0);
        const std::int64_t right = std::min<std::int64_t>(rect.right, bitmap->width);
        const std::int64_t bottom = std::min<std::int64_t>(rect.bottom, bitmap->height);
        for (std::int64_t y = top; y < bottom && left < right; ++y) {
            std::uint32_t* line = bitmap->row(static_cast<int>(y));
            std::fill(line + left, line + right, pixel);
        }
        return TRUE;
    }
    if (dc->target == dc_target::window) {
        gdi_flush_window(dc);  // what was transferred before shows first
        RECT client{0, 0, 0, 0};
        if (!GetClientRect(dc->window, &client)) return FALSE;
        const std::int64_t left = std::max<std::int64_t>(rect.left, 0);
        const std::int64_t top = std::max<std::int64_t>(rect.top, 0);
        const std::int64_t right = std::min<std::int64_t>(rect.right, client.right - client.left);
        const std::int64_t bottom = std::min<std::int64_t>(rect.bottom, client.bottom - client.top);
        if (left >= right || top >= bottom) return TRUE;
        const std::vector<std::uint32_t> block(
            static_cast<std::size_t>((right - left) * (bottom - top)), pixel);
        portable_present(dc->window, static_cast<int>(left), static_cast<int>(top),
                         static_cast<int>(right - left), static_cast<int>(bottom - top),
                         block.data(), static_cast<int>(right - left));
        return TRUE;
    }
    return FALSE;  // the screen context is only a reference, never drawn on
}

BOOL BitBlt(HDC destHandle, int x, int y, int width, int height, HDC sourceHandle, int sourceX,
            int sourceY, DWORD rop) {
    HDC__* dest = gdi_dc(destHandle);
    HDC__* source = gdi_dc(sourceHandle);
    if (!dest || !source || rop != SRCCOPY || source->target != dc_target::memory) return FALSE;
    if (width <= 0 || height <= 0) return TRUE;
    if (dest->target == dc_target::window) {
        return present_block(dest, source->bitmap, x, y, width, height, sourceX, sourceY);
    }
    if (dest->target != dc_target::memory) return FALSE;
    const span xs = clip_axis(x, sourceX, width, dest->bitmap->width, source->bitmap->width);
    const span ys = clip_axis(y, sourceY, height, dest->bitmap->height, source->bitmap->height);
    if (xs.length > 0 && ys.length > 0) copy_rows(dest->bitmap, source->bitmap, xs, ys);
    return TRUE;
}
