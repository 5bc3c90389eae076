// Draws the saver's icon — a red, heart-shaped gift box tied with a yellow
// ribbon — and writes it as an .ico file with 18 images: 96, 72, 64, 48, 32
// and 16 pixels, each in 32 bits with alpha, in 24 bits and in 8 bits with a
// 256-colour palette. Every image is an uncompressed bottom-up DIB followed by
// its 1-bit mask. Runs on the build machine; standard C++ only.
//
// Usage: iconart <output.ico>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct Rgba {
    double r, g, b, a;  // straight (not premultiplied) colour, 0..1
};

constexpr std::array<int, 6> sizes = {96, 72, 64, 48, 32, 16};
constexpr std::array<int, 3> depths = {32, 24, 8};

// The heart: (x² + y² − 1)³ − x²y³ ≤ 0, y up, spanning about x ∈ [−1.14, 1.14],
// y ∈ [−1, 1.25].
double heart(double x, double y) {
    const double a = x * x + y * y - 1.0;
    return a * a * a - x * x * y * y * y;
}

bool inside_ellipse(double x, double y, double cx, double cy, double rx, double ry) {
    const double dx = (x - cx) / rx;
    const double dy = (y - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

// The colour of one point of the artwork in heart coordinates.
Rgba sample(double x, double y) {
    const Rgba clear{0, 0, 0, 0};
    // The bow on top: two loops and a knot, drawn over everything.
    const double bow_y = 1.02;
    const bool knot = inside_ellipse(x, y, 0.0, bow_y, 0.13, 0.11);
    const bool loop_outer = inside_ellipse(x, y, -0.32, bow_y + 0.1, 0.32, 0.2) ||
                            inside_ellipse(x, y, 0.32, bow_y + 0.1, 0.32, 0.2);
    const bool loop_hole = inside_ellipse(x, y, -0.32, bow_y + 0.1, 0.17, 0.08) ||
                           inside_ellipse(x, y, 0.32, bow_y + 0.1, 0.17, 0.08);
    if (knot) return {1.0, 0.78, 0.1, 1};
    if (loop_outer && !loop_hole) return {0.98, 0.84, 0.18, 1};

    const double h = heart(x, y);
    if (h > 0) return clear;
    // Dark rim just inside the edge, so the shape reads at 16 pixels.
    const bool rim = heart(x * 1.07, (y - 0.05) * 1.07 + 0.05) > 0;
    // The ribbon: a vertical band through the middle and a horizontal one.
    const bool band = std::fabs(x) < 0.13 || std::fabs(y - 0.25) < 0.11;
    if (band) {
        const double shade = rim ? 0.75 : 1.0;
        return {1.0 * shade, 0.82 * shade, 0.12 * shade, 1};
    }
    if (rim) return {0.45, 0.02, 0.05, 1};
    // Lit from the top left: lighter red there, deeper towards the tip.
    const double light = std::clamp(0.55 + 0.25 * (y - x) * 0.5, 0.3, 0.85);
    return {0.55 + 0.45 * light, 0.05 + 0.15 * light * light, 0.1 + 0.1 * light, 1};
}

// The image at `size` pixels, top row first, averaged from 4 × 4 samples per pixel.
std::vector<Rgba> render(int size) {
    std::vector<Rgba> image(static_cast<std::size_t>(size) * size);
    constexpr int sub = 4;
    const double span = 2.7;  // heart units across the image
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            Rgba sum{0, 0, 0, 0};
            for (int sy = 0; sy < sub; ++sy) {
                for (int sx = 0; sx < sub; ++sx) {
                    const double u = (px + (sx + 0.5) / sub) / size;
                    const double v = (py + (sy + 0.5) / sub) / size;
                    const double x = (u - 0.5) * span;
                    const double y = (0.5 - v) * span + 0.1;
                    const Rgba c = sample(x, y);
                    sum.r += c.r * c.a;
                    sum.g += c.g * c.a;
                    sum.b += c.b * c.a;
                    sum.a += c.a;
                }
            }
            Rgba& out = image[static_cast<std::size_t>(py) * size + px];
            out.a = sum.a / (sub * sub);
            if (sum.a > 0) {
                out.r = sum.r / sum.a;
                out.g = sum.g / sum.a;
                out.b = sum.b / sum.a;
            }
        }
    }
    return image;
}

std::uint8_t byte_of(double fraction) {
    return static_cast<std::uint8_t>(std::clamp(fraction, 0.0, 1.0) * 255.0 + 0.5);
}

