#!/usr/bin/env bash
# `nuvex /p <xid>` draws inside a parent window at the parent's size, takes no
# notice of keys and the mouse, and ends with status 0 when the parent goes.
source "$(dirname "$0")/saver_common.bash"
start_xvfb

for mode in /p /l; do
    coproc PARENT { exec "$host" parent 400 300; }
    parent_pid=$PARENT_PID
    background_pids+=("$parent_pid")
    read -r parent_id <&"${PARENT[0]}"
    [[ -n "$parent_id" ]] || fail "no parent window"

    start_background "$nuvex" "$mode" "$parent_id"
    preview=$started
    sleep 1.5
    expect_running "$preview" "$mode preview"

    children=$(xwininfo -children -id "$parent_id" | awk '/^ +0x/ { print $1 }')
    [[ $(wc -w <<<"$children") -eq 1 ]] || fail "$mode: the parent holds $(wc -w <<<"$children") windows"
    size=$(xwininfo -id "$children" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
    [[ "$size" == "400x300" ]] || fail "$mode: the preview is $size, not the parent's 400x300"

    # Inside the parent (at 10,10 on the screen) the sea is drawn: mostly
    # black with lit points, not the parent's own blue-grey.
    area=$(lit_fraction 10 10 400 300)
    awk -v f="$area" 'BEGIN { exit !(f > 0.001 && f < 0.9) }' ||
        fail "$mode: the preview area has $area of its pixels lit"

    "$host" move 200 150
    "$host" move 300 250
    xdotool click 1
    xdotool key a
    sleep 1
    expect_running "$preview" "$mode preview after key and mouse input"

    kill "$parent_pid"
    wait "$parent_pid" 2>/dev/null || true
    expect_exit_within "$preview" 3 "$mode preview after its parent was destroyed"
    [[ $exit_status -eq 0 ]] || fail "$mode: exit status $exit_status after the parent went"
done
echo "PASS"
