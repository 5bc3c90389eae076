#!/usr/bin/env python3
"""Independent model of the Nuvex sea animation, for checking nuvex-trace.

Runs the saver's creation sequence headless (message, follow, 100 x 100 grid,
tilt, view angle, seven seeding ripples, 100 warm-up steps), then N timer
ticks, and prints the scene in the same line format as nuvex-trace.  Glyph
pixels are not modelled: every line's measured size and lit pixels are read
from the PBM rasters that nuvex-trace writes with --rasters DIR.

Every formula is evaluated left to right as the system writes it, so with
IEEE doubles, sqrt, and the correctly rounded sine and cosine (the double
nearest the true value, worked out here in decimal arithmetic, independently
of the program's own) the numbers should agree bit for bit.  Standard library
only.
"""

import argparse
import decimal
import math
import os
import sys

TWO_PI = 6.283185307179586
PI = 3.141592653589793
SCATTER = 0.008333333333333333
INT_MAX = 2147483647
INT_MIN = -2147483648

DEFAULT_MESSAGE = "生日快乐^nHappy Birthday^n永远美丽^n天天开心^n珍爱每一天^n".encode("gbk")
FALLBACK_MESSAGE = "生日快乐\nHappy Birthday\n".encode("gbk")

TILT = 1.7278759594743864
START_VIEW = 1.2566370614359172
TICK_ANGLE = 0.003490658503988659


def to_int(v):
    """Float to 32-bit integer: truncate toward zero, saturate, NaN -> 0."""
    if v != v:
        return 0
    if v >= 2147483648.0:
        return INT_MAX
    if v <= -2147483649.0:
        return INT_MIN
    return int(v)


def cdiv(a, b):
    """Integer division truncating toward zero, as C does."""
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def fdiv(a, b):
    """IEEE division (Python raises on a zero divisor)."""
    try:
        return a / b
    except ZeroDivisionError:
        if a != a:
            return a
        if a == 0.0:
            return math.inf - math.inf  # the processor's default NaN, as 0/0 gives
        sign = math.copysign(1.0, a) * math.copysign(1.0, b)
        return math.copysign(math.inf, sign)


_DIGITS = 60
_PI_DECIMAL = None
_TRIG = {}


def _pi_decimal():
    """pi to 70 digits: Machin's formula."""
    global _PI_DECIMAL
    if _PI_DECIMAL is None:
        with decimal.localcontext() as ctx:
            ctx.prec = _DIGITS + 10

            def arctan_inverse(n):
                n = decimal.Decimal(n)
                total, power, k, sign = decimal.Decimal(0), 1 / n, 1, 1
                while power > decimal.Decimal(10) ** -(ctx.prec + 2):
                    total += sign * power / k
                    power /= n * n
                    k += 2
                    sign = -sign
                return total

            _PI_DECIMAL = 4 * (4 * arctan_inverse(5) - arctan_inverse(239))
    return _PI_DECIMAL


def _sin_cos(x):
    """(sin x, cos x) each rounded once to the nearest double: Taylor series in
    60-digit decimals, far beyond what the hardest doubles to round need."""
    if x in _TRIG:
        return _TRIG[x]
    if x != x or math.isinf(x):
        result = (math.nan, math.nan)
    else:
        with decimal.localcontext() as ctx:
            ctx.prec = _DIGITS + 10
            d = decimal.Decimal(x)  # exact
            half_pi = _pi_decimal() / 2
            k = int((d / half_pi).to_integral_value(rounding=decimal.ROUND_HALF_EVEN))
            r = d - k * half_pi
            r2 = r * r
            s, c = decimal.Decimal(0), decimal.Decimal(0)
            term_s, term_c, n = r, decimal.Decimal(1), 0
            tiny = decimal.Decimal(10) ** -(ctx.prec + 2)
            while abs(term_s) > tiny or abs(term_c) > tiny:
                s += term_s
                c += term_c
                term_s = -term_s * r2 / ((2 * n + 2) * (2 * n + 3))
                term_c = -term_c * r2 / ((2 * n + 1) * (2 * n + 2))
                n += 1
            quarter = k % 4
            sin_x, cos_x = [(s, c), (c, -s), (-s, -c), (-c, s)][quarter]
            # float() of a Decimal rounds to the nearest double; a zero keeps
            # the sign of x for the sine, as the sine of -0 is -0.
            result = (float(sin_x) if x != 0 else x, float(cos_x))
    _TRIG[x] = result
    return result


