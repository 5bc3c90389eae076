// A stand-in for the text functions: each line is drawn as rectangles the test
// chose, with the extent the test chose, so that what the emitter reads back
// is known pixel by pixel. Lines it was not told about measure 0 × 0.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "text/line_rasteriser.h"

class FakeRasteriser final : public line_rasteriser {
public:
    struct drawing {
        surface_rect extent;
        std::vector<surface_rect> lit;  // filled white, clipped to the extent and the target
    };

    void set(std::string line, drawing d) { lines_[std::move(line)] = std::move(d); }

    void choose_font(std::string_view message, text_encoding) override {
        font_for = std::string(message);
    }

    surface_rect draw_line(std::string_view line, text_encoding, pixel_buffer& target) override {
        ++draws;
        const auto found = lines_.find(std::string(line));
        if (found == lines_.end()) return {};
        const surface_rect& e = found->second.extent;
        for (const surface_rect& r : found->second.lit) {
            const std::int32_t bottom = std::min({r.bottom, e.bottom, target.height});
            const std::int32_t right = std::min({r.right, e.right, target.width});
            for (std::int32_t y = std::max(r.top, 0); y < bottom; ++y) {
                for (std::int32_t x = std::max(r.left, 0); x < right; ++x) {
                    pixel_row(target, y)[x] = 0xFFFFFF;
                }
            }
        }
        return e;
    }

    std::string font_for;  // the message the font was last chosen for
    int draws = 0;

private:
    std::map<std::string, drawing> lines_;
};
