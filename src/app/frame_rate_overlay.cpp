#include "app/frame_rate_overlay.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/win32.h"

namespace {

// A 5 × 7 pixel font drawn with filled squares: no font to look up, the same
// look at every size, and nothing to do with the message's text machinery.
struct Glyph {
    char character;
    std::array<std::uint8_t, 7> rows;  // bit 4 is the leftmost column
};

constexpr std::array<Glyph, 20> glyphs{{
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
}};

constexpr int glyph_columns = 5;
constexpr int glyph_rows = 7;
constexpr int advance_cells = glyph_columns + 1;
constexpr int line_cells = glyph_rows + 2;
constexpr int box_padding = 2;
constexpr colour_ref text_colour = 0xFFFFFF;
constexpr colour_ref box_colour = 0x000000;

const Glyph* find_glyph(char c) {
    for (const Glyph& g : glyphs) {
        if (g.character == c) return &g;
    }
    return nullptr;
}

// Each run of lit cells in a glyph row is one fill.
void draw_glyph(DrawingSurface& surface, const Glyph& glyph, int x, int y, int cell) {
    for (int row = 0; row < glyph_rows; ++row) {
        const unsigned bits = glyph.rows[static_cast<std::size_t>(row)];
        int column = 0;
        while (column < glyph_columns) {
            if (!(bits & (0x10u >> column))) {
                ++column;
                continue;
            }
            const int first = column;
            while (column < glyph_columns && (bits & (0x10u >> column))) ++column;
            fill_solid(surface, x + first * cell, y + row * cell, (column - first) * cell, cell,
                       text_colour);
        }
    }
}

void draw_line(DrawingSurface& surface, const std::string& text, int x, int y, int cell) {
    for (char c : text) {
        if (const Glyph* glyph = find_glyph(c)) draw_glyph(surface, *glyph, x, y, cell);
        x += advance_cells * cell;
    }
}

std::string figure_line(const char* label, bool known, double value, const char* unit) {
    char text[48];
    if (known) {
        std::snprintf(text, sizeof text, "%s: %.1f%s", label, value, unit);
    } else {
        std::snprintf(text, sizeof text, "%s: --", label);
    }
    return text;
}

FrameRateCounter live_counter;

std::uint64_t process_cpu_time() {
    FILETIME creation{};
    FILETIME exit{};
    FILETIME kernel{};
    FILETIME user{};
    if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) return 0;
    auto units = [](const FILETIME& t) {
        return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return units(kernel) + units(user);
}

}  // namespace

void count_frame(FrameRateCounter& counter, std::uint32_t now_ms, std::uint64_t cpu_time) {
    if (!counter.started) {
        counter.started = true;
        counter.window_start_ms = now_ms;
        counter.window_start_cpu = cpu_time;
        counter.frames = 0;
        return;
    }
    ++counter.frames;
    const std::uint32_t elapsed = now_ms - counter.window_start_ms;  // across a wrap too
    if (elapsed < 1000) return;
    const double cpu_used = cpu_time >= counter.window_start_cpu
                                ? static_cast<double>(cpu_time - counter.window_start_cpu)
                                : 0.0;
    counter.frames_per_second = counter.frames * 1000.0 / elapsed;
    counter.load_percent = cpu_used / (elapsed * 10000.0) * 100.0;
    counter.has_figures = true;
    counter.window_start_ms = now_ms;
    counter.window_start_cpu = cpu_time;
    counter.frames = 0;
}

std::string frame_rate_line(const FrameRateCounter& counter) {
    return figure_line("FPS", counter.has_figures, counter.frames_per_second, "");
}

std::string load_line(const FrameRateCounter& counter) {
    return figure_line("CPU", counter.has_figures, counter.load_percent, "%");
}

void draw_frame_rate_box(DrawingSurface& surface, const surface_rect& frame,
                         const FrameRateCounter& counter) {
    const std::string lines[] = {frame_rate_line(counter), load_line(counter)};
    // Three screen pixels a font pixel on a 1080-line frame, one in a preview.
    const int cell = std::max(1, (frame.bottom - frame.top) / 360);
    std::size_t longest = 0;
    for (const std::string& line : lines) longest = std::max(longest, line.size());
    const int text_width = static_cast<int>(longest) * advance_cells - 1;
    const int text_height = line_cells + glyph_rows;
    const int box_width = (text_width + 2 * box_padding) * cell;
    const int box_height = (text_height + 2 * box_padding) * cell;
    const int left = frame.left;
    const int top = frame.bottom - box_height;
    fill_solid(surface, left, top, box_width, box_height, box_colour);
    for (int i = 0; i < 2; ++i) {
        draw_line(surface, lines[i], left + box_padding * cell,
                  top + (box_padding + i * line_cells) * cell, cell);
    }
}

void draw_frame_rate(DrawingSurface& surface, const surface_rect& frame) {
    count_frame(live_counter, GetTickCount(), process_cpu_time());
    draw_frame_rate_box(surface, frame, live_counter);
}
