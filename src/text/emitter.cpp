#include "text/emitter.h"

#include <algorithm>
#include <cstdlib>

#include "scene/random.h"
#include "scene/sea_scene.h"
#include "scene/trig.h"
#include "text/line_rasteriser.h"

namespace {

line_observer observer = nullptr;

// The usual area cleared before a line is drawn.
constexpr std::int32_t clear_width = 1024;
constexpr std::int32_t clear_height = 256;

// Scatter of one coordinate: -49/120 to 50/120 of a pixel.
double scatter() {
    return (50 - random_draw() % 100) * 0.008333333333333333;
}

// A pixel outside the bitmap is unlit, whatever it would read as elsewhere.
bool lit(const pixel_buffer& surface, std::int32_t px, std::int32_t py) {
    if (px < 0 || py < 0 || px >= surface.width || py >= surface.height) return false;
    return (pixel_row(surface, py)[px] & 0xFFFFFFu) != 0;
}

// Blackens the top-left width × height pixels (clipped to the surface).
void clear_area(pixel_buffer& surface, std::int32_t width, std::int32_t height) {
    const std::int32_t w = std::min(width, surface.width);
    const std::int32_t h = std::min(height, surface.height);
    for (std::int32_t y = 0; y < h; ++y) std::fill_n(pixel_row(surface, y), w, 0u);
}

// A black surface of the given size, in zeroed memory (untouched pages cost
// nothing until a line reaches them).
void make_text_surface(SeaScene& scene, int width, int height) {
    scene.text_surface = pixel_buffer{};
    scene.text_bitmap.reset();
    if (width <= 0 || height <= 0) return;
    auto* bits = static_cast<std::uint32_t*>(std::calloc(
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height), sizeof(std::uint32_t)));
    if (!bits) return;  // no surface: every line measures and reads as blank
    scene.text_bitmap.reset(bits);
    scene.text_surface = pixel_buffer{bits, width, height, width};
}

// At the start of a line: a surface too small for the screen is made again.
void fit_text_surface_to_screen(SeaScene& scene) {
    if (scene.screen_width <= scene.text_surface.width &&
        scene.screen_height <= scene.text_surface.height) {
        return;
    }
    make_text_surface(scene, scene.screen_width, scene.screen_height);
    scene.text_drawn = surface_rect{};  // the new surface is black all over
}

}  // namespace

void set_line_observer(line_observer o) {
    observer = o;
}

void prepare_text_surface(SeaScene& scene, line_rasteriser& rasteriser, int width, int height) {
    scene.text_rasteriser = &rasteriser;
    rasteriser.choose_font(scene.text, scene.encoding);
    make_text_surface(scene, width, height);
    scene.text_drawn = surface_rect{};
    scene.screen_width = width;
    scene.screen_height = height;
}

void note_screen_size(SeaScene& scene, int width, int height) {
    scene.screen_width = width;
    scene.screen_height = height;
}

void emit_line(SeaScene& scene, std::string_view line) {
    if (scene.emit_count == 0) fit_text_surface_to_screen(scene);
    pixel_buffer& surface = scene.text_surface;
    // The surface is cleared and the line drawn and measured afresh on every
    // call, so each slice reads the whole line as it is now. The cleared area
    // is the usual one, grown to cover the previous line wherever it reached
    // beyond it, so that no pixel of an earlier line is read again (a line
    // touches nothing outside its own extent).
    clear_area(surface, std::max(clear_width, scene.text_drawn.right),
               std::max(clear_height, scene.text_drawn.bottom));
    surface_rect extent{};
    if (scene.text_rasteriser)
        extent = scene.text_rasteriser->draw_line(line, scene.encoding, surface);
    const std::int32_t W = extent.right;
    const std::int32_t H = extent.bottom;
    scene.text_drawn = extent;
    if (observer) observer(line, surface, W, H);
    // The cloud spans nine tenths of the grid's length and keeps the line's
    // proportions, up to the tallest a cloud may be; with the drift choice set
    // its base starts a fifth of its height lower. When the view looks from
    // the far side (the cosine of its angle below zero) the slices are
    // mirrored, so that the line reads left to right from there too.
    const double X = (scene.rows * scene.spacing) * 0.9;
    double Z = (X * H) / W;
    if (Z > scene.max_text_height) Z = scene.max_text_height;
    double z0 = 0;
    if (scene.follow != 0) z0 = -0.2 * Z;
    const bool mirror = cosine(scene.view.angle_z) < 0;
    // Only this call's slice of the line becomes particles, so the cloud
    // builds up over the line's calls instead of all in one tick.
    rasterise_slice(scene.particles, surface, 0, 0, W, H, 3, 0, 0, z0, X, scene.spacing, Z, mirror,
                    scene.emit_count);
    scene.emit_count += 1;
    // The cloud takes the scene's tilt, so it stands on the sea as drawn.
    scene.particles.pose.angle_x = scene.pose.angle_x;
    scene.particles.pose.angle_y = scene.pose.angle_y;
    scene.particles.pose.angle_z = scene.pose.angle_z;
    // The sweep that later releases the particles starts again from the top
    // of the cloud, at rest.
    scene.sweep_level = z0 + Z;
    scene.sweep_speed = 0;
}

void rasterise_slice(ParticleList& list, const pixel_buffer& surface, std::int32_t left,
                     std::int32_t top, std::int32_t right, std::int32_t bottom, int n, double x0,
                     double y0, double z0, double X, double Y, double Z, bool mirror,
                     std::int32_t m) {
    const std::int32_t xc = (left + right) / 2;
    const std::int32_t w = right - left;
    const std::int32_t h = bottom - top;
    const std::int64_t first_row = top + std::int64_t{h} * m / slices_per_line;
    const std::int64_t end_row = top + std::int64_t{h} * (m + 1) / slices_per_line;
    Particle record;
    init_particle(record);
    record.visible = 1;
    for (std::int64_t py = first_row; py < end_row; ++py) {
        for (std::int32_t px = left; px < right; ++px) {
            if (!lit(surface, px, static_cast<std::int32_t>(py))) continue;
            for (int k = 0; k < n; ++k) {
                const double jx = scatter();
                const std::int32_t dx = mirror ? xc - px : px - xc;
                record.x = ((dx + jx) * X) / w + x0;
                const double jy = scatter();
                record.y = ((jy + k) * Y) / n + y0;
                const double jz = scatter();
                record.z = ((jz + (bottom - py)) * Z) / h + z0;
                record.height = record.z;
                const double t = (record.z - z0) * (1 / Z);
                record.red = 1;
                if (t < 0.5) {
                    record.green = 2 * t;
                    record.blue = 0;
                } else {
                    record.green = 1;
                    record.blue = 2 * (t - 0.5);
                }
                append(list, record);
            }
        }
    }
    renew_snapshot(list);
}
