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
of the program's own) the numbers should agree bit for bit.  The per-node and
per-particle formulas run on numpy arrays, one IEEE operation at a time in the
written order, so that a whole cycle of lines (some 2,800 ticks) takes about
a seventh of the time plain Python takes; --dump-at prints the scene after
earlier ticks of the same run too.
"""

import argparse
import decimal
import math
import os
import sys

import numpy as np

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


def exchange_schedule(pairs, nodes):
    """Groups the colour exchanges of one sweep, given in the order the step
    makes them, into rounds of exchanges that share no node.  Each exchange
    goes into the round after the last one that touched either of its nodes,
    so every node meets its exchanges in the order of the sweep, with each
    partner's colour as the sweep would have left it: running the rounds one
    after another gives the sweep's numbers exactly.  Each round is one array
    of node indices, the P nodes followed by the Q nodes."""
    last = [0] * nodes
    rounds = []
    for p, q, _ in pairs:
        r = max(last[p], last[q])
        if r == len(rounds):
            rounds.append(([], []))
        rounds[r][0].append(p)
        rounds[r][1].append(q)
        last[p] = last[q] = r + 1
    return [(np.array(ps + qs, dtype=np.int64), len(ps)) for ps, qs in rounds]


def force_slots(pairs, nodes):
    """The height coupling's additions to each node's acceleration, in the
    order the sweep makes them: slot k holds every node's k-th addition (the
    pair's P and Q nodes, whether the node is P (+= f) and whether the pair
    is a diagonal).  A node appears at most once in a slot, so a slot is one
    array operation, and the slots in turn give each sum in the sweep's order."""
    per_node = [[] for _ in range(nodes)]
    for p, q, diag in pairs:
        per_node[p].append((p, q, True, diag))
        per_node[q].append((p, q, False, diag))
    slots = []
    for k in range(max((len(c) for c in per_node), default=0)):
        rows = [(n,) + c[k] for n, c in enumerate(per_node) if len(c) > k]
        node, p, q, is_p, diag = zip(*rows)
        slots.append((np.array(node), np.array(p), np.array(q), np.array(is_p), np.array(diag)))
    return slots


