#!/usr/bin/env python3
"""Counts the frames a module painted, from Wine's relay trace of
gdi32.BitBlt, gdi32.CreateCompatibleDC and user32.EndPaint (read on standard
input).

A paint copies the whole frame (one SRCCOPY transfer from 0, 0 of the frame's
size) or only the areas that changed since the last one (several smaller
transfers from the same frame bitmap). Each frame bitmap's size is learnt from
its first transfer, the whole frame at the first paint after its memory DC is
made (a handle made again starts over); every EndPaint of
a thread that copied something since its last one counts one frame of the
size of the bitmap it copied from. A transfer that reaches outside that size
counts the frame as "mixed", so a frame drawn at the wrong size shows.

Prints "count:WxH" pairs, most frequent first."""
import collections
import re
import sys

CALL = re.compile(r"^([0-9a-f]+):Call (gdi32\.BitBlt|user32\.EndPaint)\(([^)]*)\)")
MADE = re.compile(r"^[0-9a-f]+:Ret  gdi32\.CreateCompatibleDC\(\) retval=([0-9a-f]+)")
SRCCOPY = 0xCC0020

size_of_source = {}
pending = collections.defaultdict(list)  # thread -> transfers since its last EndPaint
frames = collections.Counter()
for line in sys.stdin:
    made = MADE.match(line)
    if made:
        size_of_source.pop(int(made.group(1), 16) & 0xFFFFFFFF, None)
        continue
    match = CALL.match(line)
    if not match:
        continue
    thread, function, args = match.groups()
    if function == "gdi32.BitBlt":
        a = [int(v, 16) & 0xFFFFFFFF for v in args.split(",")]
        x, y, w, h, source, sx, sy, rop = a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8]
        if rop != SRCCOPY:
            continue
        if source not in size_of_source and x == y == sx == sy == 0:
            size_of_source[source] = (w, h)
        pending[thread].append((source, sx, sy, w, h))
    elif pending[thread]:
        sizes = set()
        for source, sx, sy, w, h in pending[thread]:
            fw, fh = size_of_source.get(source, (0, 0))
            sizes.add(f"{fw}x{fh}" if sx + w <= fw and sy + h <= fh else "mixed")
        frames[sizes.pop() if len(sizes) == 1 else "mixed"] += 1
        pending[thread].clear()
print(" ".join(f"{n}:{size}" for size, n in frames.most_common()))
