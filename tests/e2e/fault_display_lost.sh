#!/usr/bin/env bash
# When the X server goes away under the full-screen saver or the settings
# dialog, the program ends within a second with status 255 and one line on the
# error stream, and (in a sanitizer build) without a sanitizer report.
source "$(dirname "$0")/saver_common.bash"
# In a sanitizer build the helper X client is instrumented too; it keeps its
# display open until it exits, which is not what this test looks at.
printf '#!/bin/sh\nASAN_OPTIONS=detect_leaks=0 exec "%s" "$@"\n' "$host" >"$work_dir/host"
chmod +x "$work_dir/host"
host="$work_dir/host"
export NO_AT_BRIDGE=1 GDK_BACKEND=x11

# lose_display <what> <pid> <error file>: kills the X server under the program
# and checks how the program ends.
lose_display() {
    local what=$1 pid=$2 errors=$3
    kill -9 "$xvfb_pid"
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
    local start
    start=$(date +%s%N)
    while kill -0 "$pid" 2>/dev/null && (($(date +%s%N) - start < 1000000000)); do
        sleep 0.02
    done
    kill -0 "$pid" 2>/dev/null && fail "$what: still running 1 s after the X server was killed"
    local status=0
    wait "$pid" || status=$?
    if grep -q "Sanitizer\|runtime error" "$errors"; then
        cat "$errors" >&2
        fail "$what: sanitizer report"
    fi
    [[ $status -eq 255 ]] || fail "$what: status $status, not 255"
    local lines
    lines=$(wc -l <"$errors")
    [[ $lines -eq 1 ]] || { cat "$errors" >&2; fail "$what: $lines lines on the error stream, not 1"; }
    grep -q "nuvex: lost the connection to display \"$DISPLAY\"" "$errors" ||
        fail "$what said '$(cat "$errors")'"
}

start_xvfb
"$host" move 500 500
"$nuvex" /s >/dev/null 2>"$work_dir/saver.err" &
saver=$!
background_pids+=("$saver")
wait_for_picture 20 || fail "the saver drew nothing"
sleep 0.5
lose_display "nuvex /s" "$saver" "$work_dir/saver.err"

start_xvfb
"$nuvex" /c >/dev/null 2>"$work_dir/dialog.err" &
dialog=$!
background_pids+=("$dialog")
timeout 20 xdotool search --sync --onlyvisible --pid "$dialog" >/dev/null ||
    fail "the settings dialog did not show"
sleep 0.5
lose_display "nuvex /c" "$dialog" "$work_dir/dialog.err"
echo "PASS"
