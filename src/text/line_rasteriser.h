// The core's one door to the outside: drawing a line of the message in the
// message font. The animation asks for a line to be drawn and reads the pixels
// back; how the glyphs are made (GDI on Windows, FreeType off it, the canvas in
// a browser, saved rasters in the trace tool, known rectangles in tests) is the
// implementation's.
#pragma once

#include <string_view>

#include "scene/pixel_buffer.h"
#include "scene/text_encoding.h"

class line_rasteriser {
public:
    virtual ~line_rasteriser() = default;

    // The message whose lines will be drawn (all of it, lines ended by "\n"),
    // so that the font can be chosen for the scripts it holds. Called before
    // the first line, and again when the message changes.
    virtual void choose_font(std::string_view message, text_encoding encoding) = 0;

    // Draws `line` in white on the black `target`, its top-left cell at (0, 0),
    // clipped to the target, and returns (0, 0, W, H): the extent a
    // measurement of the same text gives. Touches no pixel outside that
    // extent. An empty line measures (0, 0, 0, 0) wide or at least 0 wide.
    virtual surface_rect draw_line(std::string_view line, text_encoding encoding,
                                   pixel_buffer& target) = 0;
};
