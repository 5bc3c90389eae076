// The exact way: the argument times 2/pi in fixed point with 256 fractional
// bits (from 1344 bits of 2/pi, enough for the largest double), reduced to the
// nearest quarter turn, and the Taylor series summed in the same fixed point.
// The result is within about 2^-186 of the true value relative to it, where
// the hardest doubles to round need some 2^-120, so rounding it gives the
// correctly rounded double. Integer arithmetic only: exact, and the same on
// every processor.
#include <bit>
#include <cstdint>
#include <iterator>

#include "scene/numeric.h"
#include "scene/trig.h"
#include "scene/trig_tables.h"

namespace {

constexpr int fraction_limbs = 8;
constexpr int limbs = fraction_limbs + 1;

// A non-negative number in fixed point: limb[j] has weight
// 2^(32 (j - fraction_limbs)); the top limb holds the integer part modulo 2^32.
struct fixed {
    std::uint32_t limb[limbs] = {};
};

bool is_zero(const fixed& a) {
    for (std::uint32_t l : a.limb) {
        if (l) return false;
    }
    return true;
}

// Adds value * 2^weight, dropping the bits below the last fraction limb and
// above the integer limb.
void add_scaled(fixed& a, std::uint64_t value, int weight) {
    int shift = weight + 32 * fraction_limbs;  // bit position of value's lowest bit
    if (shift < 0) {
        if (shift <= -64) return;
        value >>= -shift;
        shift = 0;
    }
    const int at = shift / 32;
    const int bit = shift % 32;
    if (at >= limbs) return;
    const std::uint64_t low = value << bit;
    const std::uint64_t high = bit ? value >> (64 - bit) : 0;
    const std::uint32_t pieces[3] = {static_cast<std::uint32_t>(low),
                                     static_cast<std::uint32_t>(low >> 32),
                                     static_cast<std::uint32_t>(high)};
    std::uint64_t carry = 0;
    for (int j = at; j < limbs; ++j) {
        const int p = j - at;
        const std::uint64_t sum = std::uint64_t{a.limb[j]} + (p < 3 ? pieces[p] : 0) + carry;
        a.limb[j] = static_cast<std::uint32_t>(sum);
        carry = sum >> 32;
        if (p >= 2 && carry == 0) break;
    }
}

void add_to(fixed& a, const fixed& b) {
    std::uint64_t carry = 0;
    for (int j = 0; j < limbs; ++j) {
        const std::uint64_t sum = std::uint64_t{a.limb[j]} + b.limb[j] + carry;
        a.limb[j] = static_cast<std::uint32_t>(sum);
        carry = sum >> 32;
    }
}

// a - b, for a >= b.
fixed difference(const fixed& a, const fixed& b) {
    fixed d;
    std::int64_t borrow = 0;
    for (int j = 0; j < limbs; ++j) {
        std::int64_t v = std::int64_t{a.limb[j]} - b.limb[j] - borrow;
        borrow = v < 0 ? 1 : 0;
        if (v < 0) v += std::int64_t{1} << 32;
        d.limb[j] = static_cast<std::uint32_t>(v);
    }
    return d;
}

// a * b, both below 2^32; products wholly below the last fraction limb are
// left out (their sum stays below 2^-280).
fixed product(const fixed& a, const fixed& b) {
    fixed p;
    for (int i = 0; i < limbs; ++i) {
        if (!a.limb[i]) continue;
        for (int j = 0; j < limbs; ++j) {
            if (!b.limb[j] || i + j < fraction_limbs - 2) continue;
            add_scaled(p, std::uint64_t{a.limb[i]} * b.limb[j], 32 * (i + j - 2 * fraction_limbs));
        }
    }
    return p;
}

void divide(fixed& a, std::uint32_t divisor) {
    std::uint64_t rest = 0;
    for (int j = limbs - 1; j >= 0; --j) {
        const std::uint64_t current = (rest << 32) | a.limb[j];
        a.limb[j] = static_cast<std::uint32_t>(current / divisor);
        rest = current % divisor;
    }
}

bool less_than_half(const fixed& fraction) {
    return (fraction.limb[limbs - 2] & 0x80000000u) == 0;
}

fixed half_pi() {
    fixed h;
    h.limb[fraction_limbs] = 1;
    for (int j = 0; j < fraction_limbs; ++j) {
        h.limb[fraction_limbs - 1 - j] = trig_tables::half_pi_bits[j];
    }
    return h;
}

// sin r or cos r for 0 <= r <= pi/4: the alternating Taylor series, its
// positive and negative terms summed apart.
fixed series(const fixed& r, bool sine_series) {
    const fixed square = product(r, r);
    fixed term;
    if (sine_series) {
        term = r;
    } else {
        term.limb[fraction_limbs] = 1;
    }
    fixed positive;
    fixed negative;
    for (std::uint32_t n = sine_series ? 1 : 0, k = 0; !is_zero(term); ++k, n += 2) {
        add_to(k % 2 == 0 ? positive : negative, term);
        term = product(term, square);
        divide(term, (n + 1) * (n + 2));
    }
    return difference(positive, negative);
}

// The nearest double to a fixed-point value in (0, 1], rounding half to even
// (a tie cannot occur for these values at this precision).
double to_double(const fixed& v, bool negative) {
    int top = limbs - 1;
    while (top > 0 && !v.limb[top]) --top;
    const int lead = 31 - std::countl_zero(v.limb[top]);
    // Bit position of the leading one, counted from the lowest bit.
    const int position = 32 * top + lead;
    // The 53 bits from the leading one, then whether the rest is above, at or
    // below half of the last one.
    auto bit_at = [&v](int p) -> std::uint64_t {
        if (p < 0) return 0;
        return (v.limb[p / 32] >> (p % 32)) & 1u;
    };
    std::uint64_t mantissa = 0;
    for (int p = position; p > position - 53; --p) mantissa = (mantissa << 1) | bit_at(p);
    const bool half = bit_at(position - 53) != 0;
    bool beyond = false;
    for (int p = position - 54; p >= 0 && !beyond; --p) beyond = bit_at(p) != 0;
    if (half && (beyond || (mantissa & 1))) ++mantissa;
    int exponent = position - 32 * fraction_limbs;  // the leading one has weight 2^exponent
    if (mantissa >> 53) {
        mantissa >>= 1;
        ++exponent;
    }
    const std::uint64_t bits = (std::uint64_t{negative} << 63) |
                               (static_cast<std::uint64_t>(exponent + 1023) << 52) |
                               (mantissa & ((std::uint64_t{1} << 52) - 1));
    return double_of_bits(bits);
}

enum class wave { sine, cosine };

double evaluate(double x, wave which) {
    const std::uint64_t bits = bits_of(x);
    const bool negative = (bits >> 63) != 0;
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
    int e = -1074;
    if (biased) {
        m |= std::uint64_t{1} << 52;
        e = biased - 1075;
    }
    // y = |x| * 2/pi modulo 2^32: each product of a 32-bit piece of m with one
    // of 2/pi, at its weight; pieces that weigh 2^32 or more vanish modulo 2^32.
    fixed y;
    const std::uint64_t halves[2] = {m & 0xFFFFFFFFu, m >> 32};
    for (int h = 0; h < 2; ++h) {
        for (int i = 0; i < static_cast<int>(std::size(trig_tables::two_over_pi_bits)); ++i) {
            const int weight = e + 32 * h - 32 * (i + 1);
            if (weight >= 32) continue;
            if (weight + 64 < -32 * fraction_limbs) break;
            add_scaled(y, halves[h] * trig_tables::two_over_pi_bits[i], weight);
        }
    }
    // The nearest quarter turn k and the rest, |y - k| <= 1/2.
    std::uint32_t k = y.limb[fraction_limbs];
    fixed rest = y;
    rest.limb[fraction_limbs] = 0;
    bool rest_negative = false;
    if (!less_than_half(rest)) {
        k += 1;
        fixed one;
        one.limb[fraction_limbs] = 1;
        rest = difference(one, rest);
        rest_negative = true;
    }
    const fixed r = product(rest, half_pi());
    // sin(k pi/2 + r) and cos(k pi/2 + r) by the quarter turn; sin(-r) = -sin r.
    const unsigned quarter = (k + (which == wave::cosine ? 1u : 0u)) & 3u;
    const bool use_sine = quarter % 2 == 0;
    bool result_negative = quarter >= 2;
    if (use_sine && rest_negative) result_negative = !result_negative;
    if (which == wave::sine && negative) result_negative = !result_negative;
    return to_double(series(r, use_sine), result_negative);
}

}  // namespace

double exact_sine(double x) {
    if (x != x) return x;
    const double ax = x < 0 ? -x : x;
    if (ax > 0x1.fffffffffffffp1023) return x - x;
    if (ax < 0x1p-26) return x;
    return evaluate(x, wave::sine);
}

double exact_cosine(double x) {
    if (x != x) return x;
    const double ax = x < 0 ? -x : x;
    if (ax > 0x1.fffffffffffffp1023) return x - x;
    if (ax < 0x1p-27) return 1.0;
    return evaluate(x, wave::cosine);
}
