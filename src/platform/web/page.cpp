// The browser page's side of the core: one scene, the frame it is drawn into,
// and the calls the page's script (page.js) makes. Strings cross in UTF-8
// through one input buffer that the script fills; results that are text stay
// in memory here until the next call asks for another.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

#include "animation/animation.h"
#include "animation/step.h"
#include "platform/web/canvas_line_rasteriser.h"
#include "platform/web/message_link.h"
#include "platform/web/web_code_page.h"
#include "render/drawing_surface.h"
#include "render/frame_renderer.h"
#include "scene/particle_list.h"
#include "scene/random.h"
#include "scene/sea_scene.h"
#include "text/builtin_strings.h"
#include "text/emitter.h"

namespace {

// A frame of the page: the core draws 0x00RRGGBB pixels, the canvas takes
// RGBA bytes, so each drawn frame is copied across once.
struct Frame {
    std::vector<std::uint32_t> pixels;
    std::vector<std::uint32_t> rgba;
    DrawingSurface surface;
    int width = 0;
    int height = 0;

    void resize(int w, int h) {
        width = w;
        height = h;
        const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
        pixels.assign(count, 0u);
        rgba.assign(count, 0xFF000000u);  // opaque black until the first frame
        attach_pixels(surface, pixels.data(), w, h, w, true);
    }
};

// Copies 0x00RRGGBB pixels as RGBA bytes (red first in memory), opaque: four
// pixels at a time in 128-bit lanes where there are some, else two at a time
// in 64-bit words.
void to_rgba(const std::uint32_t* from, std::uint32_t* to, std::size_t count) {
    std::size_t k = 0;
#if defined(__wasm_simd128__)
    const v128_t alpha = wasm_i32x4_splat(static_cast<std::int32_t>(0xFF000000u));
    for (; k + 4 <= count; k += 4) {
        const v128_t p = wasm_v128_load(from + k);
        const v128_t swapped =
            wasm_i8x16_shuffle(p, p, 2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
        wasm_v128_store(to + k, wasm_v128_or(swapped, alpha));
    }
#else
    constexpr std::uint64_t low = 0x000000FF000000FFull;
    constexpr std::uint64_t green = 0x0000FF000000FF00ull;
    constexpr std::uint64_t alpha = 0xFF000000FF000000ull;
    for (; k + 2 <= count; k += 2) {
        std::uint64_t p;
        std::memcpy(&p, from + k, sizeof p);
        const std::uint64_t q = ((p & low) << 16) | ((p >> 16) & low) | (p & green) | alpha;
        std::memcpy(to + k, &q, sizeof q);
    }
#endif
    for (; k < count; ++k) {
        const std::uint32_t p = from[k];
        to[k] = 0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
    }
}

// Draws a raster the caller gives for every line: the benchmark's line, the
// same bits the native benchmark's text functions draw.
class GivenRaster final : public line_rasteriser {
public:
    GivenRaster(const std::uint8_t* lit, int width, int height)
        : lit_(lit, lit + static_cast<std::size_t>(width) * static_cast<std::size_t>(height)),
          width_(width),
          height_(height) {}
    void choose_font(std::string_view, text_encoding) override {}
    surface_rect draw_line(std::string_view, text_encoding, pixel_buffer& target) override {
        for (int y = 0; y < height_ && y < target.height; ++y) {
            for (int x = 0; x < width_ && x < target.width; ++x) {
                pixel_row(target, y)[x] =
                    lit_[static_cast<std::size_t>(y) * width_ + x] ? 0xFFFFFFu : 0u;
            }
        }
        return {0, 0, width_, height_};
    }

private:
    std::vector<std::uint8_t> lit_;
    int width_;
    int height_;
};

struct Page {
    std::unique_ptr<SeaScene> scene;
    std::vector<std::uint32_t> text_pixels;  // where nuvex_draw_text draws
    CanvasLineRasteriser rasteriser;
    Frame frame;
    std::string input;
    std::string output;
    link_message link;
    int bench_particles = 0;
};

Page& page() {
    static Page instance;
    return instance;
}

std::string_view input_text(int length) {
    return std::string_view(page().input).substr(0, static_cast<std::size_t>(length));
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void nuvex_init() {
    adopt_code_page(65001);
}

EMSCRIPTEN_KEEPALIVE int nuvex_tick_milliseconds() {
    return tick_milliseconds;
}

EMSCRIPTEN_KEEPALIVE int nuvex_message_limit() {
    return static_cast<int>(web_message_limit);
}

// Room for `size` bytes of input; the script writes a string there and passes
// its length to the next call.
EMSCRIPTEN_KEEPALIVE char* nuvex_input(int size) {
    page().input.resize(static_cast<std::size_t>(size) + 1);
    return page().input.data();
}

EMSCRIPTEN_KEEPALIVE const char* nuvex_output() {
    return page().output.c_str();
}

EMSCRIPTEN_KEEPALIVE int nuvex_output_length() {
    return static_cast<int>(page().output.size());
}

// Reads a fragment from the input; the text found (when usable or only too
// long) becomes the output. Returns the problem.
EMSCRIPTEN_KEEPALIVE int nuvex_read_fragment(int length) {
    Page& p = page();
    p.link = read_fragment(input_text(length));
    p.output = p.link.text;
    return static_cast<int>(p.link.problem);
}

EMSCRIPTEN_KEEPALIVE int nuvex_link_drift() {
    return page().link.drift ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int nuvex_link_given() {
    return page().link.given ? 1 : 0;
}

// Bytes of the stored form that the last fragment or check measured.
EMSCRIPTEN_KEEPALIVE int nuvex_message_size() {
    return static_cast<int>(page().link.size);
}

// Checks the text in the input as the settings dialog would; returns the problem.
EMSCRIPTEN_KEEPALIVE int nuvex_check_message(int length) {
    Page& p = page();
    return static_cast<int>(check_message(input_text(length), p.link.size));
}

// The fragment for the text in the input; it becomes the output.
EMSCRIPTEN_KEEPALIVE void nuvex_make_fragment(int length, int drift) {
    page().output = fragment_for(input_text(length), drift != 0);
}

// The default message as the text area shows it (lines separated by "\n").
EMSCRIPTEN_KEEPALIVE void nuvex_default_text() {
    std::string text = default_message().bytes;
    std::string shown;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text.compare(k, 2, "^n") == 0) {
            if (k + 2 < text.size()) shown.push_back('\n');
            ++k;
        } else {
            shown.push_back(text[k]);
        }
    }
    page().output = shown;
}

// Starts the animation afresh, as the saver starts, with the text in the input
// (empty: the default message) and the drift choice. The text surface covers a
// screen of screen_w × screen_h.
EMSCRIPTEN_KEEPALIVE void nuvex_play(int length, int drift, int screen_w, int screen_h) {
    Page& p = page();
    std::size_t size = 0;
    std::string stored;
    if (check_message(input_text(length), size) == message_problem::none) {
        stored = stored_form(input_text(length));
    }
    p.scene = std::make_unique<SeaScene>();
    set_random_state(1);
    start_scene(*p.scene, p.rasteriser, encoded_text{stored, text_encoding::utf8},
                follow_for(drift != 0), screen_w, screen_h);
}

EMSCRIPTEN_KEEPALIVE void nuvex_screen(int width, int height) {
    if (page().scene) note_screen_size(*page().scene, width, height);
}

// A frame of width × height; returns where its RGBA bytes are.
EMSCRIPTEN_KEEPALIVE std::uint32_t* nuvex_frame(int width, int height) {
    Frame& frame = page().frame;
    if (width != frame.width || height != frame.height) frame.resize(width, height);
    return frame.rgba.data();
}

EMSCRIPTEN_KEEPALIVE void nuvex_tick(int ticks) {
    if (!page().scene) return;
    for (int k = 0; k < ticks; ++k) tick_scene(*page().scene);
}

// Draws the scene into the frame and copies it out as RGBA.
EMSCRIPTEN_KEEPALIVE void nuvex_draw() {
    Page& p = page();
    Frame& frame = p.frame;
    if (!p.scene || frame.width <= 0 || frame.height <= 0) return;
    render_frame(*p.scene, frame.surface, surface_rect{0, 0, frame.width, frame.height});
    to_rgba(frame.pixels.data(), frame.rgba.data(), frame.pixels.size());
}

EMSCRIPTEN_KEEPALIVE int nuvex_particles() {
    return page().scene ? page().scene->particles.count : 0;
}

// For tests: draws the text in the input through the text seam, as the
// emitter has lines drawn, into a black 4096 × 64 buffer of its own; returns
// the measured width (the height is the font's cell). nuvex_text_pixels()
// tells where the buffer is.
EMSCRIPTEN_KEEPALIVE int nuvex_draw_text(int length) {
    constexpr int width = 4096;
    constexpr int height = 64;
    Page& p = page();
    p.text_pixels.assign(static_cast<std::size_t>(width) * height, 0u);
    pixel_buffer target{p.text_pixels.data(), width, height, width};
    return p.rasteriser.draw_line(input_text(length), text_encoding::utf8, target).right;
}

EMSCRIPTEN_KEEPALIVE std::uint32_t* nuvex_text_pixels() {
    return page().text_pixels.data();
}

// The cost of a step and a 1920×1080 frame, as the native benchmark measures
// it: a scene of its own holding the given line (width × height bytes in the
// input, nonzero for lit), fully emitted, the view where neither the lift nor
// a line change happens. Returns the milliseconds per step and frame over
// `iterations`; the live scene and the random sequence are left as they were.
EMSCRIPTEN_KEEPALIVE double nuvex_bench(int width, int height, int iterations) {
    constexpr int frame_w = 1920;
    constexpr int frame_h = 1080;
    Page& p = page();
    const std::uint32_t random_before = random_state();
    GivenRaster raster(reinterpret_cast<const std::uint8_t*>(p.input.data()), width, height);
    auto scene = std::make_unique<SeaScene>();
    start_scene(*scene, raster, default_message(), 0, frame_w, frame_h);
    clear(scene->particles);
    scene->line = "bench";
    scene->emit_count = 0;
    scene->view.angle_z = -1.0;
    for (int k = 0; k < slices_per_line; ++k) emit_line(*scene, scene->line);
    p.bench_particles = scene->particles.count;
    Frame frame;
    frame.resize(frame_w, frame_h);
    const surface_rect rect{0, 0, frame_w, frame_h};
    step(*scene);  // one untimed round, so the first timed one finds warm memory
    render_frame(*scene, frame.surface, rect);
    const double start = emscripten_get_now();
    for (int k = 0; k < iterations; ++k) {
        step(*scene);
        render_frame(*scene, frame.surface, rect);
    }
    const double elapsed = emscripten_get_now() - start;
    set_random_state(random_before);
    return iterations > 0 ? elapsed / iterations : 0.0;
}

EMSCRIPTEN_KEEPALIVE int nuvex_bench_particles() {
    return page().bench_particles;
}

}  // extern "C"
