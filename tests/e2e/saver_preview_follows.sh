#!/usr/bin/env bash
# `nuvex /p <xid>` follows its parent window's size: the parent is resized three
# times, and each time within a second the preview's window has the parent's
# new size and the picture fills it (screenshots show none of the parent's own
# colour, and the sea drawn out to the preview's right edge).
source "$(dirname "$0")/saver_common.bash"
start_xvfb

parent_colour=406080  # what the test host's windows are filled with
coproc PARENT { exec "$host" parent 320 240; }
background_pids+=("$PARENT_PID")
read -r parent_id <&"${PARENT[0]}"
[[ -n "$parent_id" ]] || fail "no parent window"

# Does what follows W, H and a name, and waits up to a second (or $limit ms)
# for the preview to fill the parent at its new size W×H (the parent lies at
# 10, 10 on the screen).
limit=1000
resize_to() {
    local width=$1 height=$2 what=$3
    shift 3
    # The clock starts before the waiter does, so a slow start of it only
    # makes the time longer.
    local since
    since=$(date +%s%N)
    "$host" wait-covered 10 10 "$width" "$height" "$parent_colour" "$limit" "$since" \
        >"$work_dir/covered" &
    local waiter=$!
    "$@"
    wait "$waiter" || fail "$what: $(cat "$work_dir/covered")"
    local size
    size=$(xwininfo -children -id "$parent_id" | awk '/^ +0x/ {
        match($0, /[0-9]+x[0-9]+[+-]/); print substr($0, RSTART, RLENGTH - 1); exit }')
    [[ $size == "${width}x${height}" ]] || fail "$what: the preview is ${size:-missing}"
    read -r took edge <"$work_dir/covered"
    echo "$what: ${width}x${height} filled ${took} ms after the change, right edge $edge lit"
}

start_preview() {
    start_background "$nuvex" /p "$parent_id"
    preview=$started
}

limit=5000 resize_to 320 240 "start" start_preview
for size in 640x480 1177x661 200x150; do
    resize_to "${size%x*}" "${size#*x}" "parent resized" \
        xdotool windowsize "$parent_id" "${size%x*}" "${size#*x}"
    expect_running "$preview" "after the parent became $size"
done

kill "$PARENT_PID"
expect_exit_within "$preview" 3 "the preview after its parent was destroyed"
[[ $exit_status -eq 0 ]] || fail "exit status $exit_status after the parent went"
echo "PASS"
