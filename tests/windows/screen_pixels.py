#!/usr/bin/env python3
"""Measures a screenshot given as a PPM on standard input.

  screen_pixels.py lit       the fraction of non-black pixels (every 101st)
  screen_pixels.py RRGGBB    how many pixels have that colour (every 7th)
"""

import sys

from ppm import parse_ppm


def main():
    _, _, pixels = parse_ppm(sys.stdin.buffer.read(), "screenshot")
    if sys.argv[1] == "lit":
        step = 3 * 101
        total = len(pixels) // step
        lit = sum(1 for k in range(0, total * step, step) if pixels[k:k + 3] != b"\0\0\0")
        print(f"{lit / max(total, 1):.4f}")
    else:
        colour = bytes.fromhex(sys.argv[1])
        print(sum(1 for k in range(0, len(pixels) - 2, 21) if pixels[k:k + 3] == colour))


if __name__ == "__main__":
    main()
