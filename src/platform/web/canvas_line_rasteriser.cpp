#include "platform/web/canvas_line_rasteriser.h"

#include <emscripten/emscripten.h>

#include "text/builtin_strings.h"

namespace {

// The cell height of the message font, as CreateFont's positive height gives
// it: ascent plus descent.
constexpr int cell_height = 48;

// The page's drawLine (page.js) draws the UTF-8 line on its text canvas and
// copies what lies inside both the line's extent and the target into the
// target (0x00RRGGBB rows, `stride` pixels apart); it returns the measured
// width.
EM_JS(int, page_draw_line,
      (const char* face, const char* bytes, int count, std::uint32_t* target, int target_w,
       int target_h, int stride, int cell),
      { return Module.drawLine(face, bytes, count, target, target_w, target_h, stride, cell); });

}  // namespace

surface_rect CanvasLineRasteriser::draw_line(std::string_view line, text_encoding,
                                             pixel_buffer& target) {
    // The page's lines are UTF-8 whatever their encoding says: its ANSI code
    // page is UTF-8.
    if (line.empty()) return {};
    const int width =
        page_draw_line(message_face().c_str(), line.data(), static_cast<int>(line.size()),
                       target.bits, target.width, target.height, target.stride, cell_height);
    return {0, 0, width, cell_height};
}
