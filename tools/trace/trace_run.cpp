#include "trace/trace_run.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "animation/animation.h"
#include "common/memory_frame.h"
#include "common/options.h"
#include "common/saved_rasters.h"
#include "render/drawing_surface.h"
#include "render/frame_renderer.h"
#include "scene/sea_scene.h"
#include "scene/vector_lanes.h"
#include "text/emitter.h"

namespace {

const char* program = "nuvex-trace";

struct Options {
    long long ticks = 0;
    int follow = 0;
    std::string message;
    bool message_given = false;
    int frame_w = 1280, frame_h = 1024;
    int screen_w = 1920, screen_h = 1080;
    std::string ppm;
    std::string rasters;
    std::string rasters_from;
    long long progress = 0;
    std::vector<long long> dump_at;  // earlier ticks after which the scene is printed too
};

// The largest tick count taken: about 100 days of animation.
constexpr long long max_ticks = 1'000'000'000;

[[noreturn]] void usage(const std::string& problem) {
    std::fprintf(stderr,
                 "%s: %s\n"
                 "usage: %s [--ticks N] [--follow F] [--message-hex HEX] [--frame WxH] "
                 "[--screen WxH] [--ppm FILE] [--rasters DIR] [--rasters-from DIR] "
                 "[--progress N] [--dump-at T,T,...] "
                 "[--vector-path scalar|sse2|avx2|wasm-simd]\n",
                 program, problem.c_str(), program);
    std::exit(2);
}

[[noreturn]] void fail(const std::string& problem) {
    std::fprintf(stderr, "%s: %s\n", program, problem.c_str());
    std::exit(1);
}

// A decimal integer in [minimum, maximum]; anything else (no digits, trailing
// characters, a value out of range) is refused.
bool parse_integer(const char* text, long long minimum, long long maximum, long long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && errno != ERANGE && value >= minimum && value <= maximum;
}

Options parse(int argc, char** argv) {
    Options o;
    for (int a = 1; a < argc; ++a) {
        const std::string_view arg = argv[a];
        auto need = [&]() {
            if (a + 1 >= argc) usage(std::string(arg) + " lacks its value");
            return argv[++a];
        };
        long long number = 0;
        if (arg == "--ticks") {
            if (!parse_integer(need(), 0, max_ticks, number)) {
                usage("--ticks wants a count from 0 to 1000000000");
            }
            o.ticks = number;
        } else if (arg == "--follow") {
            if (!parse_integer(need(), INT32_MIN, INT32_MAX, number)) {
                usage("--follow wants a 32-bit integer");
            }
            o.follow = static_cast<int>(number);
        } else if (arg == "--message-hex") {
            if (!parse_hex(need(), o.message)) usage("--message-hex wants pairs of hex digits");
            o.message_given = true;
        } else if (arg == "--frame") {
            if (!parse_size(need(), o.frame_w, o.frame_h)) usage("--frame wants WxH");
        } else if (arg == "--screen") {
            if (!parse_size(need(), o.screen_w, o.screen_h)) usage("--screen wants WxH");
        } else if (arg == "--ppm") {
            o.ppm = need();
        } else if (arg == "--rasters") {
            o.rasters = need();
        } else if (arg == "--rasters-from") {
            o.rasters_from = need();
        } else if (arg == "--vector-path") {
            const std::string_view wanted = need();
            bool known = false;
            for (vector_path path : {vector_path::scalar, vector_path::sse2, vector_path::avx2,
                                     vector_path::wasm_simd}) {
                if (wanted != vector_path_name(path)) continue;
                known = true;
                if (!use_vector_path(path)) {
                    fail("this build or processor has no " + std::string(wanted) + " path");
                }
            }
            if (!known) usage("--vector-path wants scalar, sse2, avx2 or wasm-simd");
        } else if (arg == "--dump-at") {
            const std::string list = need();
            std::size_t from = 0;
            while (from <= list.size()) {
                std::size_t comma = list.find(',', from);
                if (comma == std::string::npos) comma = list.size();
                const std::string item = list.substr(from, comma - from);
                if (!parse_integer(item.c_str(), 0, max_ticks, number)) {
                    usage("--dump-at wants tick counts separated by commas");
                }
                o.dump_at.push_back(number);
                from = comma + 1;
            }
        } else if (arg == "--progress") {
            if (!parse_integer(need(), 1, max_ticks, number)) usage("--progress wants a count");
            o.progress = number;
        } else {
            usage("unknown option " + std::string(arg));
        }
    }
    return o;
}

// --- raster dumps -----------------------------------------------------------
std::string raster_dir;

void write_raster(std::string_view line, const pixel_buffer& surface, std::int32_t width,
                  std::int32_t height) {
    std::string error;
    if (!write_line_raster(raster_dir, line, surface, width, height, error)) fail(error);
}

// The frame as a binary PPM; a regular file not written whole is removed.
void write_ppm(const std::string& path, const DrawingSurface& surface) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) fail("cannot write " + path);
    bool ok = std::fprintf(f, "P6\n%d %d\n255\n", surface.width, surface.height) > 0;
    std::string row(static_cast<std::size_t>(surface.width) * 3, '\0');
    for (int y = 0; y < surface.height && ok; ++y) {
        for (int x = 0; x < surface.width; ++x) {
            const colour_ref c = get_pixel(surface, x, y);
            row[3 * x] = static_cast<char>(c & 0xFF);
            row[3 * x + 1] = static_cast<char>((c >> 8) & 0xFF);
            row[3 * x + 2] = static_cast<char>((c >> 16) & 0xFF);
        }
        ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
    }
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        remove_unfinished_output(path);
        fail("cannot write " + path + " whole");
    }
}

