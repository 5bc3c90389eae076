// Two doubles worked on at once where the processor can (SSE2 on x86,
// WebAssembly SIMD in the browser), four with AVX2 (lane_kernels_avx2.cpp),
// one at a time elsewhere. Every lane does exactly the IEEE operations a
// plain double would, in the same order (no reassociation, no fused
// multiply-add), so every path gives the same bits: the loops over grid nodes
// and particles are written once, as templates over these lane types
// (lane_kernel_bodies.h), and a test runs the animation on each path and
// compares.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "scene/numeric.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

enum class vector_path { scalar, sse2, avx2, wasm_simd };

// The widest path this build and processor have; the one in use (the widest,
// unless a test or tool chose another); choosing one this build or processor
// lacks changes nothing.
vector_path best_vector_path();
vector_path current_vector_path();
bool use_vector_path(vector_path path);
const char* vector_path_name(vector_path path);

// Each lane type has: load/store (consecutive doubles), gather/scatter (one
// double at each of `width` places), gather3 (three doubles in a row at each
// place: x, y and z of successive records), gather4/scatter4 (four doubles in a
// row at each place, read or written as four values), arithmetic, comparison into a
// mask, select, masks from and to flags, and truncation to 32-bit integers as
// trunc_to_int does it.
struct scalar_lanes {
    static constexpr int width = 1;
    using value = double;
    using mask = bool;
    static value load(const double* p) { return p[0]; }
    static void store(double* p, value v) { p[0] = v; }
    static value gather(const double* const* p) { return *p[0]; }
    static void scatter(double* const* p, value v) { *p[0] = v; }
    static void gather3(const double* const* p, value& a, value& b, value& c) {
        a = p[0][0];
        b = p[0][1];
        c = p[0][2];
    }
    static void gather4(const double* const* p, value& a, value& b, value& c, value& d) {
        a = p[0][0];
        b = p[0][1];
        c = p[0][2];
        d = p[0][3];
    }
    static void scatter4(double* const* p, value a, value b, value c, value d) {
        p[0][0] = a;
        p[0][1] = b;
        p[0][2] = c;
        p[0][3] = d;
    }
    static value splat(double x) { return x; }
    static value add(value a, value b) { return a + b; }
    static value sub(value a, value b) { return a - b; }
    static value mul(value a, value b) { return a * b; }
    static value div(value a, value b) { return a / b; }
    static value sqrt(value a) { return std::sqrt(a); }
    static mask greater(value a, value b) { return a > b; }
    static value select(mask m, value yes, value no) { return m ? yes : no; }
    static mask flags(const bool* f) { return f[0]; }
    static void store_flags(bool* f, mask m) { f[0] = m; }
    static mask both(mask a, mask b) { return a && b; }
    static mask but_not(mask a, mask b) { return a && !b; }
    static mask pick(mask m, mask yes, mask no) { return m ? yes : no; }
    // Whether every lane holds exactly the bits kept in `keys`; keeping them.
    static bool same_bits(value v, const std::uint64_t* keys) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return bits == keys[0];
    }
    static void store_bits(std::uint64_t* keys, value v) { std::memcpy(keys, &v, sizeof v); }
    static void truncate(value v, std::int32_t* out) { out[0] = trunc_to_int(v); }
};

