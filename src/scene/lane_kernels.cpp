// The kernel tables of the paths every build of its processor has: plain
// doubles, SSE2 on x86, SIMD in WebAssembly. AVX2 is in lane_kernels_avx2.cpp.
#include "scene/lane_kernels.h"

#include "scene/lane_kernel_bodies.h"

namespace {

constexpr lane_kernels scalar_kernels = kernel_table<scalar_lanes>();
#if defined(__SSE2__)
constexpr lane_kernels sse2_kernels = kernel_table<sse2_lanes>();
#endif
#if defined(__wasm_simd128__)
constexpr lane_kernels wasm_kernels = kernel_table<wasm_lanes>();
#endif

}  // namespace

const lane_kernels& kernels_for(vector_path path) {
    switch (path) {
#if defined(__SSE2__)
        case vector_path::sse2:
            return sse2_kernels;
#endif
#if defined(__wasm_simd128__)
        case vector_path::wasm_simd:
            return wasm_kernels;
#endif
        case vector_path::avx2:
            if (const lane_kernels* wide = avx2_kernels()) return *wide;
            return scalar_kernels;
        default:
            return scalar_kernels;
    }
}
