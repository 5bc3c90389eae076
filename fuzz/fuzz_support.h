// Shared by the fuzz targets: the entry points libFuzzer calls, a check that
// stops the run with the input kept, and the splitting of one input into
// the fields a target needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// A property of the code under test that failed: the fuzzer keeps the input
// that broke it, and the corpus replay fails.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

// On a function of the target's own checks: its comparisons are not traced
// for the fuzzer, which learns nothing from them and would spend most of each
// run tracing them.
#if defined(__clang__)
#define FUZZ_ORACLE __attribute__((no_sanitize("coverage")))
#else
#define FUZZ_ORACLE
#endif

namespace fuzzing {

inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The first `count` fields of `input` ended by a zero byte each, then the rest
// of the input (which may hold zero bytes) as the last field. Missing fields
// are empty.
inline std::vector<std::string> split_fields(std::string_view input, std::size_t count) {
    std::vector<std::string> fields;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t end = input.find('\0');
        if (end == std::string_view::npos) {
            fields.emplace_back(input);
            input = {};
        } else {
            fields.emplace_back(input.substr(0, end));
            input.remove_prefix(end + 1);
        }
    }
    fields.emplace_back(input);
    return fields;
}

// One of the code pages the program runs in, picked by a byte of the input.
inline unsigned code_page_of(std::uint8_t selector) {
    static constexpr unsigned pages[] = {936, 65001, 1252};
    return pages[selector % 3];
}

}  // namespace fuzzing