#if defined(__SSE2__)
struct sse2_lanes {
    static constexpr int width = 2;
    using value = __m128d;
    using mask = __m128d;
    static value load(const double* p) { return _mm_loadu_pd(p); }
    static void store(double* p, value v) { _mm_storeu_pd(p, v); }
    static value gather(const double* const* p) { return _mm_loadh_pd(_mm_load_sd(p[0]), p[1]); }
    static void scatter(double* const* p, value v) {
        _mm_storel_pd(p[0], v);
        _mm_storeh_pd(p[1], v);
    }
    static void gather3(const double* const* p, value& a, value& b, value& c) {
        const __m128d first = _mm_loadu_pd(p[0]);
        const __m128d second = _mm_loadu_pd(p[1]);
        a = _mm_unpacklo_pd(first, second);
        b = _mm_unpackhi_pd(first, second);
        c = _mm_loadh_pd(_mm_load_sd(p[0] + 2), p[1] + 2);
    }
    static void gather4(const double* const* p, value& a, value& b, value& c, value& d) {
        const __m128d first_low = _mm_loadu_pd(p[0]);
        const __m128d second_low = _mm_loadu_pd(p[1]);
        const __m128d first_high = _mm_loadu_pd(p[0] + 2);
        const __m128d second_high = _mm_loadu_pd(p[1] + 2);
        a = _mm_unpacklo_pd(first_low, second_low);
        b = _mm_unpackhi_pd(first_low, second_low);
        c = _mm_unpacklo_pd(first_high, second_high);
        d = _mm_unpackhi_pd(first_high, second_high);
    }
    static void scatter4(double* const* p, value a, value b, value c, value d) {
        _mm_storeu_pd(p[0], _mm_unpacklo_pd(a, b));
        _mm_storeu_pd(p[1], _mm_unpackhi_pd(a, b));
        _mm_storeu_pd(p[0] + 2, _mm_unpacklo_pd(c, d));
        _mm_storeu_pd(p[1] + 2, _mm_unpackhi_pd(c, d));
    }
    static value splat(double x) { return _mm_set1_pd(x); }
    static value add(value a, value b) { return _mm_add_pd(a, b); }
    static value sub(value a, value b) { return _mm_sub_pd(a, b); }
    static value mul(value a, value b) { return _mm_mul_pd(a, b); }
    static value div(value a, value b) { return _mm_div_pd(a, b); }
    static value sqrt(value a) { return _mm_sqrt_pd(a); }
    static mask greater(value a, value b) { return _mm_cmpgt_pd(a, b); }
    static value select(mask m, value yes, value no) {
        return _mm_or_pd(_mm_and_pd(m, yes), _mm_andnot_pd(m, no));
    }
    static mask flags(const bool* f) {
        return _mm_castsi128_pd(
            _mm_set_epi64x(-static_cast<long long>(f[1]), -static_cast<long long>(f[0])));
    }
    static void store_flags(bool* f, mask m) {
        const int bits = _mm_movemask_pd(m);
        f[0] = (bits & 1) != 0;
        f[1] = (bits & 2) != 0;
    }
    static mask both(mask a, mask b) { return _mm_and_pd(a, b); }
    static mask but_not(mask a, mask b) { return _mm_andnot_pd(b, a); }
    static mask pick(mask m, mask yes, mask no) { return select(m, yes, no); }
    static bool same_bits(value v, const std::uint64_t* keys) {
        const __m128i kept = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys));
        return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_castpd_si128(v), kept)) == 0xFFFF;
    }
    static void store_bits(std::uint64_t* keys, value v) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(keys), _mm_castpd_si128(v));
    }
    static void truncate(value v, std::int32_t* out) {
        // In range (and not a NaN), the processor's truncation is the same.
        const __m128d inside = _mm_and_pd(_mm_cmplt_pd(v, _mm_set1_pd(2147483648.0)),
                                          _mm_cmpgt_pd(v, _mm_set1_pd(-2147483649.0)));
        if (_mm_movemask_pd(inside) == 3) {
            const __m128i t = _mm_cvttpd_epi32(v);
            out[0] = _mm_cvtsi128_si32(t);
            out[1] = _mm_cvtsi128_si32(_mm_shuffle_epi32(t, 1));
            return;
        }
        double lanes[2];
        _mm_storeu_pd(lanes, v);
        out[0] = trunc_to_int(lanes[0]);
        out[1] = trunc_to_int(lanes[1]);
    }
};
#endif

