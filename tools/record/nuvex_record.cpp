// nuvex-record: renders the saver's animation without a display and writes it
// as an animated WebP file, one frame per 33 ms tick of animation time.

#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "animation/animation.h"
#include "app/code_page_setup.h"
#include "app/gdi_line_rasteriser.h"
#include "common/memory_frame.h"
#include "common/options.h"
#include "render/drawing_surface.h"
#include "render/frame_renderer.h"
#include "scene/sea_scene.h"
#include "text/builtin_strings.h"

namespace {

struct Options {
    std::string out = "nuvex.webp";
    int width = 640, height = 512;
    int screen_w = 1920, screen_h = 1080;
    double seconds = 12;
    long skip_ticks = 0;
    int follow = 0;
    std::string message;
    bool message_given = false;
    float effort = 25;
};

[[noreturn]] void usage(const char* problem) {
    std::fprintf(stderr,
                 "nuvex-record: %s\n"
                 "usage: nuvex-record [--out FILE.webp] [--size WxH] [--seconds S] "
                 "[--skip-ticks N] [--message TEXT | --message-hex HEX] [--follow F] "
                 "[--screen WxH] [--effort 0-100]\n"
                 "  TEXT is the stored form: lines joined by ^n\n",
                 problem);
    std::exit(2);
}

bool parse_number(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0';
}

Options parse(int argc, char** argv) {
    Options o;
    for (int a = 1; a < argc; ++a) {
        const std::string_view arg = argv[a];
        auto need = [&]() -> const char* {
            if (a + 1 >= argc) usage("an option lacks its value");
            return argv[++a];
        };
        double number = 0;
        if (arg == "--out") {
            o.out = need();
        } else if (arg == "--size") {
            if (!parse_size(need(), o.width, o.height, 16, 8192)) usage("--size wants WxH");
        } else if (arg == "--screen") {
            if (!parse_size(need(), o.screen_w, o.screen_h, 16, 8192)) usage("--screen wants WxH");
        } else if (arg == "--seconds") {
            if (!parse_number(need(), number) || number <= 0 || number > 3600) {
                usage("--seconds wants a duration up to 3600");
            }
            o.seconds = number;
        } else if (arg == "--skip-ticks") {
            if (!parse_number(need(), number) || number < 0 || number > 1e7) {
                usage("--skip-ticks wants a count");
            }
            o.skip_ticks = static_cast<long>(number);
        } else if (arg == "--follow") {
            if (!parse_number(need(), number) || number != static_cast<int>(number)) {
                usage("--follow wants an integer");
            }
            o.follow = static_cast<int>(number);
        } else if (arg == "--message") {
            o.message = need();
            o.message_given = true;
        } else if (arg == "--message-hex") {
            if (!parse_hex(need(), o.message)) usage("--message-hex wants pairs of hex digits");
            o.message_given = true;
        } else if (arg == "--effort") {
            if (!parse_number(need(), number) || number < 0 || number > 100) {
                usage("--effort wants 0 to 100");
            }
            o.effort = static_cast<float>(number);
        } else {
            usage("unknown option");
        }
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = parse(argc, argv);
    adopt_system_code_page();

    SeaScene scene;
    GdiLineRasteriser rasteriser;
    MemoryFrame memory(o.width, o.height);
    DrawingSurface& frame = memory.surface;
    start_scene(scene, rasteriser,
                o.message_given ? encoded_text{o.message, text_encoding::ansi} : default_message(),
                o.follow, o.screen_w, o.screen_h);
    for (long t = 0; t < o.skip_ticks; ++t) tick_scene(scene);

    WebPAnimEncoderOptions anim;
    WebPConfig config;
    WebPPicture picture;
    if (!WebPAnimEncoderOptionsInit(&anim) || !WebPConfigInit(&config) ||
        !WebPPictureInit(&picture)) {
        std::fprintf(stderr, "nuvex-record: the WebP library does not match its headers\n");
        return 1;
    }
    anim.allow_mixed = 0;
    config.quality = o.effort;
    // Lossless keeps every point exact and, on a mostly black frame, is also
    // several times smaller than lossy coding of the same frames.
    config.lossless = 1;
    config.method = 1;  // fast: hundreds of frames
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(o.width, o.height, &anim);
    picture.width = o.width;
    picture.height = o.height;
    picture.use_argb = 1;
    if (!encoder || !WebPPictureAlloc(&picture)) {
        std::fprintf(stderr, "nuvex-record: out of memory\n");
        return 1;
    }

    const long frames = static_cast<long>(o.seconds * 1000 / tick_milliseconds + 0.5);
    const surface_rect rect{0, 0, o.width, o.height};
    for (long k = 0; k < frames; ++k) {
        if (k > 0) tick_scene(scene);
        render_frame(scene, frame, rect);
        // The frame's memory holds 0x00RRGGBB per pixel: bytes B, G, R, unused.
        WebPPictureImportBGRX(&picture, reinterpret_cast<const std::uint8_t*>(frame.bits),
                              frame.width * 4);
        if (!WebPAnimEncoderAdd(encoder, &picture, static_cast<int>(k * tick_milliseconds),
                                &config)) {
            std::fprintf(stderr, "nuvex-record: encoding failed: %s\n",
                         WebPAnimEncoderGetError(encoder));
            return 1;
        }
    }
    WebPAnimEncoderAdd(encoder, nullptr, static_cast<int>(frames * tick_milliseconds), nullptr);
    WebPData data;
    WebPDataInit(&data);
    if (!WebPAnimEncoderAssemble(encoder, &data)) {
        std::fprintf(stderr, "nuvex-record: encoding failed: %s\n",
                     WebPAnimEncoderGetError(encoder));
        return 1;
    }
    std::FILE* f = std::fopen(o.out.c_str(), "wb");
    const bool written = f && std::fwrite(data.bytes, 1, data.size, f) == data.size;
    const bool closed = f && std::fclose(f) == 0;
    WebPDataClear(&data);
    WebPPictureFree(&picture);
    WebPAnimEncoderDelete(encoder);
    if (!written || !closed) {
        std::fprintf(stderr, "nuvex-record: cannot write %s\n", o.out.c_str());
        return 1;
    }
    std::printf("%s: %ld frames, %dx%d\n", o.out.c_str(), frames, o.width, o.height);
    return 0;
}
