// Checks the frame bitmap and the line rasteriser against the real GDI: the
// bitmap memory the animation writes and reads is what GDI shows and draws
// (colour order, rows top-down), fills and reads clip to the bitmap,
// present_frame lands the block unchanged, and a line drawn through GDI
// reaches the animation's buffer inside its measured extent, the same in a
// target that cuts it off, with nothing left of a longer line before it.
// Prints one line per failed check; the exit code is the number of failures.
#include <climits>
#include <cstdio>
#include <string_view>
#include <vector>

#include "app/frame_bitmap.h"
#include "app/gdi_line_rasteriser.h"
#include "platform/win32.h"
#include "render/drawing_surface.h"

namespace {

int failures = 0;

void check(bool ok, const char* what) {
    if (!ok) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}

constexpr int w = 200;
constexpr int h = 80;

void check_memory_against_gdi(FrameBitmap& b, DrawingSurface& s) {
    bool black = true;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) black = black && get_pixel(s, x, y) == 0;
    check(black, "a new surface is black (0) everywhere");
    check(get_pixel(s, -1, 0) == invalid_colour && get_pixel(s, w, 0) == invalid_colour &&
              get_pixel(s, 0, -1) == invalid_colour && get_pixel(s, 0, h) == invalid_colour,
          "reads outside the bitmap give the invalid colour");

    // Distinct bytes show any mix-up of red and blue or of rows.
    fill_solid(s, 10, 5, 3, 2, 0x00123456);
    check(get_pixel(s, 10, 5) == 0x00123456 && get_pixel(s, 12, 6) == 0x00123456,
          "get_pixel returns the colour fill_solid wrote");
    check(GetPixel(b.dc, 10, 5) == 0x00123456 && GetPixel(b.dc, 12, 6) == 0x00123456,
          "GDI sees the colour fill_solid wrote in the bitmap memory");
    check(get_pixel(s, 13, 5) == 0 && get_pixel(s, 10, 7) == 0 && get_pixel(s, 9, 5) == 0,
          "fill_solid colours exactly its rectangle");

    SetBkColor(b.dc, 0x00ABCDEF);
    const RECT box{40, 20, 44, 23};
    ExtTextOutA(b.dc, 0, 0, ETO_OPAQUE, &box, nullptr, 0, nullptr);
    GdiFlush();
    check(get_pixel(s, 40, 20) == 0x00ABCDEF && get_pixel(s, 43, 22) == 0x00ABCDEF &&
              get_pixel(s, 44, 22) == 0 && get_pixel(s, 43, 23) == 0,
          "a GDI fill lands in the bitmap memory where get_pixel reads it");
    // The surface keeps account only of what its own operations drew.
    fill_solid(s, 40, 20, 4, 3, 0);

    fill_solid(s, -5, -5, 10, 10, 0x000000FF);
    check(get_pixel(s, 0, 0) == 0x000000FF && get_pixel(s, 4, 4) == 0x000000FF &&
              get_pixel(s, 5, 5) == 0,
          "a fill over the top-left corner is clipped to the bitmap");
    fill_solid(s, w - 2, h - 2, 10, 10, 0x0000FF00);
    check(get_pixel(s, w - 1, h - 1) == 0x0000FF00 && get_pixel(s, w - 3, h - 1) == 0,
          "a fill over the bottom-right corner is clipped to the bitmap");
    fill_solid(s, INT_MAX - 1, INT_MAX - 1, INT_MAX, INT_MAX, 0x00FFFFFF);
    fill_solid(s, INT_MIN, INT_MIN, 3, 3, 0x00FFFFFF);
    check(get_pixel(s, w - 1, h - 1) == 0x0000FF00 && get_pixel(s, 0, 0) == 0x000000FF,
          "fills far outside the bitmap change nothing");
    fill_solid(s, surface_rect{0, 0, w, h}, 0);
    bool cleared = true;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) cleared = cleared && get_pixel(s, x, y) == 0;
    check(cleared, "a fill of the whole surface with black clears everything");
}

// The lit pixels of a line drawn into a w × h buffer, and how many lie
// outside the extent.
struct drawn_line {
    surface_rect extent;
    std::vector<std::uint32_t> pixels;
    int lit = 0;
    int outside = 0;
};

drawn_line draw(GdiLineRasteriser& r, std::string_view text, int width, int height) {
    drawn_line d;
    d.pixels.assign(static_cast<std::size_t>(width) * height, 0);
    pixel_buffer target{d.pixels.data(), width, height, width};
    d.extent = r.draw_line(text, text_encoding::ansi, target);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (!d.pixels[static_cast<std::size_t>(y) * width + x]) continue;
            ++d.lit;
            if (x >= d.extent.right || y >= d.extent.bottom) ++d.outside;
        }
    }
    return d;
}

void check_text() {
    GdiLineRasteriser r;
    r.choose_font("Ag\nWWWWWW\n", text_encoding::ansi);
    const drawn_line wide = draw(r, "WWWWWW", 400, 100);
    const drawn_line line = draw(r, "Ag", 400, 100);
    check(line.extent.left == 0 && line.extent.top == 0 && line.extent.right > 0 &&
              line.extent.bottom > 0 && wide.extent.right > line.extent.right,
          "a line measures (0, 0, width, height)");
    check(line.lit > 0, "a line drawn through GDI reaches the buffer");
    check(line.outside == 0 && wide.outside == 0, "a line stays inside its extent");
    const int cut_w = line.extent.right / 2;
    const int cut_h = line.extent.bottom / 2;
    const drawn_line cut = draw(r, "Ag", cut_w, cut_h);
    bool same = cut.extent.right == line.extent.right && cut.extent.bottom == line.extent.bottom;
    for (int y = 0; y < cut_h; ++y)
        for (int x = 0; x < cut_w; ++x)
            same = same && cut.pixels[static_cast<std::size_t>(y) * cut_w + x] ==
                               line.pixels[static_cast<std::size_t>(y) * 400 + x];
    check(same,
          "a target smaller than the line gets the same pixels, cut off, and the full extent");
    const drawn_line again = draw(r, "Ag", 400, 100);
    check(again.pixels == line.pixels, "nothing of a longer line drawn before is left");
}

void check_copy(FrameBitmap& b, DrawingSurface& s) {
    fill_solid(s, surface_rect{0, 0, w, h}, 0);
    for (int k = 0; k < 20; ++k) fill_solid(s, k * 9, k * 3, 5, 4, 0x00010203u * (k + 1));
    FrameBitmap target_bitmap;
    DrawingSurface target;
    check(create_frame_bitmap(target_bitmap, target, w, h), "a second frame is made");
    present_frame(b, target_bitmap.dc, w, h);
    GdiFlush();
    bool same = true;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) same = same && get_pixel(s, x, y) == get_pixel(target, x, y);
    check(same, "present_frame lands the block unchanged");
    release_frame_bitmap(target_bitmap, target);
    check(target_bitmap.dc == nullptr && target_bitmap.bitmap == nullptr && target.bits == nullptr,
          "release_frame_bitmap leaves both records empty");
}

}  // namespace

int main() {
    FrameBitmap bitmap;
    DrawingSurface surface;
    const bool made = create_frame_bitmap(bitmap, surface, w, h);
    check(made && surface.bits != nullptr && surface.width == w && surface.height == h &&
              surface.stride == w,
          "a frame of the asked size is made");
    if (!made) return failures;
    check_memory_against_gdi(bitmap, surface);
    check_text();
    check_copy(bitmap, surface);
    release_frame_bitmap(bitmap, surface);
    if (failures == 0) std::printf("drawing surface: all checks passed\n");
    return failures;
}