def sin_cr(x):
    return _sin_cos(x)[0]


def cos_cr(x):
    return _sin_cos(x)[1]


def fmt(v):
    if v != v:
        return "-nan" if math.copysign(1.0, v) < 0 else "nan"
    return "%.17g" % v


class Random:
    """The one pseudo-random sequence: 32-bit LCG, draws are bits 16..30."""

    def __init__(self):
        self.s = 1

    def draw(self):
        self.s = (self.s * 214013 + 2531011) & 0xFFFFFFFF
        return (self.s >> 16) & 0x7FFF


def is_lead_byte(b, codepage):
    if codepage == 936:
        return 0x81 <= b <= 0xFE
    return False


def replace_all(text, old, new, codepage):
    """Left-to-right replace-all; a match starts only at a character boundary."""
    out = bytearray()
    i = 0
    n = len(text)
    while i < n:
        if text[i:i + len(old)] == old:
            out += new
            i += len(old)
        elif is_lead_byte(text[i], codepage) and i + 1 < n:
            out += text[i:i + 2]
            i += 2
        else:
            out.append(text[i])
            i += 1
    return bytes(out)


def find(text, needle, start, codepage):
    """Multibyte-aware find from a byte offset; -1 when absent."""
    i = start
    n = len(text)
    while i < n:
        if text[i:i + len(needle)] == needle:
            return i
        if is_lead_byte(text[i], codepage) and i + 1 < n:
            i += 2
        else:
            i += 1
    return -1


def read_pbm(path):
    """Plain PBM (P1) -> (W, H, rows of 0/1)."""
    with open(path, "rb") as f:
        data = f.read().decode("ascii")
    tokens = []
    pos = 0
    # header: magic, width, height (comments allowed)
    while len(tokens) < 3:
        while pos < len(data) and data[pos].isspace():
            pos += 1
        if data[pos] == "#":
            while pos < len(data) and data[pos] not in "\r\n":
                pos += 1
            continue
        start = pos
        while pos < len(data) and not data[pos].isspace() and data[pos] != "#":
            pos += 1
        tokens.append(data[start:pos])
    if tokens[0] != "P1":
        raise ValueError("%s: not a plain PBM" % path)
    w, h = int(tokens[1]), int(tokens[2])
    bits = []
    while pos < len(data) and len(bits) < w * h:
        c = data[pos]
        if c == "#":
            while pos < len(data) and data[pos] not in "\r\n":
                pos += 1
            continue
        if c in "01":
            bits.append(c == "1")
        pos += 1
    if len(bits) != w * h:
        raise ValueError("%s: %d bits for %dx%d" % (path, len(bits), w, h))
    rows = [bits[r * w:(r + 1) * w] for r in range(h)]
    return w, h, rows


class Rasters:
    def __init__(self, directory):
        self.directory = directory
        self.cache = {}

    def get(self, line):
        if line not in self.cache:
            if self.directory is None:
                raise SystemExit("model: no raster directory for line %r" % line.hex())
            path = os.path.join(self.directory, line.hex() + ".pbm")
            self.cache[line] = read_pbm(path)
        return self.cache[line]


class Pose:
    def __init__(self):
        self.x = 0.0
        self.y = 0.0
        self.z = 0.0
        self.angle_x = 0.0
        self.angle_y = 0.0
        self.angle_z = 0.0


def add_angle(pose, inc):
    pose.angle_z = pose.angle_z + inc
    if pose.angle_z > TWO_PI:
        pose.angle_z = pose.angle_z - TWO_PI
    elif pose.angle_z < -TWO_PI:
        pose.angle_z = pose.angle_z + TWO_PI


# Text particle record: list indices
PX, PY, PZ, PR, PG, PB, PH, PV, PVIS, PREL = range(10)


