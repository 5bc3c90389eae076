#include "platform/portable/user/wayland/wayland_layout.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace portable::wayland {

double pixel_scale(const OutputGeometry& output) {
    if (output.preferredScale > 0.0) {
        return output.preferredScale;
    }
    if (output.width > 0 && output.pixelWidth > 0) {
        return static_cast<double>(output.pixelWidth) / output.width;
    }
    return std::max(1, output.scale);
}

int scaled(int logical, double scale) {
    return static_cast<int>(std::lround(logical * scale));
}

Layout lay_out(const std::vector<OutputGeometry>& outputs, bool fractional) {
    Layout layout;
    layout.areas.assign(outputs.size(), RECT{0, 0, 0, 0});
    int minX = INT_MAX;
    int minY = INT_MAX;
    double scale = 0.0;
    for (const OutputGeometry& o : outputs) {
        if (o.width <= 0 || o.height <= 0) {
            continue;
        }
        minX = std::min(minX, o.x);
        minY = std::min(minY, o.y);
        scale = std::max(scale, fractional ? pixel_scale(o) : std::max(1, o.scale));
    }
    if (minX == INT_MAX) {
        return layout;  // no output to cover
    }
    layout.scale = scale;
    bool first = true;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const OutputGeometry& o = outputs[i];
        if (o.width <= 0 || o.height <= 0) {
            continue;
        }
        // Edges are scaled, not sizes, so that outputs side by side stay
        // side by side.
        const RECT area{scaled(o.x - minX, scale), scaled(o.y - minY, scale),
                        scaled(o.x - minX + o.width, scale), scaled(o.y - minY + o.height, scale)};
        layout.areas[i] = area;
        if (first) {
            layout.bounds = area;
            first = false;
        } else {
            layout.bounds.left = std::min(layout.bounds.left, area.left);
            layout.bounds.top = std::min(layout.bounds.top, area.top);
            layout.bounds.right = std::max(layout.bounds.right, area.right);
            layout.bounds.bottom = std::max(layout.bounds.bottom, area.bottom);
        }
        if (layout.primary < 0 ||
            (o.x == 0 && o.y == 0 &&
             (outputs[layout.primary].x != 0 || outputs[layout.primary].y != 0))) {
            layout.primary = static_cast<int>(i);
        }
    }
    return layout;
}

}  // namespace portable::wayland
