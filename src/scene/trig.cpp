// The fast way: the argument reduced by a multiple of pi/2 and the Taylor
// series evaluated in double-double arithmetic (pairs of doubles holding about
// 106 bits), which leaves an error far below 2^-88 of the result. When the
// result, widened by that bound, could round either way (about one argument
// in 2^35), or when the reduction is not precise enough (huge arguments, or
// arguments within 2^-30 of a multiple of pi/2), the exact way decides.
#include "scene/trig.h"

#include <cstdint>

#include "scene/numeric.h"
#include "scene/trig_tables.h"

namespace {

using trig_tables::inverse_factorial;

struct double_double {
    double hi;
    double lo;
};

// a + b exactly, as the rounded sum and its error.
double_double two_sum(double a, double b) {
    const double s = a + b;
    const double v = s - a;
    return {s, (a - (s - v)) + (b - v)};
}

// The same when |a| >= |b|.
double_double fast_two_sum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// a * b exactly, by splitting each factor into halves of 26 bits (no fused
// multiply-add, so that every processor gives the same bits).
double_double two_product(double a, double b) {
    constexpr double splitter = 134217729.0;  // 2^27 + 1
    const double ta = splitter * a;
    const double ah = ta - (ta - a);
    const double al = a - ah;
    const double tb = splitter * b;
    const double bh = tb - (tb - b);
    const double bl = b - bh;
    const double p = a * b;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

double_double multiply(double_double a, double_double b) {
    double_double p = two_product(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return fast_two_sum(p.hi, p.lo);
}

double_double add(double_double a, double_double b) {
    double_double s = two_sum(a.hi, b.hi);
    s.lo += a.lo + b.lo;
    return fast_two_sum(s.hi, s.lo);
}

// (-1)^sign_term / n!
double_double coefficient(int n, bool negative) {
    const auto& c = inverse_factorial[n];
    return negative ? double_double{-c.hi, -c.lo} : double_double{c.hi, c.lo};
}

// sum over j of (-1)^(j+1) z^j / (first + 2j)!, j = 0 .. last_j: the terms
// from `first_double` on are small enough for plain doubles, the others are
// carried in double-double.
double_double series(double_double z, int first, int last_j, int first_double_j) {
    double tail = 0;
    for (int j = last_j; j >= first_double_j; --j) {
        const double c = inverse_factorial[first + 2 * j].hi;
        tail = (j % 2 ? c : -c) + z.hi * tail;
    }
    double_double sum{tail, 0};
    for (int j = first_double_j - 1; j >= 0; --j) {
        sum = add(coefficient(first + 2 * j, j % 2 == 0), multiply(z, sum));
    }
    return sum;
}

// sin r = r + r z S(z) and cos r = 1 + z C(z), with z = r^2 and |r| <= pi/4
// (a little more after a rounded reduction). Truncated after 1/27! and
// 1/28!, whose next terms stay below 2^-110 of the result there.
double_double sin_reduced(double_double r) {
    const double_double z = multiply(r, r);
    const double_double s = series(z, 3, 12, 7);
    return add(r, multiply(r, multiply(z, s)));
}

double_double cos_reduced(double_double r) {
    const double_double z = multiply(r, r);
    const double_double c = series(z, 2, 13, 8);
    return add(double_double{1.0, 0.0}, multiply(z, c));
}

constexpr double error_bound = 0x1p-88;  // relative, with a wide margin
constexpr double fast_limit = 0x1p19;    // keeps k below 2^19, so k * half_pi_n is exact
constexpr double near_multiple = 0x1p-30;

// The double nearest the true value, when (hi, lo) with a relative error of
// at most error_bound settles it; 0 with `settled` false otherwise. (hi, lo)
// is normalised: hi is lo + hi rounded.
double rounded(double_double y, bool& settled) {
    settled = false;
    const std::uint64_t bits = bits_of(y.hi);
    const std::uint64_t biased = (bits >> 52) & 0x7FF;
    if (biased <= 53 || biased == 0x7FF) return 0;  // never for these results
    const double ulp = double_of_bits((biased - 52) << 52);
    const bool power_of_two = (bits & ((std::uint64_t{1} << 52) - 1)) == 0;
    const double gap_away = ulp * 0.5;  // to the midpoint with the next larger magnitude
    const double gap_toward = power_of_two ? ulp * 0.25 : ulp * 0.5;
    const double magnitude = y.hi < 0 ? -y.hi : y.hi;
    const double err = error_bound * magnitude;
    const double off = y.lo < 0 ? -y.lo : y.lo;
    const bool outward = (y.lo < 0) == (y.hi < 0);
    const double gap_lo_side = outward ? gap_away : gap_toward;
    const double gap_other = outward ? gap_toward : gap_away;
    if (off + err < gap_lo_side && err - off < gap_other) {
        settled = true;
        return y.hi;
    }
    return 0;
}

enum class wave { sine, cosine };

// |x| >= 2^-27, finite.
double evaluate(double x, wave which) {
    const bool negative = x < 0;
    const double ax = negative ? -x : x;
    if (!(ax < fast_limit)) {
        return which == wave::sine ? exact_sine(x) : exact_cosine(x);
    }
    // k, the nearest multiple of pi/2, and r = ax - k pi/2 in double-double:
    // k * half_pi_1..3 are exact, and so are the differences taken with
    // two_sum; only the smallest part is rounded.
    constexpr double round_to_integer = 0x1.8p52;
    const double kd = (ax * trig_tables::two_over_pi + round_to_integer) - round_to_integer;
    const auto k = static_cast<std::int32_t>(kd);
    const double_double a0 = two_sum(ax, -(kd * trig_tables::half_pi_1));
    const double_double a1 = two_sum(a0.hi, -(kd * trig_tables::half_pi_2));
    const double_double a2 = two_sum(a1.hi, -(kd * trig_tables::half_pi_3));
    const double lo = ((a0.lo + a1.lo) + a2.lo) - kd * trig_tables::half_pi_4;
    const double_double r = fast_two_sum(a2.hi, lo);
    const double r_magnitude = r.hi < 0 ? -r.hi : r.hi;
    if (k != 0 && r_magnitude < near_multiple) {
        return which == wave::sine ? exact_sine(x) : exact_cosine(x);
    }
    // sin(k pi/2 + r) and cos(k pi/2 + r) by the quarter turn k.
    const int quarter = (k + (which == wave::cosine ? 1 : 0)) & 3;
    double_double y = (quarter % 2 == 0) ? sin_reduced(r) : cos_reduced(r);
    if (quarter >= 2) y = {-y.hi, -y.lo};
    if (which == wave::sine && negative) y = {-y.hi, -y.lo};
    bool settled = false;
    const double result = rounded(y, settled);
    if (settled) return result;
    return which == wave::sine ? exact_sine(x) : exact_cosine(x);
}

}  // namespace

double sine(double x) {
    if (x != x) return x;
    const double ax = x < 0 ? -x : x;
    if (ax > 0x1.fffffffffffffp1023) return x - x;  // infinity: not a number
    // Below 2^-26, x^3/6 is less than half the spacing of doubles near x.
    if (ax < 0x1p-26) return x;
    return evaluate(x, wave::sine);
}

double cosine(double x) {
    if (x != x) return x;
    const double ax = x < 0 ? -x : x;
    if (ax > 0x1.fffffffffffffp1023) return x - x;
    // Below 2^-27, x^2/2 is less than half the spacing of doubles below 1.
    if (ax < 0x1p-27) return 1.0;
    return evaluate(x, wave::cosine);
}
