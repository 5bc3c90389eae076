#!/usr/bin/env python3
"""Field-by-field comparison of two nuvex-trace style dumps, and of two P6 frames.

usage: diff.py dump EXPECTED ACTUAL [--show N]
       diff.py ppm EXPECTED ACTUAL [--show N]

Numbers are compared by value, exactly: doubles must be the same IEEE value
(the sign of zero included; any NaN equals any NaN), integers must be equal.
Exit status 0 when everything matches, 1 otherwise.
"""

import math
import sys

SCENE_FIELDS = ["tag", "rows", "cols", "view.angle_z", "lift", "sweep_level", "sweep_speed",
                "cursor", "emit_count", "line", "count", "capacity"]
NODE_FIELDS = ["i", "j", "x", "y", "z", "red", "green", "blue", "spray_z", "height",
               "spray_vz", "velocity", "accel", "visible"]
PARTICLE_FIELDS = ["tag", "k", "x", "y", "z", "red", "green", "blue", "height", "velocity",
                   "visible", "released"]


def field_names(tokens):
    if tokens and tokens[0] == "scene":
        return SCENE_FIELDS
    if tokens and tokens[0] == "p":
        return PARTICLE_FIELDS
    return NODE_FIELDS


def same(a, b, name):
    if a == b:
        return True
    if name == "line":
        return False
    try:
        fa, fb = float(a), float(b)
    except ValueError:
        return False
    if fa != fa and fb != fb:
        return True
    return fa == fb and math.copysign(1, fa) == math.copysign(1, fb)


def label(tokens):
    if not tokens:
        return "(empty line)"
    if tokens[0] == "scene":
        return "scene"
    if tokens[0] == "p":
        return "particle %s" % (tokens[1] if len(tokens) > 1 else "?")
    return "node (%s, %s)" % (tokens[0], tokens[1] if len(tokens) > 1 else "?")


def diff_dump(expected, actual, show):
    with open(expected) as f:
        el = f.read().splitlines()
    with open(actual) as f:
        al = f.read().splitlines()
    numbers = 0
    matched = 0
    shown = 0
    bad_lines = 0
    first_bad = {}
    for n in range(max(len(el), len(al))):
        et = el[n].split() if n < len(el) else []
        at = al[n].split() if n < len(al) else []
        names = field_names(et or at)
        line_bad = False
        for f in range(max(len(et), len(at))):
            numbers += 1
            ev = et[f] if f < len(et) else "<missing>"
            av = at[f] if f < len(at) else "<missing>"
            name = names[f] if f < len(names) else "field %d" % f
            if same(ev, av, name):
                matched += 1
                continue
            line_bad = True
            kind = (et or at)[0] if (et or at) and (et or at)[0] in ("scene", "p") else "node"
            first_bad.setdefault((kind, name), (n + 1, label(et or at), ev, av))
            if shown < show:
                print("line %d, %s, %s: model %s, trace %s" % (n + 1, label(et or at), name, ev, av))
                shown += 1
        bad_lines += line_bad
    print("lines: model %d, trace %d; fields compared %d, equal %d, different %d (%d lines)"
          % (len(el), len(al), numbers, matched, numbers - matched, bad_lines))
    if first_bad:
        print("first difference of each kind of field:")
        for (kind, name), (n, lab, ev, av) in sorted(first_bad.items(), key=lambda kv: kv[1][0]):
            print("  %s.%s first at line %d (%s): model %s, trace %s" % (kind, name, n, lab, ev, av))
    return 0 if numbers == matched and len(el) == len(al) else 1


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            while data[pos:pos + 1] not in (b"\n", b"\r"):
                pos += 1
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise SystemExit("%s: not an 8-bit P6 file" % path)
    w, h = int(fields[1]), int(fields[2])
    return w, h, data[pos:pos + w * h * 3]


def diff_ppm(expected, actual, show):
    ew, eh, ep = read_ppm(expected)
    aw, ah, ap = read_ppm(actual)
    if (ew, eh) != (aw, ah):
        print("frame size: model %dx%d, trace %dx%d" % (ew, eh, aw, ah))
        return 1
    if ep == ap:
        lit = ew * eh - sum(1 for k in range(0, len(ep), 3) if ep[k:k + 3] == b"\0\0\0")
        print("frame %dx%d: %d pixels, %d non-black in the model, 0 different" % (ew, eh, ew * eh, lit))
        return 0
    bad = 0
    lit = 0
    for k in range(ew * eh):
        e = ep[3 * k:3 * k + 3]
        a = ap[3 * k:3 * k + 3]
        if e != b"\0\0\0":
            lit += 1
        if e != a:
            if bad < show:
                print("pixel (%d, %d): model #%s, trace #%s" % (k % ew, k // ew, e.hex(), a.hex()))
            bad += 1
    print("frame %dx%d: %d pixels, %d non-black in the model, %d different"
          % (ew, eh, ew * eh, lit, bad))
    return 0 if bad == 0 else 1


def main():
    args = sys.argv[1:]
    show = 20
    if "--show" in args:
        i = args.index("--show")
        show = int(args[i + 1])
        del args[i:i + 2]
    if len(args) != 3 or args[0] not in ("dump", "ppm"):
        print(__doc__, file=sys.stderr)
        return 2
    if args[0] == "dump":
        return diff_dump(args[1], args[2], show)
    return diff_ppm(args[1], args[2], show)


if __name__ == "__main__":
    sys.exit(main())
