#!/usr/bin/env bash
# A saver, preview or settings dialog that cannot get a window ends at once
# with status 255 and one line on the error stream naming why: no display, a
# display that cannot be opened, a preview window that does not exist, a window
# id too large for a window. Nothing is written to the standard output and
# nothing is left on the screen.
source "$(dirname "$0")/saver_common.bash"
# In a sanitizer build the helper X client is instrumented too; it keeps its
# display open until it exits, which is not what this test looks at.
printf '#!/bin/sh\nASAN_OPTIONS=detect_leaks=0 exec "%s" "$@"\n' "$host" >"$work_dir/host"
chmod +x "$work_dir/host"
host="$work_dir/host"
export NO_AT_BRIDGE=1

# expect_refusal <expected words> <argument>...: runs nuvex and checks how it
# ends.
expect_refusal() {
    local says=$1
    shift
    local status=0
    timeout 20 "$nuvex" "$@" >"$work_dir/out" 2>"$work_dir/err" || status=$?
    local what="nuvex $* (DISPLAY=${DISPLAY-unset})"
    [[ $status -eq 255 ]] || fail "$what ended with status $status, not 255"
    [[ ! -s "$work_dir/out" ]] || fail "$what wrote to the standard output"
    if grep -q "Sanitizer\|runtime error" "$work_dir/err"; then
        cat "$work_dir/err" >&2
        fail "$what: sanitizer report"
    fi
    local lines
    lines=$(wc -l <"$work_dir/err")
    [[ $lines -eq 1 ]] || { cat "$work_dir/err" >&2; fail "$what wrote $lines lines, not 1"; }
    grep -qF -- "$says" "$work_dir/err" || fail "$what said '$(cat "$work_dir/err")', not '$says'"
}

# No display at all.
(
    unset DISPLAY
    expect_refusal "DISPLAY is not set" /s
    expect_refusal "DISPLAY is not set" /p 12345
    expect_refusal "cannot show the settings dialog: no display to draw on (DISPLAY is not set)" /c
) || exit 1

# A display nobody serves.
for number in $(seq 97 400); do
    [[ -e /tmp/.X11-unix/X$number || -e /tmp/.X$number-lock ]] || break
done
(
    export DISPLAY=":$number"
    expect_refusal "cannot open display \":$number\"" /s
    expect_refusal "cannot open display \":$number\"" /l 12345
    expect_refusal "cannot show the settings dialog: cannot open display \":$number\"" /c
) || exit 1

# A live display, but window ids that name no window.
start_xvfb
coproc PARENT { exec "$host" parent 400 300; }
background_pids+=("$PARENT_PID")
read -r parent_id <&"${PARENT[0]}"
[[ -n "$parent_id" ]] || fail "no parent window"

expect_refusal "no window 12345 on display \"$DISPLAY\"" /p 12345
expect_refusal "no window 4294967295 on display \"$DISPLAY\"" /p 4294967295
# The parent's id plus 2^32 would wrap round to the parent itself.
wrapped=$((parent_id + 4294967296))
expect_refusal "window id $wrapped is out of range" /p "$wrapped"
expect_refusal "window id 99999999999999999999999 is out of range" /l 99999999999999999999999
expect_refusal "usage" /p -5
expect_refusal "usage" /p -"$parent_id"

children=$(xwininfo -children -id "$parent_id" | awk '/^ +0x/ { print $1 }')
[[ -z "$children" ]] || fail "a window was made inside the parent"
[[ -z $("$host" topmost) || $("$host" topmost) == "$parent_id" ]] || fail "a window was left behind"
echo "PASS"
