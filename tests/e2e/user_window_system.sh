#!/usr/bin/env bash
# The portable window system on a real X server (a private Xvfb): a full-screen
# window appears and shows the pixels presented to it, real key, button and
# pointer input and loss of focus arrive as window messages, another process
# finds the window, a preview child fills a foreign parent and ends with it,
# areas of a frame given together show exactly those areas, and a 33 ms
# timer ticks 30 times a second without spinning.
# Usage: user_window_system.sh BUILD_DIR
set -euo pipefail

build_dir=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
probe="$build_dir/tools/user_probe/nuvex-user-probe"
host="$build_dir/tests/e2e/nuvex_x11_test_host"

for program in Xvfb xdotool xwininfo xdpyinfo import convert; do
    if ! command -v "$program" >/dev/null; then
        echo "SKIP: $program is not installed" >&2
        exit 0
    fi
done
[[ -x "$probe" ]] || { echo "FAIL: $probe is not built" >&2; exit 1; }
[[ -x "$host" ]] || { echo "FAIL: $host is not built" >&2; exit 1; }

work=$(mktemp -d)
pids=()
xvfb_pid=""
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/*.log; do
        [[ -f "$log" ]] && { echo "--- $log" >&2; cat "$log" >&2; }
    done
    exit 1
}

# Waits up to $2 seconds for a line matching $3 in file $1.
wait_for_line() {
    local file=$1 seconds=$2 pattern=$3 i
    for i in $(seq 1 $((seconds * 20))); do
        grep -q -- "$pattern" "$file" 2>/dev/null && return 0
        sleep 0.05
    done
    return 1
}

# Waits up to $2 seconds for process $1 (a child of this shell) to end and
# sets exit_status to its status, or to "running".
exit_status=""
wait_exit() {
    local pid=$1 seconds=$2 i
    exit_status="running"
    for i in $(seq 1 $((seconds * 20))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            exit_status=0
            wait "$pid" || exit_status=$?
            return 0
        fi
        sleep 0.05
    done
}

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/display" \
    >"$work/xvfb.out" 2>&1 &
xvfb_pid=$!
for i in $(seq 1 200); do
    if [[ -s "$work/display" ]]; then
        export DISPLAY=":$(head -n 1 "$work/display")"
        xdpyinfo >/dev/null 2>&1 && break
    fi
    sleep 0.05
done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start"
xdotool mousemove 960 540

# Mean brightness (0..1) of the whole screen, from a screenshot.
screen_brightness() {
    import -window root "$work/shot.png"
    convert "$work/shot.png" -colorspace Gray -format '%[fx:mean]' info:
}

# --- full screen: appears, shows pixels, takes input ---------------------------
"$probe" full >"$work/full.log" 2>&1 &
full_pid=$!
pids+=("$full_pid")
wait_for_line "$work/full.log" 5 "first present" || fail "no frame presented"
wait_for_line "$work/full.log" 5 "WM_ACTIVATEAPP 1" || fail "window not activated"
grep -q "WM_CREATE 1920x1080" "$work/full.log" || fail "window does not cover the screen"
brightness=$(screen_brightness)
awk -v b="$brightness" 'BEGIN { exit !(b > 0.1) }' || fail "screen is black ($brightness)"

# Another process finds the window by class and title and raises it.
"$probe" find >"$work/find.log" 2>&1 || fail "another process did not find the window"
grep -q "raised 1" "$work/find.log" || fail "another process could not raise the window"

xdotool mousemove_relative 3 0
wait_for_line "$work/full.log" 3 "WM_MOUSEMOVE .* screen 963 540" ||
    fail "pointer motion missing or not in screen coordinates"
xdotool click 1
wait_for_line "$work/full.log" 3 "BUTTONDOWN 0x0201" || fail "button press missing"
xdotool key a
wait_for_line "$work/full.log" 3 "WM_KEYDOWN 0x41" || fail "key press missing"
wait_exit "$full_pid" 5
[[ $exit_status == 0 ]] || fail "probe did not end with status 0 after the key"

# --- losing the focus deactivates -------------------------------------------------
"$probe" full >"$work/focus.log" 2>&1 &
focus_pid=$!
pids+=("$focus_pid")
wait_for_line "$work/focus.log" 5 "WM_ACTIVATEAPP 1" || fail "window not activated"
"$host" focus >"$work/focus_host.log" 2>&1 &
pids+=("$!")
wait_for_line "$work/focus.log" 5 "WM_ACTIVATEAPP 0" || fail "loss of focus not reported"
xdotool key Escape 2>/dev/null || true
kill "$focus_pid" 2>/dev/null || true

# --- preview inside a foreign parent -----------------------------------------------
"$host" parent 320 200 >"$work/parent.out" 2>&1 &
parent_pid=$!
pids+=("$parent_pid")
for i in $(seq 1 100); do [[ -s "$work/parent.out" ]] && break; sleep 0.05; done
parent=$(head -n 1 "$work/parent.out")
[[ -n "$parent" ]] || fail "no parent window"
"$probe" preview "$parent" >"$work/preview.log" 2>&1 &
preview_pid=$!
pids+=("$preview_pid")
wait_for_line "$work/preview.log" 5 "first present" || fail "preview presented nothing"
grep -q "WM_CREATE 320x200" "$work/preview.log" || fail "preview does not fill its parent"
child=$(xwininfo -id "$parent" -children | awk '/^ +0x/ { print $1; exit }')
[[ -n "$child" ]] || fail "no child window inside the parent"
xwininfo -id "$child" | grep -q "Width: 320" || fail "child is not as wide as the parent"
kill "$parent_pid"
wait_exit "$preview_pid" 5
[[ $exit_status == 0 ]] || fail "preview did not end with status 0 with its parent"
grep -q "WM_DESTROY" "$work/preview.log" || fail "preview window was not destroyed"

# --- areas of a frame shown together ---------------------------------------------
# Red shown whole, then blue (with a green of (7x + 13y) mod 256, so that an
# area taken from the wrong place shows) in three areas only (16x16, 32x80
# and a single pixel) given in one transfer: the frame's own pixels exactly
# inside each, red next to each edge and between them, inside the box around
# them.
"$probe" areas >"$work/areas.log" 2>&1 &
areas_pid=$!
pids+=("$areas_pid")
wait_for_line "$work/areas.log" 5 "area 40 300 1 1" || fail "the areas were not presented"
sleep 0.3
import -window root "$work/areas.png"
for point in 10,20:in 25,35:in 26,35:out 9,20:out 10,36:out 200,20:in 231,99:in 232,99:out \
    231,100:out 199,50:out 40,300:in 41,300:out 40,301:out 39,300:out 100,50:out; do
    xy=${point%:*}
    expected=FF0000
    if [[ ${point#*:} == in ]]; then
        expected=$(printf '00%02XFF' $(((${xy%,*} * 7 + ${xy#*,} * 13) % 256)))
    fi
    colour=$(convert "$work/areas.png" -format "%[hex:p{$xy}]" info:)
    [[ ${colour:0:6} == "$expected" ]] ||
        fail "pixel $xy shows $colour after the areas, expected $expected"
done
kill "$areas_pid"

# --- timer rate and idle cost --------------------------------------------------------
# The frame is drawn once and then only presented, so the figure is the window
# system's own: waiting for the timer, dispatching, presenting 1920x1080.
NUVEX_PROBE_STATIC=1 "$probe" full 6 >"$work/rate.log" 2>&1 &
rate_pid=$!
pids+=("$rate_pid")
wait_for_line "$work/rate.log" 5 "first present" || fail "no frame for the rate check"
sleep 0.5
ticks_per_second=$(getconf CLK_TCK)
cpu_start=$(awk '{ print $14 + $15 }' "/proc/$rate_pid/stat")
time_start=$(date +%s.%N)
sleep 4
cpu_end=$(awk '{ print $14 + $15 }' "/proc/$rate_pid/stat")
time_end=$(date +%s.%N)
share=$(awk -v a="$cpu_start" -v b="$cpu_end" -v s="$time_start" -v e="$time_end" \
    -v hz="$ticks_per_second" 'BEGIN { printf "%.2f", (b - a) / hz / (e - s) * 100 }')
wait_exit "$rate_pid" 10
[[ $exit_status == 0 ]] || fail "rate probe did not end"
rate=$(awk '/per second/ { print $(NF - 2) }' "$work/rate.log")
echo "timer: $rate ticks per second; window system: $share % of one core"
awk -v r="$rate" 'BEGIN { exit !(r >= 29 && r <= 31) }' || fail "timer rate $rate is not 30 +- 1"
awk -v c="$share" 'BEGIN { exit !(c <= 5) }' || fail "window system uses $share % of a core"

echo "PASS: user_window_system"
