#!/usr/bin/env python3
"""Writes src/scene/trig_tables.h: the constants of the core's sine and cosine,
computed here with 600 significant digits, so that every one of them can be
checked and made again.

  tools/trig/make_tables.py > src/scene/trig_tables.h

- pi/2 in four parts for the reduction of moderate arguments: three of 33
  significant bits (so that a multiple k of them, k below 2^20, is exact) and
  one of 53;
- the Taylor coefficients 1/n! of the fast evaluation, as pairs of doubles
  (the head and the rounded rest), with their signs;
- 2/pi in 32-bit pieces, as far as the reduction of the largest double needs;
- pi/2 in 32-bit pieces, for the exact evaluation's fixed-point numbers.
"""
from decimal import Decimal as D, getcontext, ROUND_HALF_EVEN, ROUND_FLOOR

getcontext().prec = 600


def compute_pi():
    """Machin's formula, 4 (4 arctan 1/5 - arctan 1/239)."""
    def arctan_inverse(n):
        n = D(n)
        total, power, k, sign = D(0), 1 / n, 1, 1
        limit = D(10) ** -(getcontext().prec + 5)
        while power > limit:
            total += sign * power / k
            power /= n * n
            k += 2
            sign = -sign
        return total
    return 4 * (4 * arctan_inverse(5) - arctan_inverse(239))


PI = compute_pi()


def exponent(v):
    """e with 2^e <= |v| < 2^(e+1)."""
    v = abs(v)
    e = 0
    while v >= 2:
        v /= 2
        e += 1
    while v < 1:
        v *= 2
        e -= 1
    return e


def round_bits(v, bits):
    """v rounded to `bits` significant bits (an exact binary value)."""
    if v == 0:
        return D(0)
    scale = D(2) ** (bits - 1 - exponent(v))
    return (v * scale).to_integral_value(rounding=ROUND_HALF_EVEN) / scale


def double_hex(v):
    """The C hexadecimal literal of v, which must be exactly a double."""
    f = float(v)
    assert D(f) == v, v
    return f.hex()


def limbs(v, count):
    """The first `count` 32-bit pieces of the fraction of v (0 <= v < 1...)."""
    out = []
    frac = v - int(v)
    for _ in range(count):
        frac *= 2 ** 32
        piece = int(frac.to_integral_value(rounding=ROUND_FLOOR))
        out.append(piece)
        frac -= piece
    return out


def main():
    half_pi = PI / 2
    parts = []
    rest = half_pi
    for bits in (33, 33, 33, 53):
        part = round_bits(rest, bits)
        parts.append(part)
        rest -= part
    lines = [
        "// Constants of the core's sine and cosine, written by tools/trig/make_tables.py",
        "// (600 significant digits); do not edit by hand.",
        "#pragma once",
        "",
        "#include <cstdint>",
        "",
        "namespace trig_tables {",
        "",
        "// pi/2 = half_pi_1 + half_pi_2 + half_pi_3 + half_pi_4 to within 2^-160; the first",
        "// three have 33 significant bits each.",
    ]
    for n, part in enumerate(parts, 1):
        lines.append(f"constexpr double half_pi_{n} = {double_hex(part)};")
    two_over_pi = 2 / PI
    lines.append(f"constexpr double two_over_pi = {float(two_over_pi).hex()};")
    lines.append("")
    lines.append("// 1/n! as head + tail (the tail being 1/n! - head rounded), n = 0 to 30.")
    lines.append("struct double_double_constant {")
    lines.append("    double hi;")
    lines.append("    double lo;")
    lines.append("};")
    lines.append("constexpr double_double_constant inverse_factorial[] = {")
    fact = D(1)
    for n in range(31):
        if n > 0:
            fact *= n
        v = 1 / fact
        hi = D(float(v))
        lo = D(float(v - hi))
        lines.append(f"    {{{double_hex(hi)}, {double_hex(lo)}}},  // 1/{n}!")
    lines.append("};")
    lines.append("")
    count = 42
    lines.append(f"// 2/pi = sum of two_over_pi_bits[i] * 2^(-32 (i + 1)), {32 * count} bits.")
    lines.append(f"constexpr std::uint32_t two_over_pi_bits[{count}] = {{")
    words = limbs(two_over_pi, count)
    for i in range(0, count, 6):
        lines.append("    " + ", ".join(f"0x{w:08X}u" for w in words[i:i + 6]) + ",")
    lines.append("};")
    count = 10
    lines.append(f"// pi/2 = 1 + sum of half_pi_bits[i] * 2^(-32 (i + 1)), {32 * count} bits.")
    lines.append(f"constexpr std::uint32_t half_pi_bits[{count}] = {{")
    words = limbs(half_pi, count)
    for i in range(0, count, 5):
        lines.append("    " + ", ".join(f"0x{w:08X}u" for w in words[i:i + 5]) + ",")
    lines.append("};")
    lines.append("")
    lines.append("}  // namespace trig_tables")
    print("\n".join(lines))


main()
