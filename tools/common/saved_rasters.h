// Line rasters on disk: what the emitter read back for each line, as a plain
// PBM file named after the line's bytes in hex (DIR/<hex>.pbm; ".pbm" for the
// empty line). The trace tool writes them; a rasteriser that reads them back
// lets another build (another platform, the browser's core under Node) run
// the animation on exactly the same text pixels.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "text/line_rasteriser.h"

// Writes the line's raster (width × height, 1 where the surface is lit;
// outside the surface 0) unless that line was written already. False when the
// file cannot be written whole.
bool write_line_raster(const std::string& folder, std::string_view line,
                       const pixel_buffer& surface, std::int32_t width, std::int32_t height,
                       std::string& error);

// Removes a file the tools could not write whole, so that no half-written
// output is left to mislead a later run; only when the path names a regular
// file (a device such as /dev/full, a pipe or a link stays as it is).
void remove_unfinished_output(const std::string& path);

class SavedRasters final : public line_rasteriser {
public:
    explicit SavedRasters(std::string folder) : folder_(std::move(folder)) {}

    void choose_font(std::string_view, text_encoding) override {}
    // Lit pixels become white; a missing or damaged file is a failure that
    // `failed` reports (the line then measures 0 × 0).
    surface_rect draw_line(std::string_view line, text_encoding encoding,
                           pixel_buffer& target) override;

    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }

private:
    struct raster {
        std::int32_t width = 0;
        std::int32_t height = 0;
        std::vector<std::uint8_t> lit;
    };
    const raster* load(std::string_view line);

    std::string folder_;
    std::map<std::string, raster> cache_;
    std::string error_;
};