class Scene:
    def __init__(self, follow, rasters, codepage=936):
        self.rnd = Random()
        self.codepage = codepage
        self.rasters = rasters
        self.pose = Pose()
        self.view = Pose()
        self.rows = 0
        self.cols = 0
        self.eye_distance = 420.0
        self.damping = 1.0
        self.spring = 0.01
        self.gravity = -0.5
        self.spacing = 8.0
        self.ripple_waves = 3.5
        self.lift = 0.0
        self.sweep_level = 0.0
        self.sweep_speed = 0.0
        self.follow = follow
        self.text = FALLBACK_MESSAGE
        self.cursor = 0
        self.emit_count = 0
        self.line = b""
        self.max_text_height = 300.0
        # particle list
        self.plist_pose = Pose()
        self.items = None          # list of particle records, or None when absent
        self.capacity = 0
        self.snapshot_present = False

    # ---- message -------------------------------------------------------
    def set_message(self, stored):
        t = replace_all(stored, b"^n", b"\n", self.codepage)
        t = replace_all(t, b"\r", b"", self.codepage)
        if t == b"":
            t = FALLBACK_MESSAGE
        if t[-1:] != b"\n":
            t = t + b"\n"
        self.text = t
        self.cursor = 0

    def clear_particles(self):
        self.items = None
        self.snapshot_present = False
        self.capacity = 0

    def count(self):
        return 0 if self.items is None else len(self.items)

    def advance_line(self):
        if self.text == b"":
            self.text = FALLBACK_MESSAGE
            self.cursor = 0
        end = -1
        found = False
        if 0 <= self.cursor <= len(self.text):
            end = find(self.text, b"\n", self.cursor, self.codepage)
            found = end >= 0
        if not found:
            self.cursor = 0
            end = find(self.text, b"\n", 0, self.codepage)
        self.clear_particles()
        length = end - self.cursor
        self.line = self.text[self.cursor:self.cursor + length] if length > 0 else b""
        self.cursor = end + 1
        self.emit_count = 0
        self.lift = 0.0

    # ---- grid ----------------------------------------------------------
    def build_grid(self, rows, cols):
        if rows < 1 or rows > 1024:
            rows = 1024
        if cols < 1 or cols > 1024:
            cols = 1024
        self.rows, self.cols = rows, cols
        n = rows * cols
        self.gx = [0.0] * n
        self.gy = [0.0] * n
        self.gz = [0.0] * n
        self.gr = [1.0] * n
        self.gg = [1.0] * n
        self.gb = [1.0] * n
        self.spray_z = [0.0] * n
        self.height = [0.0] * n
        self.spray_vz = [0.0] * n
        self.velocity = [0.0] * n
        self.accel = [0.0] * n
        self.visible = [0] * n
        hr = cdiv(rows, 2)
        hc = cdiv(cols, 2)
        for i in range(rows):
            for j in range(cols):
                u = fdiv(float(i - hr), float(hr))
                v = fdiv(float(j - hc), float(hc))
                if u * u + v * v <= 1:
                    k = i * cols + j
                    self.visible[k] = 1
                    r1 = self.rnd.draw() % 100
                    r2 = self.rnd.draw() % 100
                    self.gy[k] = ((j - hc) + (50 - r1) * SCATTER) * self.spacing
                    self.gx[k] = ((i - hr) + (50 - r2) * SCATTER) * self.spacing
                    self.gz[k] = 0.0
        # the coupled pairs never change: both nodes visible, fixed order
        pairs = []
        vis = self.visible
        for i in range(rows - 1):
            for j in range(cols - 1):
                a = i * cols + j
                b = a + 1
                c = a + cols
                d = c + 1
                if vis[a] and vis[b]:
                    pairs.append((a, b, False))
                if vis[a] and vis[c]:
                    pairs.append((a, c, False))
                if vis[a] and vis[d]:
                    pairs.append((a, d, True))
                if vis[b] and vis[c]:
                    pairs.append((b, c, True))
        self.pairs = pairs

    def drop_ripple(self, r0, c0, amp, radius):
        if radius <= 0:
            return
        rr = float(radius * radius)
        for r in range(r0 - radius, r0 + radius):
            for k in range(c0 - radius, c0 + radius):
                if r < 0 or r >= self.rows or k < 0 or k >= self.cols:
                    continue
                n = r * self.cols + k
                if not self.visible[n]:
                    continue
                d2 = (r - r0) * (r - r0) + (k - c0) * (k - c0)
                if d2 <= radius * radius:
                    self.velocity[n] += amp * cos_cr((math.sqrt(float(d2) / rr) * self.ripple_waves) * PI)

    def cell(self, x, y):
        inv = 1 / self.spacing
        i = to_int(cdiv(self.rows, 2) + x * inv)
        j = to_int(cdiv(self.cols, 2) + y * inv)
        if i < 0:
            i = 0
        if i > self.rows - 1:
            i = self.rows - 1
        if j < 0:
            j = 0
        if j > self.cols - 1:
            j = self.cols - 1
        return i * self.cols + j

    def sample_height(self, x, y):
        return self.gz[self.cell(x, y)]

    def stain(self, x, y, r, g, b):
        k = self.cell(x, y)
        self.gr[k] = r
        self.gg[k] = g
        self.gb[k] = b

    # ---- emitter -------------------------------------------------------
    def append(self, rec):
        if self.items is None:
            self.items = []
        if len(self.items) >= self.capacity:
            self.capacity = self.capacity + 100
        self.items.append(rec)

    def scatter(self):
        return (50 - self.rnd.draw() % 100) * SCATTER

    def emit_line(self, line):
        W, H, lit = self.rasters.get(line)
        X = (self.rows * self.spacing) * 0.9
        Z = fdiv(X * H, float(W))
        if Z > self.max_text_height:
            Z = self.max_text_height
        z0 = 0.0
        if self.follow != 0:
            z0 = -0.2 * Z
        mirror = cos_cr(self.view.angle_z) < 0
        self.rasterise_slice(lit, 0, 0, W, H, 3, 0.0, 0.0, z0, X, self.spacing, Z, mirror, self.emit_count)
        self.emit_count += 1
        self.plist_pose.angle_x = self.pose.angle_x
        self.plist_pose.angle_y = self.pose.angle_y
        self.plist_pose.angle_z = self.pose.angle_z
        self.sweep_level = z0 + Z
        self.sweep_speed = 0.0

    def rasterise_slice(self, lit, left, top, right, bottom, n, x0, y0, z0, X, Y, Z, mirror, m):
        xc = cdiv(left + right, 2)
        w = right - left
        h = bottom - top
        first = top + cdiv(h * m, 32)
        last = top + cdiv(h * (m + 1), 32)
        fw = float(w)
        fh = float(h)
        fn = float(n)
        for py in range(first, last):
            row = lit[py] if 0 <= py < len(lit) else None
            for px in range(left, right):
                if row is None or not (0 <= px < len(row)) or not row[px]:
                    continue
                for k in range(n):
                    jx = self.scatter()
                    dx = (xc - px) if mirror else (px - xc)
                    x = ((dx + jx) * X) / fw + x0
                    jy = self.scatter()
                    y = ((jy + k) * Y) / fn + y0
                    jz = self.scatter()
                    z = ((jz + (bottom - py)) * Z) / fh + z0
                    t = (z - z0) * fdiv(1.0, Z)
                    if t < 0.5:
                        green = 2 * t
                        blue = 0.0
                    else:
                        green = 1.0
                        blue = 2 * (t - 0.5)
                    self.append([x, y, z, 1.0, green, blue, z, 0.0, 1, 0])
        self.snapshot_present = True

    # ---- step ----------------------------------------------------------
    def step(self):
        a = self.view.angle_z
        tp = sin_cr(a)
        if cos_cr(a) < 0:
            tp = -tp
        if tp > 0.995:
            self.lift = ((tp - 0.995) * self.max_text_height) * 200
        elif self.lift != 0:
            self.advance_line()
        if self.emit_count < 32:
            self.emit_line(self.line)

        height = self.height
        accel = self.accel
        vis = self.visible
        spring = self.spring
        for k in range(self.rows * self.cols):
            if vis[k]:
                accel[k] = -(height[k] * spring)

        gr, gg, gb = self.gr, self.gg, self.gb
        for p, q, diag in self.pairs:
            f = (height[q] - height[p]) * 0.125
            if diag:
                f = f * 0.7072135785007072
            accel[p] += f
            accel[q] -= f
            g = (gr[q] - gr[p]) * 0.125
            gr[p] += g
            gr[q] -= g
            g = (gg[q] - gg[p]) * 0.125
            gg[p] += g
            gg[q] -= g
            g = (gb[q] - gb[p]) * 0.125
            gb[p] += g
            gb[q] -= g

        vel = self.velocity
        svz = self.spray_vz
        sz = self.spray_z
        gz = self.gz
        damping = self.damping
        gravity = self.gravity
        lift = self.lift
        for k in range(self.rows * self.cols):
            v = (accel[k] + vel[k]) * damping
            vel[k] = v
            h = height[k] + v
            height[k] = h
            s_v = svz[k] + gravity
            s_z = sz[k] + s_v
            if h + lift > s_z:
                s_z = h + lift
                s_v = v
            svz[k] = s_v
            sz[k] = s_z
            gz[k] = s_z
            gr[k] = gr[k] + (1 - gr[k]) * 0.001
            gg[k] = gg[k] + (1 - gg[k]) * 0.001
            gb[k] = gb[k] + (1 - gb[k]) * 0.001

        n = self.count()
        if n <= 0:
            return
        items = self.items
        rnd = self.rnd
        items[rnd.draw() % n][PREL] = 1
        q = tp * 32
        if q > 0:
            k = 1
            while True:
                items[rnd.draw() % n][PREL] = 1
                if not (k < q):
                    break
                k += 1
        floor = -10 * self.max_text_height
        follow = self.follow
        for p in items:
            if p[PREL] and p[PZ] > floor:
                p[PV] = p[PV] + gravity
                p[PZ] = p[PZ] + p[PV]
            if p[PVIS] and p[PREL]:
                self.stain(p[PX], p[PY], p[PR], p[PG], p[PB])
            p[PVIS] = 1 if self.sample_height(p[PX], p[PY]) < p[PZ] else 0
            if follow == 0 and p[PVIS] and not p[PREL]:
                p[PZ] = self.sample_height(p[PX], p[PY]) + p[PH]
        if tp > 0.9:
            self.sweep_speed = self.sweep_speed + gravity
            self.sweep_level = self.sweep_level + self.sweep_speed
            level = self.sweep_level
            for p in items:
                if p[PH] > level:
                    p[PREL] = 1

    # ---- output ----------------------------------------------------------
    def dump(self, out):
        w = out.write
        w("scene %d %d %s %s %s %s %d %d %s %d %d\n" % (
            self.rows, self.cols, fmt(self.view.angle_z), fmt(self.lift),
            fmt(self.sweep_level), fmt(self.sweep_speed), self.cursor, self.emit_count,
            self.line.hex() if self.line else "-", self.count(), self.capacity))
        cols = self.cols
        for k in range(self.rows * cols):
            w("%d %d %s %s %s %s %s %s %s %s %s %s %s %d\n" % (
                k // cols, k % cols, fmt(self.gx[k]), fmt(self.gy[k]), fmt(self.gz[k]),
                fmt(self.gr[k]), fmt(self.gg[k]), fmt(self.gb[k]), fmt(self.spray_z[k]),
                fmt(self.height[k]), fmt(self.spray_vz[k]), fmt(self.velocity[k]),
                fmt(self.accel[k]), self.visible[k]))
        for k, p in enumerate(self.items or []):
            w("p %d %s %s %s %s %s %s %s %s %d %d\n" % (
                k, fmt(p[PX]), fmt(p[PY]), fmt(p[PZ]), fmt(p[PR]), fmt(p[PG]), fmt(p[PB]),
                fmt(p[PH]), fmt(p[PV]), p[PVIS], p[PREL]))