class Scene:
    """The scene.  Grid fields are arrays over the nodes in row-major order
    (colours as one array of rows red, green, blue); text particle fields are
    arrays in list order.  Every per-node or per-particle formula is applied
    to the whole array at once with numpy, which rounds each operation to the
    nearest double as the scalar form does and, operation by operation, in
    the same order; the two places where one node or particle depends on
    another (the colour exchanges, and particles staining the same node) are
    worked out so that the written order holds (see exchange_schedule
    and move_text)."""

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
        self.capacity = 0
        self.snapshot_present = False
        self.clear_arrays()

    def clear_arrays(self):
        self.px = np.zeros(0)
        self.py = np.zeros(0)
        self.pz = np.zeros(0)
        self.pcolour = np.zeros((0, 3))
        self.ph = np.zeros(0)
        self.pv = np.zeros(0)
        self.pvis = np.zeros(0, dtype=bool)
        self.prel = np.zeros(0, dtype=bool)
        self.pcell = np.zeros(0, dtype=np.int64)  # the node under the particle

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
        self.snapshot_present = False
        self.capacity = 0
        self.clear_arrays()

    def count(self):
        return len(self.px)

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
        gx = [0.0] * n
        gy = [0.0] * n
        visible = [0] * n
        hr = cdiv(rows, 2)
        hc = cdiv(cols, 2)
        for i in range(rows):
            for j in range(cols):
                u = fdiv(float(i - hr), float(hr))
                v = fdiv(float(j - hc), float(hc))
                if u * u + v * v <= 1:
                    k = i * cols + j
                    visible[k] = 1
                    r1 = self.rnd.draw() % 100
                    r2 = self.rnd.draw() % 100
                    gy[k] = ((j - hc) + (50 - r1) * SCATTER) * self.spacing
                    gx[k] = ((i - hr) + (50 - r2) * SCATTER) * self.spacing
        self.gx = np.array(gx)
        self.gy = np.array(gy)
        self.gz = np.zeros(n)
        self.colour = np.ones((n, 3))
        self.spray_z = np.zeros(n)
        self.height = np.zeros(n)
        self.spray_vz = np.zeros(n)
        self.velocity = np.zeros(n)
        self.accel = np.zeros(n)
        self.visible = np.array(visible, dtype=bool)
        # The coupled pairs never change: both nodes visible, in the order of
        # the sweep (cells row-major, then A-B, A-C, A-D, B-C).
        pairs = []
        for i in range(rows - 1):
            for j in range(cols - 1):
                a = i * cols + j
                b = a + 1
                c = a + cols
                d = c + 1
                if visible[a] and visible[b]:
                    pairs.append((a, b, False))
                if visible[a] and visible[c]:
                    pairs.append((a, c, False))
                if visible[a] and visible[d]:
                    pairs.append((a, d, True))
                if visible[b] and visible[c]:
                    pairs.append((b, c, True))
        self.exchange_rounds = exchange_schedule(pairs, n)
        self.force_slots = force_slots(pairs, n)

    def drop_ripple(self, r0, c0, amp, radius):
        if radius <= 0:
            return
        rr = float(radius * radius)
        velocity = self.velocity.tolist()
        visible = self.visible.tolist()
        for r in range(r0 - radius, r0 + radius):
            for k in range(c0 - radius, c0 + radius):
                if r < 0 or r >= self.rows or k < 0 or k >= self.cols:
                    continue
                n = r * self.cols + k
                if not visible[n]:
                    continue
                d2 = (r - r0) * (r - r0) + (k - c0) * (k - c0)
                if d2 <= radius * radius:
                    velocity[n] += amp * cos_cr((math.sqrt(float(d2) / rr) * self.ripple_waves) * PI)
        self.velocity = np.array(velocity)

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

    # ---- emitter -------------------------------------------------------
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
        made = []
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
                    made.append((x, y, z, green, blue))
                    # append: the list grows by 100 records when full
                    if self.count() + len(made) - 1 >= self.capacity:
                        self.capacity = self.capacity + 100
        if made:
            x, y, z, green, blue = (np.array(column) for column in zip(*made))
            cells = [self.cell(a, b) for a, b, _, _, _ in made]
            self.px = np.concatenate([self.px, x])
            self.py = np.concatenate([self.py, y])
            self.pz = np.concatenate([self.pz, z])
            self.pcolour = np.concatenate([self.pcolour, np.column_stack([np.ones(len(made)), green, blue])])
            self.ph = np.concatenate([self.ph, z])
            self.pv = np.concatenate([self.pv, np.zeros(len(made))])
            self.pvis = np.concatenate([self.pvis, np.ones(len(made), dtype=bool)])
            self.prel = np.concatenate([self.prel, np.zeros(len(made), dtype=bool)])
            self.pcell = np.concatenate([self.pcell, np.array(cells, dtype=np.int64)])
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
        self.move_sea()
        self.move_text(tp)

    def move_sea(self):
        height = self.height
        # Restoring force on the visible nodes.
        accel = np.where(self.visible, -(height * self.spring), self.accel)
        # Neighbour coupling of heights: f = (Q.height - P.height) * 0.125,
        # times the diagonal weight; P.accel += f, Q.accel -= f.
        for node, p, q, is_p, diag in self.force_slots:
            f = (height[q] - height[p]) * 0.125
            f = np.where(diag, f * 0.7072135785007072, f)
            before = accel[node]
            accel[node] = np.where(is_p, before + f, before - f)
        self.accel = accel
        # ... and of colours: g = (Q.colour - P.colour) * 0.125; P += g; Q -= g.
        colour = self.colour
        for nodes, half in self.exchange_rounds:
            both = colour[nodes]
            g = (both[half:] - both[:half]) * 0.125
            both[:half] += g
            both[half:] -= g
            colour[nodes] = both
        # Integration of every node.
        velocity = (accel + self.velocity) * self.damping
        height = height + velocity
        spray_vz = self.spray_vz + self.gravity
        spray_z = self.spray_z + spray_vz
        raised = height + self.lift
        carried = raised > spray_z
        self.spray_z = np.where(carried, raised, spray_z)
        self.spray_vz = np.where(carried, velocity, spray_vz)
        self.velocity = velocity
        self.height = height
        self.gz = self.spray_z.copy()
        self.colour = colour + (1 - colour) * 0.001

    def move_text(self, tp):
        n = self.count()
        if n <= 0:
            return
        rnd = self.rnd
        released = self.prel
        released[rnd.draw() % n] = True
        q = tp * 32
        if q > 0:
            k = 1
            while True:
                released[rnd.draw() % n] = True
                if not (k < q):
                    break
                k += 1
        # Falling.
        falling = released & (self.pz > -10 * self.max_text_height)
        self.pv = np.where(falling, self.pv + self.gravity, self.pv)
        self.pz = np.where(falling, self.pz + self.pv, self.pz)
        # Staining, by the particles that were visible (before this step) and
        # are released, in list order: where several stain one node, the last
        # one's colour stays.  Nothing else in the loop reads colours, so the
        # stains can all be made before the visibility tests.
        staining = np.nonzero(self.pvis & released)[0]
        if len(staining):
            cells = self.pcell[staining]
            _, from_end = np.unique(cells[::-1], return_index=True)
            last = staining[len(staining) - 1 - from_end]
            self.colour[self.pcell[last]] = self.pcolour[last]
        # Visibility against the sea, then riding.
        sea = self.gz[self.pcell]
        self.pvis = sea < self.pz
        if self.follow == 0:
            riding = self.pvis & ~released
            self.pz = np.where(riding, sea + self.ph, self.pz)
        if tp > 0.9:
            self.sweep_speed = self.sweep_speed + self.gravity
            self.sweep_level = self.sweep_level + self.sweep_speed
            released |= self.ph > self.sweep_level

    # ---- output ----------------------------------------------------------
    def dump(self, out):
        w = out.write
        w("scene %d %d %s %s %s %s %d %d %s %d %d\n" % (
            self.rows, self.cols, fmt(self.view.angle_z), fmt(self.lift),
            fmt(self.sweep_level), fmt(self.sweep_speed), self.cursor, self.emit_count,
            self.line.hex() if self.line else "-", self.count(), self.capacity))
        cols = self.cols
        columns = [a.tolist() for a in (self.gx, self.gy, self.gz, self.colour[:, 0], self.colour[:, 1],
                                        self.colour[:, 2], self.spray_z, self.height, self.spray_vz,
                                        self.velocity, self.accel)]
        visible = self.visible.tolist()
        for k, values in enumerate(zip(*columns)):
            w("%d %d %s %d\n" % (k // cols, k % cols, " ".join(fmt(v) for v in values), visible[k]))
        columns = [a.tolist() for a in (self.px, self.py, self.pz, self.pcolour[:, 0], self.pcolour[:, 1],
                                        self.pcolour[:, 2], self.ph, self.pv)]
        flags = zip(self.pvis.tolist(), self.prel.tolist())
        for k, (values, (vis, rel)) in enumerate(zip(zip(*columns), flags)):
            w("p %d %s %d %d\n" % (k, " ".join(fmt(v) for v in values), vis, rel))


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
    gx, gy, gz = scene.gx.tolist(), scene.gy.tolist(), scene.gz.tolist()
    colour = scene.colour.tolist()
    visible = scene.visible.tolist()
    for i in range(scene.rows):
        base = i * cols
        xs = gx[base:base + cols]
        ys = gy[base:base + cols]
        zs = gz[base:base + cols]
        rotate_translate(scene.view, xs, ys, zs)
        rotate_translate(scene.pose, xs, ys, zs)
        sizes = project(xs, ys, zs, scene.eye_distance)
        for j in range(cols):
            k = base + j
            if visible[k]:
                fr.draw_point(xs[j], ys[j], sizes[j], *colour[k], cx, cy, sx, sy)
    if scene.count() > 0 and scene.snapshot_present:
        xs = scene.px.tolist()
        ys = scene.py.tolist()
        zs = scene.pz.tolist()
        view = Pose()
        view.angle_z = scene.view.angle_z
        rotate_translate(view, xs, ys, zs)
        rotate_translate(scene.plist_pose, xs, ys, zs)
        sizes = project(xs, ys, zs, scene.eye_distance)
        colour = scene.pcolour.tolist()
        for k, shown in enumerate(scene.pvis.tolist()):
            if shown:
                fr.draw_point(xs[k], ys[k], sizes[k], *colour[k], cx, cy, sx, sy)
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
    out = sys.stdout
    dumps = sorted(set(t for t in args.dump_at if 0 <= t < args.ticks))
    for tick in range(1, args.ticks + 1):
        scene.step()
        add_angle(scene.view, TICK_ANGLE)
        if dumps and tick == dumps[0]:
            scene.dump(out)
            dumps.pop(0)
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
    ap.add_argument("--dump-at", type=lambda v: [int(t) for t in v.split(",") if t], default=[],
                    help="comma-separated ticks after which the scene is printed too")
    ap.add_argument("--ppm", default=None)
    ap.add_argument("--rasters", default=None,
                    help="directory of <line-hex>.pbm rasters written by nuvex-trace")
    run(ap.parse_args())


if __name__ == "__main__":
    main()
