#!/usr/bin/env bash
# `nuvex /s` while the X screen changes under it through RandR: larger, two
# monitors side by side, smaller, upright. After each change the whole screen
# is the saver's again within a second (screenshots show no pixel of the
# desktop's colour, and the sea drawn out to the right edge), the saver's
# window has the screen's size, the animation goes on, and a key press still
# ends the saver with status 0.
source "$(dirname "$0")/saver_common.bash"
for program in xrandr xsetroot; do
    command -v "$program" >/dev/null || { echo "SKIP: $program is not installed" >&2; exit 0; }
done
# The server's frame buffer is as large as the largest screen made here.
start_xvfb 3840x1280
desktop=406080
xsetroot -solid "#$desktop"
for mode in 800x600 1280x1024 1024x1280 1920x1080; do
    xrandr --newmode "$mode" 0 "${mode%x*}" 0 0 0 "${mode#*x}" 0 0 0
    xrandr --addmode screen "$mode"
done
xrandr --output screen --mode 800x600

# Makes a change of screens (the command given after W, H and a name) and
# waits up to a second (or $limit ms) for the saver to cover the new W×H screen.
limit=1000
change_to() {
    local width=$1 height=$2 what=$3
    shift 3
    # The clock starts before the waiter does, so a slow start of it only
    # makes the time longer.
    local since
    since=$(date +%s%N)
    "$host" wait-covered 0 0 "$width" "$height" "$desktop" "$limit" "$since" >"$work_dir/covered" &
    local waiter=$!
    "$@"
    wait "$waiter" || fail "$what: $(cat "$work_dir/covered")"
    local size
    size=$(xwininfo -root -tree | awk '/"Screen Saver"/ {
        match($0, /[0-9]+x[0-9]+[+-][0-9]+[+-][0-9]+/); print substr($0, RSTART, RLENGTH) }')
    [[ $size == "${width}x${height}+0+0" ]] || fail "$what: the saver's window is $size"
    read -r took edge <"$work_dir/covered"
    echo "$what: ${width}x${height} covered ${took} ms after the change, right edge $edge lit"
    expect_running "$saver" "$what"
}

two_monitors() {
    xrandr --fb 3840x1080 --output screen --mode 1920x1080
    xrandr --setmonitor left 1920/508x1080/286+0+0 screen >/dev/null
    xrandr --setmonitor right 1920/508x1080/286+1920+0 none >/dev/null
}

start_saver() {
    start_background "$nuvex" /s
    saver=$started
}

"$host" move 500 500  # inside every screen size used here, so never moved by a change
limit=5000 change_to 800 600 "start" start_saver
change_to 1280 1024 "larger" xrandr --output screen --mode 1280x1024
change_to 3840 1080 "two monitors" two_monitors
for origin in 0 1920; do
    [[ $("$host" count-colour "$origin" 0 1920 1080 "$desktop") == 0 ]] ||
        fail "two monitors: the monitor at x=$origin shows the desktop"
done
xrandr --delmonitor left
xrandr --delmonitor right
change_to 800 600 "smaller" xrandr --output screen --mode 800x600
# Xvfb's output cannot be rotated; a monitor turned upright presents the same
# screen as this portrait mode.
change_to 1024 1280 "upright" xrandr --output screen --mode 1024x1280

# (the machine may be busy: only that the picture still changes is asked)
rate=$("$host" frame-rate 2 whole)
awk -v r="$rate" 'BEGIN { exit !(r >= 1) }' || fail "the picture changes only $rate times a second"
echo "the animation goes on: $rate pictures a second"

xdotool key a
expect_exit_within "$saver" 3 "after a key press"
[[ $exit_status -eq 0 ]] || fail "exit status $exit_status after a key press"
echo "PASS"