# ---- transforms and frame ------------------------------------------------

def rotate_translate(pose, xs, ys, zs):
    """Rotate lists of coordinates in place by the pose, then translate."""
    count = len(xs)
    if count <= 0:
        return
    for theta, a_arr, b_arr in ((pose.angle_x, ys, zs), (pose.angle_y, zs, xs), (pose.angle_z, xs, ys)):
        s = sin_cr(theta)
        c = cos_cr(theta)
        if s == 0 and c == 1:
            continue
        for k in range(count):
            a = a_arr[k]
            b = b_arr[k]
            r = math.sqrt(a * a + b * b)
            if r > 0:
                a_arr[k] = r * ((a / r) * c - (b / r) * s)
                b_arr[k] = r * ((b / r) * c + (a / r) * s)
    for k in range(count):
        xs[k] = xs[k] + pose.x
        ys[k] = ys[k] + pose.y
        zs[k] = zs[k] + pose.z


def project(xs, ys, zs, eye):
    sizes = []
    for k in range(len(xs)):
        w = eye + zs[k]
        factor = eye / w if w > 0 else 10000.0
        sizes.append(to_int(factor + 1))
        xs[k] = xs[k] * factor
        ys[k] = ys[k] * factor
    return sizes


class Frame:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pix = bytearray(width * height * 3)

    def fill(self, x, y, w, h, rgb):
        x1 = max(x, 0)
        y1 = max(y, 0)
        x2 = min(x + w, self.width)
        y2 = min(y + h, self.height)
        if x1 >= x2 or y1 >= y2:
            return
        run = bytes(rgb) * (x2 - x1)
        for yy in range(y1, y2):
            o = (yy * self.width + x1) * 3
            self.pix[o:o + len(run)] = run

    def draw_point(self, x, y, size, r, g, b, cx, cy, sx, sy):
        s = to_int(size * sx)
        if s < 1:
            s = 1
        rgb = (to_int(r * 255) & 0xFF, to_int(g * 255) & 0xFF, to_int(b * 255) & 0xFF)
        X = to_int(sx * x + cx)
        Y = to_int(sy * y + cy)
        self.fill(X, Y, s, s, rgb)

    def write_ppm(self, path):
        with open(path, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (self.width, self.height))
            f.write(self.pix)


