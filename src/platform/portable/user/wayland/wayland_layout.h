// Where each Wayland output lies in the pixels of the virtual screen that the
// saver covers. A compositor places outputs in logical units; the saver draws
// real pixels, so the logical layout is scaled by the largest pixel scale of
// any output: an output at that scale is drawn pixel for pixel, one at a
// smaller scale gets a larger buffer that the compositor scales down.
#pragma once

#include <vector>

#include "platform/portable/windows.h"

namespace portable::wayland {

struct OutputGeometry {
    // The output's place and size in the compositor's logical units.
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    // Its current mode in pixels, turned as the output is turned.
    int pixelWidth = 0;
    int pixelHeight = 0;
    int scale = 1;                // the integer scale wl_output reports
    double preferredScale = 0.0;  // the fractional scale a surface on it was told; 0: none
};

struct Layout {
    double scale = 1.0;       // virtual pixels per logical unit
    std::vector<RECT> areas;  // one per output, in the order given
    RECT bounds{};            // all of them; (0, 0) is the top-left corner
    int primary = -1;         // the output at the logical origin, else the first
};

// Pixels per logical unit on one output: the fractional scale it was told,
// else its mode against its logical size, else its integer scale.
double pixel_scale(const OutputGeometry& output);

// With `fractional` (the compositor scales buffers to any size, through a
// viewport) the layout's scale is the largest pixel scale; without, surfaces
// take only whole buffer scales, and it is the largest integer scale.
// Outputs without a size are left out (their area stays empty).
Layout lay_out(const std::vector<OutputGeometry>& outputs, bool fractional);

// Width or height in pixels of a logical length at a scale, rounded as the
// areas are.
int scaled(int logical, double scale);

}  // namespace portable::wayland
