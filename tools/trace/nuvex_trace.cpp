// nuvex-trace: runs the saver's animation headless and prints the whole scene
// after N ticks, so that a run can be compared number for number. Optionally
// writes the frame drawn after the last tick (PPM) and, for every line the
// emitter drew, what it read back (PBM).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>

#include "app/animation.h"
#include "app/code_page_setup.h"
#include "common/options.h"
#include "render/drawing_surface.h"
#include "render/frame_renderer.h"
#include "scene/sea_scene.h"
#include "text/builtin_strings.h"
#include "text/emitter.h"

namespace {

struct Options {
    long ticks = 0;
    int follow = 0;
    std::string message;
    bool message_given = false;
    int frame_w = 1280, frame_h = 1024;
    int screen_w = 1920, screen_h = 1080;
    std::string ppm;
    std::string rasters;
    long progress = 0;
};

[[noreturn]] void usage(const char* problem) {
    std::fprintf(stderr,
                 "nuvex-trace: %s\n"
                 "usage: nuvex-trace [--ticks N] [--follow F] [--message-hex HEX] "
                 "[--frame WxH] [--screen WxH] [--ppm FILE] [--rasters DIR] [--progress N]\n",
                 problem);
    std::exit(2);
}

bool parse_long(const char* text, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0';
}

Options parse(int argc, char** argv) {
    Options o;
    for (int a = 1; a < argc; ++a) {
        const std::string_view arg = argv[a];
        const char* value = a + 1 < argc ? argv[a + 1] : nullptr;
        auto need = [&]() {
            if (!value) usage("an option lacks its value");
            ++a;
            return value;
        };
        long number = 0;
        if (arg == "--ticks") {
            if (!parse_long(need(), number) || number < 0) usage("--ticks wants a count");
            o.ticks = number;
        } else if (arg == "--follow") {
            if (!parse_long(need(), number) || number < INT32_MIN || number > INT32_MAX) {
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
        } else if (arg == "--progress") {
            if (!parse_long(need(), number) || number <= 0) usage("--progress wants a count");
            o.progress = number;
        } else {
            usage("unknown option");
        }
    }
    return o;
}

// --- raster dumps ---------------------------------------------------------
std::string raster_dir;
std::set<std::string> rasters_written;

void write_raster(std::string_view line, const DrawingSurface& surface, std::int32_t width,
                  std::int32_t height) {
    const std::string name = to_hex(line);
    if (!rasters_written.insert(name).second) return;  // the same line, drawn again
    const std::string path = raster_dir + "/" + name + ".pbm";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "nuvex-trace: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    std::fprintf(f, "P1\n%d %d\n", width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        std::string row;
        for (std::int32_t x = 0; x < width; ++x) {
            const bool inside = x < surface.width && y < surface.height;
            row.push_back(inside && get_pixel(surface, x, y) != 0 ? '1' : '0');
            row.push_back(x + 1 < width ? ' ' : '\n');
        }
        std::fputs(row.c_str(), f);
    }
    std::fclose(f);
}

bool write_ppm(const std::string& path, const DrawingSurface& surface) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", surface.width, surface.height);
    std::string row(static_cast<std::size_t>(surface.width) * 3, '\0');
    for (int y = 0; y < surface.height; ++y) {
        for (int x = 0; x < surface.width; ++x) {
            const colour_ref c = get_pixel(surface, x, y);
            row[3 * x] = static_cast<char>(c & 0xFF);
            row[3 * x + 1] = static_cast<char>((c >> 8) & 0xFF);
            row[3 * x + 2] = static_cast<char>((c >> 16) & 0xFF);
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0;
}

// --- scene dump -------------------------------------------------------------
class Printer {
public:
    ~Printer() { flush(); }
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
    void flush() {
        std::fwrite(out_.data(), 1, out_.size(), stdout);
        out_.clear();
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
        const Particle& t = scene.particles.items[k];
        p.text("p");
        p.integer(k);
        for (double v : {t.x, t.y, t.z, t.red, t.green, t.blue, t.height, t.velocity}) {
            p.number(v);
        }
        p.integer(t.visible);
        p.integer(t.released);
        p.end_line();
    }
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    adopt_system_code_page();
    if (!options.rasters.empty()) {
        raster_dir = options.rasters;
        set_line_observer(&write_raster);
    }

    SeaScene scene;
    DrawingSurface frame;
    if (!start_scene(scene, frame,
                     options.message_given ? encoded_text{options.message, text_encoding::ansi}
                                           : default_message(),
                     options.follow, options.frame_w, options.frame_h, options.screen_w,
                     options.screen_h)) {
        std::fprintf(stderr, "nuvex-trace: cannot make a %dx%d frame\n", options.frame_w,
                     options.frame_h);
        return 1;
    }

    for (long t = 1; t <= options.ticks; ++t) {
        tick_scene(scene);
        // A line every N ticks, so that a watcher knows how far the run is.
        if (options.progress > 0 && t % options.progress == 0) {
            std::fprintf(stderr, "nuvex-trace: tick %ld\n", t);
        }
    }

    print_scene(scene);
    std::fflush(stdout);
    if (!options.ppm.empty()) {
        render_frame(scene, frame, surface_rect{0, 0, options.frame_w, options.frame_h});
        if (!write_ppm(options.ppm, frame)) {
            std::fprintf(stderr, "nuvex-trace: cannot write %s\n", options.ppm.c_str());
            return 1;
        }
    }
    release_surface(frame);
    return 0;
}
