#include "common/saved_rasters.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "common/options.h"

namespace {

std::string raster_path(const std::string& folder, std::string_view line) {
    return folder + "/" + to_hex(line) + ".pbm";
}

// The next whitespace-separated number of a plain PBM, skipping comments.
bool read_number(std::FILE* f, long& value) {
    int c = std::fgetc(f);
    while (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '#') {
        if (c == '#') {
            while (c != '\n' && c != EOF) c = std::fgetc(f);
        }
        c = std::fgetc(f);
    }
    if (c < '0' || c > '9') return false;
    value = 0;
    while (c >= '0' && c <= '9') {
        value = value * 10 + (c - '0');
        if (value > 1 << 20) return false;
        c = std::fgetc(f);
    }
    return true;
}

}  // namespace

void remove_unfinished_output(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(path, error))) {
        std::filesystem::remove(path, error);
    }
}

bool write_line_raster(const std::string& folder, std::string_view line,
                       const pixel_buffer& surface, std::int32_t width, std::int32_t height,
                       std::string& error) {
    static std::set<std::string> written;
    const std::string path = raster_path(folder, line);
    if (written.count(path)) return true;  // the same line, drawn again
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = "cannot write " + path;
        return false;
    }
    bool ok = std::fprintf(f, "P1\n%d %d\n", width, height) > 0;
    std::string row;
    for (std::int32_t y = 0; y < height && ok; ++y) {
        row.clear();
        for (std::int32_t x = 0; x < width; ++x) {
            const bool inside = x < surface.width && y < surface.height;
            const bool on = inside && (pixel_row(surface, y)[x] & 0xFFFFFFu) != 0;
            row.push_back(on ? '1' : '0');
            row.push_back(x + 1 < width ? ' ' : '\n');
        }
        ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
    }
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        remove_unfinished_output(path);
        error = "cannot write " + path + " whole";
        return false;
    }
    written.insert(path);
    return true;
}

const SavedRasters::raster* SavedRasters::load(std::string_view line) {
    const std::string key(line);
    if (const auto found = cache_.find(key); found != cache_.end()) return &found->second;
    const std::string path = raster_path(folder_, line);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error_ = "no raster " + path;
        return nullptr;
    }
    raster r;
    long width = 0;
    long height = 0;
    bool ok = std::fgetc(f) == 'P' && std::fgetc(f) == '1' && read_number(f, width) &&
              read_number(f, height);
    if (ok) {
        r.width = static_cast<std::int32_t>(width);
        r.height = static_cast<std::int32_t>(height);
        r.lit.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        for (std::uint8_t& pixel : r.lit) {
            int c = std::fgetc(f);
            while (c == ' ' || c == '\t' || c == '\r' || c == '\n') c = std::fgetc(f);
            if (c != '0' && c != '1') {
                ok = false;
                break;
            }
            pixel = c == '1';
        }
    }
    std::fclose(f);
    if (!ok) {
        error_ = "damaged raster " + path;
        return nullptr;
    }
    return &cache_.emplace(key, std::move(r)).first->second;
}

surface_rect SavedRasters::draw_line(std::string_view line, text_encoding, pixel_buffer& target) {
    const raster* r = load(line);
    if (!r) return {};
    const std::int32_t w = std::min(r->width, target.width);
    const std::int32_t h = std::min(r->height, target.height);
    for (std::int32_t y = 0; y < h; ++y) {
        std::uint32_t* row = pixel_row(target, y);
        const std::uint8_t* lit = r->lit.data() + static_cast<std::size_t>(y) * r->width;
        for (std::int32_t x = 0; x < w; ++x) row[x] = lit[x] ? 0xFFFFFFu : 0u;
    }
    return {0, 0, r->width, r->height};
}
