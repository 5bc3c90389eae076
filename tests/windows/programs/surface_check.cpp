// Checks the drawing surface against the real GDI: the bitmap memory the
// animation writes and reads is what GDI shows and draws (colour order, rows
// top-down), text drawn through GDI is visible to get_pixel at once and stays
// inside the measured extent, fills and reads clip to the bitmap, and copy_to
// lands the block unchanged. Prints one line per failed check; the exit code
// is the number of failures.
#include <climits>
#include <cstdio>
#include <string_view>

#include "platform/win32.h"
#include "render/drawing_surface.h"
#include "render/message_font.h"
#include "text/builtin_strings.h"

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

void check_memory_against_gdi(DrawingSurface& s) {
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
    check(GetPixel(s.dc, 10, 5) == 0x00123456 && GetPixel(s.dc, 12, 6) == 0x00123456,
          "GDI sees the colour fill_solid wrote in the bitmap memory");
    check(get_pixel(s, 13, 5) == 0 && get_pixel(s, 10, 7) == 0 && get_pixel(s, 9, 5) == 0,
          "fill_solid colours exactly its rectangle");

    SetBkColor(s.dc, 0x00ABCDEF);
    const RECT box{40, 20, 44, 23};
    ExtTextOutA(s.dc, 0, 0, ETO_OPAQUE, &box, nullptr, 0, nullptr);
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

void check_text(DrawingSurface& s) {
    const std::string_view text = "Ag";
    HFONT__* font = create_message_font(900, message_face(), text, text_encoding::ansi);
    check(font != nullptr, "the message font is created");
    select_font(s, font);
    set_text_color(s, 0xFFFFFF);
    set_transparent(s);
    const surface_rect extent = measure_text(s, text, text_encoding::ansi);
    check(extent.left == 0 && extent.top == 0 && extent.right > 0 && extent.bottom > 0,
          "measure_text gives (0, 0, width, height)");
    text_out(s, 0, 0, text, text_encoding::ansi);
    int lit = 0;
    int outside = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (get_pixel(s, x, y) == 0) continue;
            ++lit;
            if (x >= extent.right || y >= extent.bottom) ++outside;
        }
    }
    check(lit > 0, "text drawn through GDI is visible to get_pixel at once");
    check(outside == 0, "text stays inside the extent measure_text gave");
}

void check_copy(DrawingSurface& s) {
    fill_solid(s, surface_rect{0, 0, w, h}, 0);
    for (int k = 0; k < 20; ++k) fill_solid(s, k * 9, k * 3, 5, 4, 0x00010203u * (k + 1));
    DrawingSurface target;
    HDC__* screen = acquire_screen_context();
    check(create_compatible(target, screen, w, h), "a second surface is made");
    release_screen_context(screen);
    copy_to(s, target.dc, w, h);
    GdiFlush();
    bool same = true;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) same = same && get_pixel(s, x, y) == get_pixel(target, x, y);
    check(same, "copy_to lands the block unchanged");
    release_surface(target);
    check(target.dc == nullptr && target.bitmap == nullptr && target.bits == nullptr,
          "release_surface leaves the record empty");
}

}  // namespace

int main() {
    DrawingSurface surface;
    HDC__* screen = acquire_screen_context();
    const bool made = create_compatible(surface, screen, w, h);
    release_screen_context(screen);
    check(made && surface.bits != nullptr && surface.width == w && surface.height == h,
          "a surface of the asked size is made");
    if (!made) return failures;
    check_memory_against_gdi(surface);
    check_text(surface);
    check_copy(surface);
    release_surface(surface);
    if (failures == 0) std::printf("drawing surface: all checks passed\n");
    return failures;
}
