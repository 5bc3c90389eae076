// The kernel table of AVX2: four doubles at a time, on x86 processors that
// have it (chosen at run time). This file alone is compiled for AVX2, and only
// what follows the switch below is; the kernels' bodies come in unnamed, so no
// other file's code can be replaced by this file's copies. No fused
// multiply-add: AVX2 does not imply it, and contraction is off throughout.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "scene/lane_kernels.h"
#include "scene/numeric.h"
#include "scene/particle.h"
#include "scene/sea_scene.h"

// Not on Windows: GCC there does not align the stack to the 32 bytes its
// spills of AVX registers assume, so those builds keep to SSE2.
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__)) && \
    !defined(_WIN32)
#define NUVEX_AVX2_KERNELS 1
#endif

#if NUVEX_AVX2_KERNELS
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
#include <immintrin.h>

namespace {

struct avx2_lanes {
    static constexpr int width = 4;
    using value = __m256d;
    using mask = __m256d;
    static value load(const double* p) { return _mm256_loadu_pd(p); }
    static void store(double* p, value v) { _mm256_storeu_pd(p, v); }
    static value gather(const double* const* p) {
        return _mm256_set_pd(*p[3], *p[2], *p[1], *p[0]);
    }
    static void scatter(double* const* p, value v) {
        const __m128d low = _mm256_castpd256_pd128(v);
        const __m128d high = _mm256_extractf128_pd(v, 1);
        _mm_storel_pd(p[0], low);
        _mm_storeh_pd(p[1], low);
        _mm_storel_pd(p[2], high);
        _mm_storeh_pd(p[3], high);
    }
    // Three doubles in a row at each place: four are read (the fourth, of the
    // same record, is dropped).
    static void gather3(const double* const* p, value& a, value& b, value& c) {
        value unused;
        gather4(p, a, b, c, unused);
    }
    static void gather4(const double* const* p, value& a, value& b, value& c, value& d) {
        // Four rows of (a, b, c, d), turned into columns.
        const __m256d r0 = _mm256_loadu_pd(p[0]);
        const __m256d r1 = _mm256_loadu_pd(p[1]);
        const __m256d r2 = _mm256_loadu_pd(p[2]);
        const __m256d r3 = _mm256_loadu_pd(p[3]);
        const __m256d low01 = _mm256_unpacklo_pd(r0, r1);   // a0 a1 c0 c1
        const __m256d high01 = _mm256_unpackhi_pd(r0, r1);  // b0 b1 d0 d1
        const __m256d low23 = _mm256_unpacklo_pd(r2, r3);   // a2 a3 c2 c3
        const __m256d high23 = _mm256_unpackhi_pd(r2, r3);  // b2 b3 d2 d3
        a = _mm256_permute2f128_pd(low01, low23, 0x20);
        b = _mm256_permute2f128_pd(high01, high23, 0x20);
        c = _mm256_permute2f128_pd(low01, low23, 0x31);
        d = _mm256_permute2f128_pd(high01, high23, 0x31);
    }
    static void scatter4(double* const* p, value a, value b, value c, value d) {
        const __m256d ab_even = _mm256_unpacklo_pd(a, b);  // a0 b0 a2 b2
        const __m256d ab_odd = _mm256_unpackhi_pd(a, b);   // a1 b1 a3 b3
        const __m256d cd_even = _mm256_unpacklo_pd(c, d);  // c0 d0 c2 d2
        const __m256d cd_odd = _mm256_unpackhi_pd(c, d);   // c1 d1 c3 d3
        _mm256_storeu_pd(p[0], _mm256_permute2f128_pd(ab_even, cd_even, 0x20));
        _mm256_storeu_pd(p[1], _mm256_permute2f128_pd(ab_odd, cd_odd, 0x20));
        _mm256_storeu_pd(p[2], _mm256_permute2f128_pd(ab_even, cd_even, 0x31));
        _mm256_storeu_pd(p[3], _mm256_permute2f128_pd(ab_odd, cd_odd, 0x31));
    }
    static void truncate(value v, std::int32_t* out) {
        const __m256d inside =
            _mm256_and_pd(_mm256_cmp_pd(v, _mm256_set1_pd(2147483648.0), _CMP_LT_OQ),
                          _mm256_cmp_pd(v, _mm256_set1_pd(-2147483649.0), _CMP_GT_OQ));
        if (_mm256_movemask_pd(inside) == 0xF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_cvttpd_epi32(v));
            return;
        }
        double lanes[4];
        _mm256_storeu_pd(lanes, v);
        for (int k = 0; k < 4; ++k) out[k] = trunc_to_int(lanes[k]);
    }
    static value splat(double x) { return _mm256_set1_pd(x); }
    static value add(value a, value b) { return _mm256_add_pd(a, b); }
    static value sub(value a, value b) { return _mm256_sub_pd(a, b); }
    static value mul(value a, value b) { return _mm256_mul_pd(a, b); }
    static value div(value a, value b) { return _mm256_div_pd(a, b); }
    static value sqrt(value a) { return _mm256_sqrt_pd(a); }
    static mask greater(value a, value b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
    static value select(mask m, value yes, value no) { return _mm256_blendv_pd(no, yes, m); }
    static mask flags(const bool* f) {
        return _mm256_castsi256_pd(
            _mm256_set_epi64x(-static_cast<long long>(f[3]), -static_cast<long long>(f[2]),
                              -static_cast<long long>(f[1]), -static_cast<long long>(f[0])));
    }
    static void store_flags(bool* f, mask m) {
        const int bits = _mm256_movemask_pd(m);
        for (int k = 0; k < 4; ++k) f[k] = (bits >> k & 1) != 0;
    }
    static mask both(mask a, mask b) { return _mm256_and_pd(a, b); }
    static mask pick(mask m, mask yes, mask no) { return select(m, yes, no); }
    static bool same_bits(value v, const std::uint64_t* keys) {
        const __m256i kept = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(keys));
        return _mm256_movemask_pd(
                   _mm256_castsi256_pd(_mm256_cmpeq_epi64(_mm256_castpd_si256(v), kept))) == 0xF;
    }
    static void store_bits(std::uint64_t* keys, value v) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(keys), _mm256_castpd_si256(v));
    }
    static mask but_not(mask a, mask b) { return _mm256_andnot_pd(b, a); }
};

}  // namespace

