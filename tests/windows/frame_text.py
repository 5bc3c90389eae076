#!/usr/bin/env python3
"""Compares the text clouds in screenshots of the full-screen saver.

  frame_text.py <greeting.ppm> <question-marks.ppm> <shot.ppm>...

The lower part of a text cloud is drawn in red to yellow (full red, little
blue); the sea is white. Each screenshot (8-bit PPM) is reduced to the set of
16-pixel cells that hold such warm pixels, and every shot is compared with two
references taken at the same moment of the animation: the greeting as the
saver draws it in its own code page, and the line "????". A shot shows the
greeting when its cells overlap the greeting's much more than the question
marks' and it has about as many warm pixels as the greeting.

Prints one line per shot; exit status 1 when a shot does not show the greeting.
"""

import sys

from ppm import read_ppm

CELL = 16
STEP = 2  # every second pixel of every second row: the particles are wider


def warm_cells(path):
    """(number of warm pixels sampled, set of cells with at least 3 of them)."""
    width, height, pixels = read_ppm(path)
    counts = {}
    total = 0
    for y in range(0, height, STEP):
        row = y * width * 3
        for x in range(0, width, STEP):
            at = row + 3 * x
            if pixels[at] >= 200 and pixels[at + 2] <= 100:
                total += 1
                cell = (x // CELL, y // CELL)
                counts[cell] = counts.get(cell, 0) + 1
    return total, {cell for cell, n in counts.items() if n >= 3}


def overlap(a, b):
    return len(a & b) / len(a | b) if a or b else 0.0


def main():
    if len(sys.argv) < 4:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    greeting_count, greeting = warm_cells(sys.argv[1])
    marks_count, marks = warm_cells(sys.argv[2])
    print(f"greeting: {greeting_count} warm pixels in {len(greeting)} cells; "
          f"'????': {marks_count} in {len(marks)} cells, overlap {overlap(greeting, marks):.2f}")
    ok = greeting_count > 2 * marks_count and overlap(greeting, marks) < 0.5
    if not ok:
        print("the two references are too alike to tell the greeting from '????'")
    for path in sys.argv[3:]:
        count, cells = warm_cells(path)
        to_greeting, to_marks = overlap(cells, greeting), overlap(cells, marks)
        shows = (to_greeting >= 0.5 and to_greeting >= 2 * to_marks
                 and 0.6 * greeting_count <= count <= 1.5 * greeting_count)
        print(f"{path}: {count} warm pixels, overlap with the greeting {to_greeting:.2f}, "
              f"with '????' {to_marks:.2f}: {'the greeting' if shows else 'NOT the greeting'}")
        ok = ok and shows
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
