// Conversions from 64-bit floats to integers: truncation toward zero, with
// values beyond the integer range held at its ends (and NaN read as 0) so that
// no conversion is ever undefined.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

inline std::int32_t trunc_to_int(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0) return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483649.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}
