// Message lines drawn by the browser: canvas 2D text in white on black, in the
// message font's face with a heavy fallback stack behind it (so every script
// the viewer's system can show is drawn, right-to-left lines shaped as the
// browser shapes them), at the message font's cell height of 48 pixels, read
// back with getImageData into the core's buffer.
#pragma once

#include "text/line_rasteriser.h"

class CanvasLineRasteriser final : public line_rasteriser {
public:
    // The browser picks a face for each character from the stack itself, so
    // the message needs no font of its own.
    void choose_font(std::string_view, text_encoding) override {}
    surface_rect draw_line(std::string_view line, text_encoding encoding,
                           pixel_buffer& target) override;
};