// --- scene dump -------------------------------------------------------------
class Printer {
public:
    void text(std::string_view s) { out_.append(s); }
    void number(double v) {
        char buf[40];
        const int n = std::snprintf(buf, sizeof buf, " %.17g", v);
        out_.append(buf, static_cast<std::size_t>(n));
    }
    void integer(long long v) {
        char buf[32];
        const int n = std::snprintf(buf, sizeof buf, " %lld", v);
        out_.append(buf, static_cast<std::size_t>(n));
    }
    void end_line() {
        out_.push_back('\n');
        if (out_.size() > (1u << 20)) flush();
    }
    // Writes what is held; a short write (a full disk, a closed pipe) fails
    // the tool rather than leaving a dump that looks complete.
    void flush() {
        const bool ok = std::fwrite(out_.data(), 1, out_.size(), stdout) == out_.size();
        out_.clear();
        if (!ok || std::fflush(stdout) != 0 || std::ferror(stdout)) fail("cannot write the dump");
    }

private:
    std::string out_;
};

void print_scene(const SeaScene& scene) {
    Printer p;
    p.text("scene");
    p.integer(scene.rows);
    p.integer(scene.cols);
    p.number(scene.view.angle_z);
    p.number(scene.lift);
    p.number(scene.sweep_level);
    p.number(scene.sweep_speed);
    p.integer(scene.cursor);
    p.integer(scene.emit_count);
    p.text(" ");
    p.text(scene.line.empty() ? "-" : to_hex(scene.line));
    p.integer(scene.particles.count);
    p.integer(scene.particles.capacity);
    p.end_line();
    for (std::int32_t i = 0; i < scene.rows; ++i) {
        for (std::int32_t j = 0; j < scene.cols; ++j) {
            const Particle& n = scene.grid[i][j];
            char head[32];
            std::snprintf(head, sizeof head, "%d %d", i, j);
            p.text(head);
            for (double v : {n.x, n.y, n.z, n.red, n.green, n.blue, n.spray_z, n.height, n.spray_vz,
                             n.velocity, n.accel}) {
                p.number(v);
            }
            p.integer(n.visible);
            p.end_line();
        }
    }
    for (std::int32_t k = 0; k < scene.particles.count; ++k) {
        const TextParticle& t = scene.particles.items[k];
        p.text("p");
        p.integer(k);
        for (double v :
             {t.x, t.y, t.z, t.red, t.green, t.blue, t.height, scene.particles.velocities[k]}) {
            p.number(v);
        }
        p.integer(t.visible);
        p.integer(t.released);
        p.end_line();
    }
    p.flush();
}

}  // namespace

int run_trace(int argc, char** argv, const trace_system& system) {
    program = system.program;
    const Options options = parse(argc, argv);
    SavedRasters saved(options.rasters_from);
    line_rasteriser* rasteriser = system.own_rasteriser;
    if (!options.rasters_from.empty()) rasteriser = &saved;
    if (!rasteriser) usage("this build draws no text of its own: give --rasters-from DIR");
    if (!options.rasters.empty()) {
        raster_dir = options.rasters;
        set_line_observer(&write_raster);
    }

    SeaScene scene;
    MemoryFrame frame(options.frame_w, options.frame_h);
    start_scene(scene, *rasteriser,
                options.message_given ? encoded_text{options.message, text_encoding::ansi}
                                      : *system.default_message,
                options.follow, options.screen_w, options.screen_h);
    for (long long t = 1; t <= options.ticks; ++t) {
        tick_scene(scene);
        if (saved.failed()) fail(saved.error());
        for (const long long at : options.dump_at) {
            if (at == t && t < options.ticks) {
                print_scene(scene);
                break;
            }
        }
        // A line every N ticks, so that a watcher knows how far the run is.
        if (options.progress > 0 && t % options.progress == 0) {
            std::fprintf(stderr, "%s: tick %lld\n", program, t);
        }
    }
    if (saved.failed()) fail(saved.error());

    print_scene(scene);
    if (!options.ppm.empty()) {
        render_frame(scene, frame.surface, surface_rect{0, 0, options.frame_w, options.frame_h});
        write_ppm(options.ppm, frame.surface);
    }
    return 0;
}
