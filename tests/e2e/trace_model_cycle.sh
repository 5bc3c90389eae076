#!/usr/bin/env bash
# nuvex-trace against the independent model through a whole cycle of lines:
# four line changes (ticks 92, 992, 1892 and 2792), each line's emission,
# drift, sweep and lift, the view's wrap past 360° (tick 1441) and, with three
# lines, the message starting over. The scene is also compared at the end of
# the first line's half-turn (ticks 990 to 992, the line changing in the last),
# while the second line is swept (1800) and just after the third line change
# (1892); the frame after the last tick.
set -euo pipefail
build="$1"
here=$(cd "$(dirname "$0")/../.." && pwd)
compare="$here/tools/trace_model/compare.sh"
trace="$build/tools/trace/nuvex-trace"

# The default message, standing below the still sea.
sh "$compare" --trace "$trace" --ticks 2830 --follow 1 --dump-at 990,991,992,1800,1892 --ppm
# A message of three lines (one in GBK, the last without a separator),
# riding the waves, on a frame of another shape.
sh "$compare" --trace "$trace" --ticks 2830 --follow 0 --message-hex 48695e6ec9fac8d55e6e4f4b \
    --dump-at 990,991,992,1800,1892 --frame 601x403 --ppm
