#!/usr/bin/env python3
"""Compares two scene dumps of nuvex-trace field by field.

Each dump has a "scene" line, one line per grid node ("i j" then the node's
fields) and one "p k ..." line per text particle. Lines are matched by their
key (the scene, the node's indices, the particle's index) and the fields by
position. Integer and text fields must be equal; numbers are compared by
relative difference |a - b| / max(|a|, |b|), 0 when both are 0.

Prints the largest relative difference and every field whose relative
difference exceeds the limit. Exit status: 0 when every field is within the
limit, 1 when some are not, 2 when the dumps do not have the same shape.

  compare_trace.py [--limit 1e-9] [--grid-only] [--list N] linux.txt windows.txt
"""

import argparse
import math
import sys

NODE_FIELDS = ["x", "y", "z", "red", "green", "blue", "spray_z", "height", "spray_vz",
               "velocity", "accel", "visible"]
PARTICLE_FIELDS = ["x", "y", "z", "red", "green", "blue", "height", "velocity", "visible",
                   "released"]
SCENE_FIELDS = ["rows", "cols", "view_angle", "lift", "sweep_level", "sweep_speed", "cursor",
                "emit_count", "line", "particle_count", "particle_capacity"]


def read_dump(path):
    """Returns {key: (field names, values)}; keys keep the dump's order."""
    records = {}
    with open(path, encoding="ascii", newline=None) as f:
        for number, raw in enumerate(f, 1):
            words = raw.split()
            if not words:
                continue
            if words[0] == "scene":
                key, names, values = ("scene",), SCENE_FIELDS, words[1:]
            elif words[0] == "p":
                key, names, values = ("p", words[1]), PARTICLE_FIELDS, words[2:]
            else:
                key, names, values = ("node", words[0], words[1]), NODE_FIELDS, words[2:]
            if len(values) != len(names):
                raise ValueError(f"{path}:{number}: {len(values)} fields, expected {len(names)}")
            records[key] = (names, values)
    return records


def relative_difference(a, b):
    if a == b:
        return 0.0
    if math.isnan(a) or math.isnan(b):
        return math.inf
    scale = max(abs(a), abs(b))
    return abs(a - b) / scale


def compare(left, right, grid_only):
    """Yields (key, field, left text, right text, relative difference)."""
    for key in left:
        if grid_only and key[0] != "node":
            continue
        if key not in right:
            yield key, "(record)", "present", "missing", math.inf
            continue
        names, a_values = left[key]
        _, b_values = right[key]
        for name, a, b in zip(names, a_values, b_values):
            if a == b:
                continue
            try:
                d = relative_difference(float(a), float(b))
                if name in ("rows", "cols", "cursor", "emit_count", "particle_count",
                            "particle_capacity", "visible", "released", "line"):
                    d = math.inf
            except ValueError:
                d = math.inf
            yield key, name, a, b, d
    for key in right:
        if key not in left and not (grid_only and key[0] != "node"):
            yield key, "(record)", "missing", "present", math.inf


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("left")
    parser.add_argument("right")
    parser.add_argument("--limit", type=float, default=1e-9)
    parser.add_argument("--grid-only", action="store_true",
                        help="compare only the sea grid's nodes")
    parser.add_argument("--list", type=int, default=40,
                        help="list at most this many differing fields")
    args = parser.parse_args()

    try:
        left = read_dump(args.left)
        right = read_dump(args.right)
    except (OSError, ValueError) as error:
        print(f"compare_trace: {error}", file=sys.stderr)
        return 2

    compared = sum(len(v[1]) for k, v in left.items() if not args.grid_only or k[0] == "node")
    largest = 0.0
    largest_at = None
    over = []
    differing = {}
    for key, name, a, b, d in compare(left, right, args.grid_only):
        differing[name] = differing.get(name, 0) + 1
        if d > largest:
            largest, largest_at = d, (key, name, a, b)
        if d > args.limit:
            over.append((key, name, a, b, d))

    print(f"fields compared: {compared}")
    if largest_at is None:
        print("largest relative difference: 0 (the dumps are identical)")
    else:
        key, name, a, b = largest_at
        print(f"largest relative difference: {largest:.3g} at {' '.join(key)} {name} "
              f"({a} against {b})")
    if differing:
        print("fields differing at all, by name: " +
              ", ".join(f"{name} {count}" for name, count in sorted(differing.items())))
    print(f"fields differing by more than {args.limit:g} relative: {len(over)}")
    for key, name, a, b, d in over[:args.list]:
        print(f"  {' '.join(key)} {name}: {a} against {b} ({d:.3g})")
    if len(over) > args.list:
        print(f"  ... and {len(over) - args.list} more")
    if any(d == math.inf for *_, d in over):
        return 2 if any(name == "(record)" for _, name, *_ in over) else 1
    return 1 if over else 0


if __name__ == "__main__":
    sys.exit(main())
