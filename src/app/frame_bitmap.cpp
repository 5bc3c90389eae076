#include "app/frame_bitmap.h"

#include "platform/present_areas.h"

bool create_frame_bitmap(FrameBitmap& bitmap, DrawingSurface& surface, int width, int height) {
    release_frame_bitmap(bitmap, surface);  // a frame made again starts from nothing
    if (width <= 0 || height <= 0) return false;
    const HDC screen = GetDC(nullptr);
    bitmap.dc = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // negative: rows run top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap.bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!bitmap.dc || !bitmap.bitmap || !bits) {
        release_frame_bitmap(bitmap, surface);
        return false;
    }
    bitmap.original = SelectObject(bitmap.dc, bitmap.bitmap);
    // A new DIB section's memory is zero (fresh pages from the system), so the
    // surface is known to be black without touching every page of it.
    attach_pixels(surface, static_cast<std::uint32_t*>(bits), width, height, width, true);
    return true;
}

void present_frame(const FrameBitmap& bitmap, HDC target, int width, int height) {
    if (bitmap.dc && target) BitBlt(target, 0, 0, width, height, bitmap.dc, 0, 0, SRCCOPY);
}

void present_areas(const FrameBitmap& bitmap, HDC target, const std::vector<surface_rect>& areas) {
    if (!bitmap.dc || !target) return;
    static std::vector<RECT> rects;
    rects.clear();
    for (const surface_rect& area : areas) {
        if (!is_empty(area)) rects.push_back({area.left, area.top, area.right, area.bottom});
    }
    PresentAreas(target, bitmap.dc, rects.data(), static_cast<int>(rects.size()));
}

void release_frame_bitmap(FrameBitmap& bitmap, DrawingSurface& surface) {
    surface = DrawingSurface{};
    if (bitmap.dc && bitmap.original) SelectObject(bitmap.dc, bitmap.original);
    if (bitmap.bitmap) DeleteObject(bitmap.bitmap);
    if (bitmap.dc) DeleteDC(bitmap.dc);
    bitmap = FrameBitmap{};
}
