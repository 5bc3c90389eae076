#!/usr/bin/env bash
# The live full-screen saver's processor time per tick at the sizes of other
# screens, each against a reference measured in the same run on the same
# screen: a frame of that size cleared and presented 30.3 times a second, the
# way the saver presents (the test host's clear-present). One private Xvfb
# screen is switched through RandR to 1280x1024, 1920x1080, 2560x1440 and
# 3840x2160, and to two 1920x1080 monitors side by side (3840x1080).
#   - the saver: processor time of all its threads (/proc/<pid>/task/*/schedstat)
#     over the measuring time, from 6 s after its start, divided by its ticks, counted by a user-space
#     probe on TimerTick (as root, with perf), else taken as 30.3 a second;
#   - the reference: its own processor time per frame (getrusage);
#   - and each with the X server's processor time over the same span, per
#     tick or frame: what the machine spends to show the picture.
# Every size is measured in each of several rounds; the medians close the report.
# Usage: tools/measure-screen-sizes.sh BUILD_DIR [ROUNDS, default 3] [SECONDS per
#        measurement, default 8]   (a Release build is what ships; about 2 minutes
#        a round)
set -euo pipefail
source "$(dirname "$0")/../tests/e2e/saver_common.bash"
rounds=${2:-3}
seconds=${3:-8}
command -v xrandr >/dev/null || fail "xrandr is not installed (tools/setup-deps.sh installs it)"
start_xvfb 3840x2160
for mode in 1280x1024 1920x1080 2560x1440; do  # 3840x2160 is the screen's own
    xrandr --newmode "$mode" 0 "${mode%x*}" 0 0 0 "${mode#*x}" 0 0 0
    xrandr --addmode screen "$mode"
done

probe=
if [[ $(id -u) -eq 0 ]] && command -v perf >/dev/null &&
    perf probe -q -x "$nuvex" --add 'measure_sizes_tick=TimerTick' 2>/dev/null; then
    probe=probe_nuvex:measure_sizes_tick
    trap 'perf probe -q -d "$probe" 2>/dev/null || true; cleanup' EXIT
fi

# Nanoseconds of processor time of all threads of a process.
processor_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { print s }'; }

set_screen() {
    case $1 in
        2x1920x1080)
            xrandr --fb 3840x1080 --output screen --mode 1920x1080
            xrandr --setmonitor left 1920/508x1080/286+0+0 screen >/dev/null
            xrandr --setmonitor right 1920/508x1080/286+1920+0 none >/dev/null ;;
        *)
            xrandr --delmonitor left >/dev/null 2>&1 || true
            xrandr --delmonitor right >/dev/null 2>&1 || true
            xrandr --output screen --mode "$1" ;;
    esac
}

sizes=(1280x1024 1920x1080 2560x1440 3840x2160 2x1920x1080)
results=$work_dir/results
for round in $(seq 1 "$rounds"); do
    for size in "${sizes[@]}"; do
        set_screen "$size"
        "$host" move 10 10
        start_background "$nuvex" /s
        saver=$started
        # Start-up and the emission of the first line (over by about 5 s) are
        # not counted: the ticks measured are those of a line standing in the
        # sea, as in the benchmark (an emission, 32 ticks in every 900, costs
        # more).
        sleep 6
        before=$(processor_ns "$saver")
        server_before=$(processor_ns "$xvfb_pid")
        if [[ -n $probe ]]; then
            ticks=$(perf stat -x, -e "$probe" -p "$saver" -- sleep "$seconds" 2>&1 |
                awk -F, '/measure_sizes_tick/ { print $1 }')
        else
            sleep "$seconds"
            ticks=$(awk -v s="$seconds" 'BEGIN { print s * 1000 / 33 }')
        fi
        after=$(processor_ns "$saver")
        server_after=$(processor_ns "$xvfb_pid")
        expect_running "$saver" "$size"
        kill "$saver"
        wait "$saver" 2>/dev/null || true
        reference_server_before=$(processor_ns "$xvfb_pid")
        read -r reference frames < <("$host" clear-present "$seconds")
        reference_server_after=$(processor_ns "$xvfb_pid")
        awk -v b="$before" -v a="$after" -v t="$ticks" -v s="$seconds" -v r="$reference" \
            -v xb="$server_before" -v xa="$server_after" -v rb="$reference_server_before" \
            -v ra="$reference_server_after" -v f="$frames" \
            -v n="$size" -v k="$round" 'BEGIN {
                per = (a - b) / 1e6 / t
                both = per + (xa - xb) / 1e6 / t
                reference_both = r + (ra - rb) / 1e6 / f
                printf "round %d  %-12s saver %.3f ms/tick (%.1f ticks/s)  reference %.3f ms  %.2fx;" \
                    "  with the X server %.3f and %.3f ms  %.2fx\n",
                    k, n, per, t / s, r, per / r, both, reference_both, both / reference_both
                printf "%s %.4f %.4f %.4f %.4f %.4f %.4f\n", n, per, r, per / r, both, reference_both,
                    both / reference_both >> "'"$results"'"
            }'
    done
done
[[ -n $probe ]] || echo "(no tick probe: ticks taken as 30.3 a second)"

echo "== medians of $rounds rounds"
printf '%-13s %14s %14s %8s %14s %14s %8s\n' screen "saver ms/tick" "reference ms" ratio \
    "saver+X ms" "reference+X ms" ratio
for size in "${sizes[@]}"; do
    awk -v n="$size" '$1 == n { s[++k] = $2; r[k] = $3; q[k] = $4; sx[k] = $5; rx[k] = $6; qx[k] = $7 }
        function median(a, m,   i, j, t) {
            for (i = 1; i <= m; i++) for (j = i + 1; j <= m; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
            return m % 2 ? a[(m + 1) / 2] : (a[m / 2] + a[m / 2 + 1]) / 2
        }
        END { printf "%-13s %14.3f %14.3f %7.2fx %14.3f %14.3f %7.2fx\n", n, median(s, k), median(r, k),
                  median(q, k), median(sx, k), median(rx, k), median(qx, k) }' "$results"
done
