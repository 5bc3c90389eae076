#!/usr/bin/env bash
# A second `nuvex /s` while one runs ends at once with status 0 and brings the
# running saver back to the top.
source "$(dirname "$0")/saver_common.bash"
start_xvfb

start_full_screen_saver
first_window=$("$host" topmost)

# Something else on top of the saver.
start_background "$host" parent 300 200
sleep 0.5
[[ $("$host" topmost) != "$first_window" ]] || fail "the test window did not come on top"

start_background "$nuvex" /s
second=$started
expect_exit_within "$second" 2 "the second saver"
[[ $exit_status -eq 0 ]] || fail "the second saver ended with status $exit_status"
sleep 0.3
expect_running "$saver" "the first saver"
[[ $("$host" topmost) == "$first_window" ]] || fail "the first saver was not raised"
echo "PASS"