def render_frame(scene, width, height):
    fr = Frame(width, height)
    left, top, right, bottom = 0, 0, width, height
    cx = cdiv(left + right, 2)
    cy = top + cdiv(bottom - top, 3)
    sx = (right - left) * 0.00078125
    sy = (bottom - top) * 0.0009765625
    cols = scene.cols
    for i in range(scene.rows):
        base = i * cols
        xs = scene.gx[base:base + cols]
        ys = scene.gy[base:base + cols]
        zs = scene.gz[base:base + cols]
        rotate_translate(scene.view, xs, ys, zs)
        rotate_translate(scene.pose, xs, ys, zs)
        sizes = project(xs, ys, zs, scene.eye_distance)
        for j in range(cols):
            k = base + j
            if scene.visible[k]:
                fr.draw_point(xs[j], ys[j], sizes[j], scene.gr[k], scene.gg[k], scene.gb[k], cx, cy, sx, sy)
    items = scene.items
    if items and scene.snapshot_present:
        xs = [p[PX] for p in items]
        ys = [p[PY] for p in items]
        zs = [p[PZ] for p in items]
        view = Pose()
        view.angle_z = scene.view.angle_z
        rotate_translate(view, xs, ys, zs)
        rotate_translate(scene.plist_pose, xs, ys, zs)
        sizes = project(xs, ys, zs, scene.eye_distance)
        for k, p in enumerate(items):
            if p[PVIS]:
                fr.draw_point(xs[k], ys[k], sizes[k], p[PR], p[PG], p[PB], cx, cy, sx, sy)
    return fr


