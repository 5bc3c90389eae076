#!/usr/bin/env bash
# The processor time of the full-screen saver on Wayland beside X11, side by
# side in one run at one size (default 1920x1080): in each round, in turn,
#   - the saver under a headless sway (pixman, no GPU), and sway meanwhile;
#   - the reference there: a frame of the output's size cleared and presented
#     30.3 times a second through the same kind of surface and buffers
#     (the Wayland test host's clear-present), and sway meanwhile;
#   - the saver under Xvfb, and Xvfb meanwhile;
#   - the reference there (the X11 test host's clear-present), and Xvfb.
# Each is measured over SECONDS from 6 s after its start (the saver's first
# line has then risen), as milliseconds of processor time per second; the
# medians of the rounds close the report, with the ratios of the two paths.
# Usage: tools/measure-wayland.sh BUILD_DIR [ROUNDS, default 5] [SECONDS,
#        default 8] [WxH, default 1920x1080]
source "$(dirname "$0")/../tests/e2e/wayland_common.bash"
rounds=${2:-5}
seconds=${3:-8}
size=${4:-1920x1080}
x11_host="$build_dir/tests/e2e/nuvex_x11_test_host"
command -v Xvfb >/dev/null || fail "Xvfb is not installed"
start_sway "$size"
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$work/xdisplay" \
    >/dev/null 2>&1 &
xvfb_pid=$!
pids+=("$xvfb_pid")
for _ in $(seq 1 100); do [[ -s "$work/xdisplay" ]] && break; sleep 0.05; done
x_display=":$(head -n 1 "$work/xdisplay")"

# Nanoseconds of processor time of all threads of a process.
processor_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f\n", s }'; }

# measure <server pid> <command...>: runs the command in the background,
# waits 6 s, then prints the processor milliseconds per second of the
# command and of the server over $seconds.
measure() {
    local server=$1
    shift
    "$@" >/dev/null 2>&1 &
    local pid=$!
    sleep 6
    local a0 s0 a1 s1
    a0=$(processor_ns "$pid")
    s0=$(processor_ns "$server")
    sleep "$seconds"
    a1=$(processor_ns "$pid")
    s1=$(processor_ns "$server")
    kill -0 "$pid" 2>/dev/null || fail "$* ended early"
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null || true
    awk -v a="$((a1 - a0))" -v s="$((s1 - s0))" -v t="$seconds" \
        'BEGIN { printf "%.1f %.1f\n", a / 1e6 / t, s / 1e6 / t }'
}

results="$work/results"
for round in $(seq 1 "$rounds"); do
    read -r ws wc < <(measure "$sway_pid" "$nuvex" /s)
    read -r wr wrc < <(measure "$sway_pid" "$host" clear-present 1000)
    read -r xs xc < <(DISPLAY=$x_display measure "$xvfb_pid" env -u WAYLAND_DISPLAY "$nuvex" /s)
    read -r xr xrc < <(DISPLAY=$x_display measure "$xvfb_pid" "$x11_host" clear-present 1000)
    echo "round $round, ms/s: Wayland saver $ws sway $wc, reference $wr sway $wrc;" \
        "X11 saver $xs Xvfb $xc, reference $xr Xvfb $xrc"
    echo "$ws $wc $wr $wrc $xs $xc $xr $xrc" >>"$results"
done
awk '
    function median(list, n,    i, j, t) {
        for (i = 1; i <= n; ++i) for (j = i + 1; j <= n; ++j)
            if (list[j] < list[i]) { t = list[i]; list[i] = list[j]; list[j] = t }
        return n % 2 ? list[(n + 1) / 2] : (list[n / 2] + list[n / 2 + 1]) / 2
    }
    {
        ++n; ws[n] = $1; wc[n] = $2; wr[n] = $3; wrc[n] = $4
        xs[n] = $5; xc[n] = $6; xr[n] = $7; xrc[n] = $8
    }
    END {
        a = median(ws, n); b = median(wc, n); c = median(wr, n); d = median(wrc, n)
        e = median(xs, n); f = median(xc, n); g = median(xr, n); h = median(xrc, n)
        printf "medians of %d rounds, ms of processor time per second:\n", n
        printf "  Wayland: saver %.1f + sway %.1f = %.1f;  reference %.1f + sway %.1f = %.1f\n", a, b, a + b, c, d, c + d
        printf "  X11:     saver %.1f + Xvfb %.1f = %.1f;  reference %.1f + Xvfb %.1f = %.1f\n", e, f, e + f, g, h, g + h
        printf "  saver Wayland/X11 %.2f; saver+server Wayland/X11 %.2f\n", a / e, (a + b) / (e + f)
        printf "  against the reference: Wayland %.2fx, X11 %.2fx (saver+server over reference+server)\n", (a + b) / (c + d), (e + f) / (g + h)
    }' "$results"