#if defined(__wasm_simd128__)
struct wasm_lanes {
    static constexpr int width = 2;
    using value = v128_t;
    using mask = v128_t;
    static value load(const double* p) { return wasm_v128_load(p); }
    static void store(double* p, value v) { wasm_v128_store(p, v); }
    static value gather(const double* const* p) { return wasm_f64x2_make(*p[0], *p[1]); }
    static void scatter(double* const* p, value v) {
        *p[0] = wasm_f64x2_extract_lane(v, 0);
        *p[1] = wasm_f64x2_extract_lane(v, 1);
    }
    static void gather3(const double* const* p, value& a, value& b, value& c) {
        const v128_t first = wasm_v128_load(p[0]);
        const v128_t second = wasm_v128_load(p[1]);
        a = wasm_i64x2_shuffle(first, second, 0, 2);
        b = wasm_i64x2_shuffle(first, second, 1, 3);
        c = wasm_f64x2_make(p[0][2], p[1][2]);
    }
    static void gather4(const double* const* p, value& a, value& b, value& c, value& d) {
        const v128_t first_low = wasm_v128_load(p[0]);
        const v128_t second_low = wasm_v128_load(p[1]);
        const v128_t first_high = wasm_v128_load(p[0] + 2);
        const v128_t second_high = wasm_v128_load(p[1] + 2);
        a = wasm_i64x2_shuffle(first_low, second_low, 0, 2);
        b = wasm_i64x2_shuffle(first_low, second_low, 1, 3);
        c = wasm_i64x2_shuffle(first_high, second_high, 0, 2);
        d = wasm_i64x2_shuffle(first_high, second_high, 1, 3);
    }
    static void scatter4(double* const* p, value a, value b, value c, value d) {
        wasm_v128_store(p[0], wasm_i64x2_shuffle(a, b, 0, 2));
        wasm_v128_store(p[1], wasm_i64x2_shuffle(a, b, 1, 3));
        wasm_v128_store(p[0] + 2, wasm_i64x2_shuffle(c, d, 0, 2));
        wasm_v128_store(p[1] + 2, wasm_i64x2_shuffle(c, d, 1, 3));
    }
    static value splat(double x) { return wasm_f64x2_splat(x); }
    static value add(value a, value b) { return wasm_f64x2_add(a, b); }
    static value sub(value a, value b) { return wasm_f64x2_sub(a, b); }
    static value mul(value a, value b) { return wasm_f64x2_mul(a, b); }
    static value div(value a, value b) { return wasm_f64x2_div(a, b); }
    static value sqrt(value a) { return wasm_f64x2_sqrt(a); }
    static mask greater(value a, value b) { return wasm_f64x2_gt(a, b); }
    static value select(mask m, value yes, value no) { return wasm_v128_bitselect(yes, no, m); }
    static mask flags(const bool* f) {
        return wasm_i64x2_make(-static_cast<long long>(f[0]), -static_cast<long long>(f[1]));
    }
    static void store_flags(bool* f, mask m) {
        f[0] = wasm_i64x2_extract_lane(m, 0) != 0;
        f[1] = wasm_i64x2_extract_lane(m, 1) != 0;
    }
    static mask both(mask a, mask b) { return wasm_v128_and(a, b); }
    static mask but_not(mask a, mask b) { return wasm_v128_andnot(a, b); }
    static mask pick(mask m, mask yes, mask no) { return select(m, yes, no); }
    static bool same_bits(value v, const std::uint64_t* keys) {
        return wasm_i64x2_all_true(wasm_i64x2_eq(v, wasm_v128_load(keys)));
    }
    static void store_bits(std::uint64_t* keys, value v) { wasm_v128_store(keys, v); }
    // The saturating truncation is trunc_to_int's own rule: NaN gives 0, a
    // value beyond the range its end.
    static void truncate(value v, std::int32_t* out) {
        const v128_t t = wasm_i32x4_trunc_sat_f64x2_zero(v);
        out[0] = wasm_i32x4_extract_lane(t, 0);
        out[1] = wasm_i32x4_extract_lane(t, 1);
    }
};
#endif