#include "scene/lane_kernel_bodies.h"

namespace {

// The coupling with a node's three colours and its height difference in one
// register: X holds (red, green, blue, height), which the differences are
// taken of, and Y (red, green, blue, accel), which they move; the colours of
// the two are kept the same. One exchange is then one subtraction, one or two
// multiplications (the diagonal weight touches only the height's lane; the
// colours' lanes are multiplied by 1, which changes nothing), one addition to
// one node and one subtraction from the other: the same operations on the
// same values as channel by channel.
static_assert(offsetof(Particle, green) == offsetof(Particle, red) + sizeof(double) &&
                  offsetof(Particle, blue) == offsetof(Particle, red) + 2 * sizeof(double),
              "the colours lie side by side");

struct packed_node {
    __m256d x;
    __m256d y;
    bool visible;
};

packed_node load_packed(const Particle& node) {
    const __m256d colours = _mm256_loadu_pd(&node.red);  // red, green, blue, what follows
    return {_mm256_blend_pd(colours, _mm256_broadcast_sd(&node.height), 0x8),
            _mm256_blend_pd(colours, _mm256_broadcast_sd(&node.accel), 0x8), node.visible != 0};
}

// A node read for the first time in a step, with its restoring force (see
// load_restored).
packed_node load_packed_restored(const Particle& node, double spring) {
    const __m256d colours = _mm256_loadu_pd(&node.red);
    const __m256d accel = _mm256_set1_pd(restoring_accel(node, spring));
    return {_mm256_blend_pd(colours, _mm256_broadcast_sd(&node.height), 0x8),
            _mm256_blend_pd(colours, accel, 0x8), node.visible != 0};
}

void store_packed(Particle& node, const packed_node& n) {
    const __m128d red_green = _mm256_castpd256_pd128(n.y);
    const __m128d blue_accel = _mm256_extractf128_pd(n.y, 1);
    _mm_storeu_pd(&node.red, red_green);
    _mm_store_sd(&node.blue, blue_accel);
    _mm_storeh_pd(&node.accel, blue_accel);
}

// A pair along a row or a column has no weight (multiplying by 1 would change
// nothing but lengthen the chain of arithmetic through the node).
// Only visible pairs exchange; Checked says whether that is still to be seen.
template <bool Diagonal, bool Checked = true>
inline void couple_packed(packed_node& P, packed_node& Q, __m256d diagonal) {
    if (Checked && (!P.visible || !Q.visible)) return;
    __m256d g = _mm256_mul_pd(_mm256_sub_pd(Q.x, P.x), _mm256_set1_pd(coupling));
    if constexpr (Diagonal) g = _mm256_mul_pd(g, diagonal);
    P.y = _mm256_add_pd(P.y, g);
    Q.y = _mm256_sub_pd(Q.y, g);
    P.x = _mm256_blend_pd(P.y, P.x, 0x8);
    Q.x = _mm256_blend_pd(Q.y, Q.x, 0x8);
}

// One line of cells, as cell_line works it, on packed nodes.
struct packed_line {
    Particle* row = nullptr;
    Particle* next = nullptr;
    double spring = 0;
    std::int32_t cols = 0;
    packed_node A{};
    packed_node C{};