def parse_size(text):
    w, h = text.lower().split("x")
    return int(w), int(h)


def run(args):
    message = bytes.fromhex(args.message_hex) if args.message_hex is not None else DEFAULT_MESSAGE
    if message == b"":
        message = DEFAULT_MESSAGE
    scene = Scene(args.follow, Rasters(args.rasters))
    scene.set_message(message)
    scene.build_grid(100, 100)
    scene.pose.angle_x = TILT
    add_angle(scene.view, START_VIEW)
    for i in range(6, 19, 2):
        amplitude = i * 0.1
        k = scene.rnd.draw() % scene.cols
        r = scene.rnd.draw() % scene.rows
        scene.drop_ripple(r, k, amplitude, 50)
        scene.step()
    for _ in range(100):
        scene.step()
    for _ in range(args.ticks):
        scene.step()
        add_angle(scene.view, TICK_ANGLE)
    out = sys.stdout
    scene.dump(out)
    out.flush()
    if args.ppm:
        w, h = parse_size(args.frame)
        render_frame(scene, w, h).write_ppm(args.ppm)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--ticks", type=int, default=0)
    ap.add_argument("--follow", type=int, default=0)
    ap.add_argument("--message-hex", default=None)
    ap.add_argument("--frame", default="1280x1024")
    ap.add_argument("--ppm", default=None)
    ap.add_argument("--rasters", default=None,
                    help="directory of <line-hex>.pbm rasters written by nuvex-trace")
    run(ap.parse_args())


if __name__ == "__main__":
    main()
