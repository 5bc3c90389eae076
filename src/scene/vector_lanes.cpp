#include "scene/vector_lanes.h"

#include "scene/lane_kernels.h"

namespace {

// Whether the processor runs AVX2 (and the system saves its registers).
bool processor_has_avx2() {
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__)) && \
    !defined(_WIN32)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

constexpr vector_path compiled_path() {
#if defined(__SSE2__)
    return vector_path::sse2;
#elif defined(__wasm_simd128__)
    return vector_path::wasm_simd;
#else
    return vector_path::scalar;
#endif
}

bool chosen = false;
vector_path in_use = vector_path::scalar;

}  // namespace

vector_path best_vector_path() {
    static const vector_path best =
        avx2_kernels() && processor_has_avx2() ? vector_path::avx2 : compiled_path();
    return best;
}

vector_path current_vector_path() {
    if (!chosen) {
        in_use = best_vector_path();
        chosen = true;
    }
    return in_use;
}

bool use_vector_path(vector_path path) {
    const bool available = path == vector_path::scalar || path == compiled_path() ||
                           (path == vector_path::avx2 && best_vector_path() == vector_path::avx2);
    if (!available) return false;
    in_use = path;
    chosen = true;
    return true;
}

const char* vector_path_name(vector_path path) {
    switch (path) {
        case vector_path::sse2:
            return "sse2";
        case vector_path::avx2:
            return "avx2";
        case vector_path::wasm_simd:
            return "wasm-simd";
        default:
            return "scalar";
    }
}
