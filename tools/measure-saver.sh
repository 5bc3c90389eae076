#!/usr/bin/env bash
# Measures the live full-screen saver on a private 1920×1080 Xvfb screen:
#   - start to first frame: from starting the process to the first non-black
#     pixel on the screen (the X client polls a band where the sea is drawn),
#     ten runs;
#   - processor time: utime + stime from /proc/<pid>/stat over 20 s, as a
#     share of one core;
#   - frames per second: how often a band across the screen changes, 10 s;
#   - ticks and paints per second over 20 s, counted by user-space probes on
#     TimerTick and render_frame (only as root, with perf).
# Usage: tools/measure-saver.sh BUILD_DIR   (a Release build is what ships)
set -euo pipefail
source "$(dirname "$0")/../tests/e2e/saver_common.bash"
start_xvfb

echo "== start to first frame (ms), 10 runs"
for run in 1 2 3 4 5 6 7 8 9 10; do
    "$host" first-frame 5000 "$nuvex" /s
    sleep 0.5
done

echo "== processor time over 20 s"
start_background "$nuvex" /s
saver=$started
wait_for_picture 5 || fail "no picture"
sleep 2
clock_ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
before=$(cpu_ticks "$saver")
start=$(date +%s.%N)
sleep 20
after=$(cpu_ticks "$saver")
end=$(date +%s.%N)
awk -v b="$before" -v a="$after" -v s="$start" -v e="$end" -v hz="$clock_ticks" \
    'BEGIN { printf "%.2f %% of one core (%d ticks of 1/%d s in %.2f s)\n", 100 * (a - b) / hz / (e - s), a - b, hz, e - s }'

echo "== frames presented per second, 10 s"
"$host" frame-rate 10

if [[ $(id -u) -eq 0 ]] && command -v perf >/dev/null &&
    perf probe -q -x "$nuvex" TimerTick 2>/dev/null &&
    perf probe -q -x "$nuvex" render_frame 2>/dev/null; then
    echo "== ticks and paints per second, 20 s"
    perf stat -x, -e probe_nuvex:TimerTick -e probe_nuvex:render_frame -p "$saver" -- sleep 20 2>&1 |
        awk -F, '/probe_nuvex/ { split($3, name, ":"); printf "%s: %.2f per second\n", name[2], $1 / 20 }'
    perf probe -q -d 'probe_nuvex:TimerTick' -d 'probe_nuvex:render_frame' 2>/dev/null || true
fi
kill "$saver"
