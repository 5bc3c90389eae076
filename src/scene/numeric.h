// Conversions from 64-bit floats to integers: truncation toward zero, with
// values beyond the integer range held at its ends (and NaN read as 0) so that
// no conversion is ever undefined. Also the bits of a 64-bit float and back.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

inline std::int32_t trunc_to_int(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0) return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483649.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// The IEEE bits of a double, and the double of given bits: what std::bit_cast
// does, written with memcpy because the standard library of Debian's
// emscripten (libc++ 13) has no std::bit_cast.
inline std::uint64_t bits_of(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline double double_of_bits(std::uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