    void start() {
        A = load_packed(row[0]);
        C = load_packed_restored(next[0], spring);
    }
    void cell(std::int32_t j, __m256d diagonal) {
        prefetch_ahead(next, j, cols);
        packed_node B = load_packed(row[j + 1]);
        packed_node D = load_packed_restored(next[j + 1], spring);
        // Inside the sea all four corners are visible: one test serves the
        // cell's four exchanges.
        if (A.visible & B.visible & C.visible & D.visible) {
            couple_packed<false, false>(A, B, diagonal);
            couple_packed<false, false>(A, C, diagonal);
            couple_packed<true, false>(A, D, diagonal);
            couple_packed<true, false>(B, C, diagonal);
        } else {
            couple_packed<false>(A, B, diagonal);
            couple_packed<false>(A, C, diagonal);
            couple_packed<true>(A, D, diagonal);
            couple_packed<true>(B, C, diagonal);
        }
        store_packed(row[j], A);
        store_packed(next[j], C);
        A = B;
        C = D;
    }
    void finish(std::int32_t cells) {
        store_packed(row[cells], A);
        store_packed(next[cells], C);
    }
};

// Up to four lines, each two cells behind the one before (see
// couple_two_rows): every node still sees its exchanges in the order of the
// cells row by row, while the lines' chains of arithmetic run side by side.
void couple_packed_lines(const SeaScene& scene, std::int32_t first, int count) {
    constexpr std::int32_t lag = 2;
    const std::int32_t cells = scene.cols - 1;
    if (cells <= 0) {
        for (int k = 1; k <= count; ++k) restore_row(scene, scene.grid[first + k].get());
        return;
    }
    const __m256d diagonal = _mm256_set_pd(diagonal_weight, 1.0, 1.0, 1.0);
    packed_line l0, l1, l2, l3;
    packed_line* lines[4] = {&l0, &l1, &l2, &l3};
    for (int k = 0; k < count; ++k) {
        lines[k]->row = scene.grid[first + k].get();
        lines[k]->next = scene.grid[first + k + 1].get();
        lines[k]->spring = scene.spring;
        lines[k]->cols = scene.cols;
    }
    auto one = [&](packed_line& line, int k, std::int32_t j) {
        const std::int32_t cell = j - lag * k;
        if (k >= count || cell < 0 || cell >= cells) return;
        if (cell == 0) line.start();
        line.cell(cell, diagonal);
        if (cell == cells - 1) line.finish(cells);
    };
    const std::int32_t steps = cells + lag * (count - 1);
    std::int32_t j = 0;
    // While the lines join, and again once all four are at work between
    // their first and last cells, where nothing needs checking.
    const std::int32_t all_from = lag * 3 + 1;  // after the last line's first cell
    const std::int32_t all_until = cells - 1;
    for (; j < steps && (count < 4 || j < all_from || j >= all_until); ++j) {
        if (count == 4 && j >= all_from && j < all_until) break;
        one(l0, 0, j);
        one(l1, 1, j);
        one(l2, 2, j);
        one(l3, 3, j);
    }
    for (; count == 4 && j < all_until; ++j) {
        l0.cell(j, diagonal);
        l1.cell(j - lag, diagonal);
        l2.cell(j - 2 * lag, diagonal);
        l3.cell(j - 3 * lag, diagonal);
    }
    for (; j < steps; ++j) {
        one(l0, 0, j);
        one(l1, 1, j);
        one(l2, 2, j);
        one(l3, 3, j);
    }
}

// The cloud's step four particles at a time, as move_particle_group takes
// them, in fewer instructions: each particle's flags and height come with the
// rest of its cache line in the same loads, the node under it is worked out
// four-wide and the sea's heights are fetched with one gather.
void move_particles_avx2(SeaScene& scene, TextParticle* items, double* velocities, int count,
                         const double* heights, double floor_height) {
    static_assert(
        offsetof(TextParticle, visible) == offsetof(TextParticle, size) + 4 &&
            offsetof(TextParticle, released) == offsetof(TextParticle, size) + 5 &&
            offsetof(TextParticle, height) == offsetof(TextParticle, size) + 8 &&
            offsetof(TextParticle, green) + 2 * sizeof(double) == offsetof(TextParticle, size),
        "green, blue, the flags and the height fill the line's second half");
    const node_lookup<avx2_lanes> lookup(scene);
    const __m256d columns = _mm256_set1_pd(scene.cols);
    const __m256d floor = _mm256_set1_pd(floor_height);
    const __m256d gravity = _mm256_set1_pd(scene.gravity);
    const __m256i visible_byte = _mm256_set1_epi64x(0xFFll << 32);
    const __m256i released_byte = _mm256_set1_epi64x(0xFFll << 40);
    const __m256i zero = _mm256_setzero_si256();
    const bool ride = scene.follow == 0;
    int p = 0;
    for (; p + 4 <= count; p += 4) {
        if (p + prefetch_distance < count) prefetch_line(items + p + prefetch_distance, true);
        TextParticle* group = items + p;
        const double* front[4] = {&group[0].x, &group[1].x, &group[2].x, &group[3].x};
        const double* back[4] = {&group[0].green, &group[1].green, &group[2].green,
                                 &group[3].green};
        __m256d x, y, z, red, green, blue, flags, height;
        avx2_lanes::gather4(front, x, y, z, red);
        avx2_lanes::gather4(back, green, blue, flags, height);
        const __m256i bits = _mm256_castpd_si256(flags);
        const __m256d held =
            _mm256_castsi256_pd(_mm256_cmpeq_epi64(_mm256_and_si256(bits, released_byte), zero));
        const int hidden = _mm256_movemask_pd(
            _mm256_castsi256_pd(_mm256_cmpeq_epi64(_mm256_and_si256(bits, visible_byte), zero)));
        const int released = ~_mm256_movemask_pd(held) & 0xF;
        // Falling, while above the floor: released particles only.
        if (released) {
            const __m256d falls = _mm256_andnot_pd(held, _mm256_cmp_pd(z, floor, _CMP_GT_OQ));
            __m256d velocity = _mm256_loadu_pd(velocities + p);
            velocity = _mm256_blendv_pd(velocity, _mm256_add_pd(velocity, gravity), falls);
            z = _mm256_blendv_pd(z, _mm256_add_pd(z, velocity), falls);
            _mm256_storeu_pd(velocities + p, velocity);
        }
        // Staining, in the list's order.
        for (int stains = released & ~hidden; stains; stains &= stains - 1) {
            const TextParticle& t = group[__builtin_ctz(static_cast<unsigned>(stains))];
            stain(scene, t.x, t.y, t.red, t.green, t.blue);
        }
        // The node under each, whose cell indices are whole numbers below
        // 1024: their row-major index is exact in a double.
        const __m256d row = _mm256_round_pd(
            lookup.clamped(
                _mm256_add_pd(lookup.half_rows, _mm256_mul_pd(x, lookup.inverse_spacing)),
                lookup.last_row),
            _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        const __m256d column = _mm256_round_pd(
            lookup.clamped(
                _mm256_add_pd(lookup.half_cols, _mm256_mul_pd(y, lookup.inverse_spacing)),
                lookup.last_col),
            _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        const __m128i index =
            _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(row, columns), column));
        const __m256d sea_z =
            _mm256_mask_i32gather_pd(_mm256_setzero_pd(), heights, index,
                                     _mm256_castsi256_pd(_mm256_set1_epi64x(-1)), sizeof(double));
        const __m256d visible = _mm256_cmp_pd(z, sea_z, _CMP_GT_OQ);
        const int now_visible = _mm256_movemask_pd(visible);
        for (int k = 0; k < 4; ++k)
            group[k].visible = static_cast<std::uint8_t>(now_visible >> k & 1);
        if (ride) {
            z = _mm256_blendv_pd(z, _mm256_add_pd(sea_z, height), _mm256_and_pd(visible, held));
        }
        const __m128d low = _mm256_castpd256_pd128(z);
        const __m128d high = _mm256_extractf128_pd(z, 1);
        _mm_storel_pd(&group[0].z, low);
        _mm_storeh_pd(&group[1].z, low);
        _mm_storel_pd(&group[2].z, high);
        _mm_storeh_pd(&group[3].z, high);
    }
    if (p < count) {
        const node_lookup<scalar_lanes> single(scene);
        for (; p < count; ++p) {
            move_particle_group<scalar_lanes>(scene, items, velocities, p, heights, single,
                                              floor_height);
        }
    }
}

lane_kernels avx2_table() {
    lane_kernels table = kernel_table<avx2_lanes>();
    table.couple_lines = couple_packed_lines;
    table.move_particles = move_particles_avx2;
    table.lines_together = 4;
    return table;
}

const lane_kernels table = avx2_table();

}  // namespace

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

const lane_kernels* avx2_kernels() {
    return &table;
}

#else

const lane_kernels* avx2_kernels() {
    return nullptr;
}

#endif