// A fixed palette: a 6 × 6 × 6 colour cube followed by 40 greys.
std::array<std::array<std::uint8_t, 3>, 256> make_palette() {
    std::array<std::array<std::uint8_t, 3>, 256> palette{};
    int n = 0;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette[n++] = {static_cast<std::uint8_t>(r * 51),
                                static_cast<std::uint8_t>(g * 51),
                                static_cast<std::uint8_t>(b * 51)};
    for (int i = 0; n < 256; ++i, ++n) {
        const auto v = static_cast<std::uint8_t>(6 + i * 6);
        palette[n] = {v, v, v};
    }
    return palette;
}

int nearest(const std::array<std::array<std::uint8_t, 3>, 256>& palette, int r, int g, int b) {
    int best = 0;
    int best_distance = 1 << 30;
    for (int i = 0; i < 256; ++i) {
        const int dr = palette[i][0] - r, dg = palette[i][1] - g, db = palette[i][2] - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < best_distance) {
            best_distance = distance;
            best = i;
        }
    }
    return best;
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

int row_bytes(int width, int bits) {
    return ((width * bits + 31) / 32) * 4;
}

// One icon image: header, palette (8 bits), colour rows bottom-up, mask rows bottom-up.
std::vector<std::uint8_t> encode(const std::vector<Rgba>& image, int size, int bits) {
    static const auto palette = make_palette();
    const int color_row = row_bytes(size, bits);
    const int mask_row = row_bytes(size, 1);
    std::vector<std::uint8_t> out;
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(size));
    put32(out, static_cast<std::uint32_t>(size * 2));  // colour image and mask
    put16(out, 1);
    put16(out, static_cast<unsigned>(bits));
    put32(out, 0);  // BI_RGB
    put32(out, static_cast<std::uint32_t>((color_row + mask_row) * size));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    if (bits == 8) {
        for (const auto& entry : palette) {
            out.push_back(entry[2]);
            out.push_back(entry[1]);
            out.push_back(entry[0]);
            out.push_back(0);
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        const std::size_t start = out.size();
        for (int x = 0; x < size; ++x) {
            const Rgba& p = image[static_cast<std::size_t>(y) * size + x];
            const bool opaque = p.a >= 0.5;
            if (bits == 32) {
                out.push_back(byte_of(p.b));
                out.push_back(byte_of(p.g));
                out.push_back(byte_of(p.r));
                out.push_back(byte_of(p.a));
            } else if (bits == 24) {
                out.push_back(opaque ? byte_of(p.b) : 0);
                out.push_back(opaque ? byte_of(p.g) : 0);
                out.push_back(opaque ? byte_of(p.r) : 0);
            } else {
                out.push_back(static_cast<std::uint8_t>(
                    opaque ? nearest(palette, byte_of(p.r), byte_of(p.g), byte_of(p.b)) : 0));
            }
        }
        out.resize(start + static_cast<std::size_t>(color_row), 0);
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(mask_row), 0);
        for (int x = 0; x < size; ++x) {
            // A set mask bit lets the background show through.
            if (image[static_cast<std::size_t>(y) * size + x].a < 0.5) {
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.ico>\n", argv[0]);
        return 2;
    }
    std::vector<std::vector<Rgba>> drawn;
    for (int size : sizes) drawn.push_back(render(size));

    struct Entry {
        int size, bits;
        std::vector<std::uint8_t> data;
    };
    std::vector<Entry> entries;
    for (int bits : depths) {
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            entries.push_back({sizes[i], bits, encode(drawn[i], sizes[i], bits)});
        }
    }

    std::vector<std::uint8_t> file;
    put16(file, 0);
    put16(file, 1);  // icon
    put16(file, static_cast<unsigned>(entries.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const Entry& e : entries) {
        file.push_back(static_cast<std::uint8_t>(e.size));
        file.push_back(static_cast<std::uint8_t>(e.size));
        // The colour-count byte as the module's icon directory carries it:
        // 0 for 32 bits, otherwise the bit depth.
        file.push_back(static_cast<std::uint8_t>(e.bits == 32 ? 0 : e.bits));
        file.push_back(0);
        put16(file, 1);
        put16(file, static_cast<unsigned>(e.bits));
        put32(file, static_cast<std::uint32_t>(e.data.size()));
        put32(file, offset);
        offset += static_cast<std::uint32_t>(e.data.size());
    }
    for (const Entry& e : entries) file.insert(file.end(), e.data.begin(), e.data.end());

    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (std::fclose(out) != 0 || !ok) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
