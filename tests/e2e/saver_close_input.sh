#!/usr/bin/env bash
# What closes the full-screen saver besides a key: a button press, a mouse
# move of more than 4 pixels in sum (small moves add up), and another window
# taking the input focus.
source "$(dirname "$0")/saver_common.bash"
start_xvfb

# A button press.
start_full_screen_saver
xdotool click 1
expect_exit_within "$saver" 3 "after a button press"
[[ $exit_status -eq 0 ]] || fail "exit status $exit_status after a button press"

# 3 pixels right and 2 down: 5 in sum.
start_full_screen_saver
"$host" move 503 502
expect_exit_within "$saver" 3 "after a move of 3+2 pixels"
[[ $exit_status -eq 0 ]] || fail "exit status $exit_status after a mouse move"

# 4 pixels in one direction are not more than 4; one more pixel is.
start_full_screen_saver
"$host" move 504 500
sleep 1
expect_running "$saver" "after a move of 4 pixels"
"$host" move 505 500
expect_exit_within "$saver" 3 "after one more pixel"
[[ $exit_status -eq 0 ]] || fail "exit status $exit_status after the fifth pixel"

# Another window takes the focus: the saver has lost activation.
start_full_screen_saver
start_background "$host" focus
expect_exit_within "$saver" 3 "after losing the focus"
[[ $exit_status -eq 0 ]] || fail "exit status $exit_status after losing the focus"
echo "PASS"
