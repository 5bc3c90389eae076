#!/usr/bin/env bash
# `nuvex /s` on a 1920×1080 X screen: the sea is on screen within a second, the
# pointer is hidden, and a key press ends the saver with exit status 0.
source "$(dirname "$0")/saver_common.bash"
start_xvfb

"$host" move 500 500
start_background "$nuvex" /s
saver=$started
wait_for_picture 1.0 || fail "no picture within a second of the start"
echo "picture on screen: $(lit_fraction) of the pixels lit"

# The whole screen is covered by one window of the screen's size.
top=$("$host" topmost)
[[ -n "$top" ]] || fail "no window on screen"
geometry=$(xwininfo -id "$top" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
[[ "$geometry" == "1920x1080" ]] || fail "the saver window is $geometry, not 1920x1080"

"$host" cursor-hidden || fail "the pointer is visible over the saver"

sleep 0.5
expect_running "$saver" "before any input"
xdotool key a
expect_exit_within "$saver" 3 "after a key press"
[[ $exit_status -eq 0 ]] || fail "exit status $exit_status after a key press"
echo "PASS"
