#!/usr/bin/env bash
# The XScreenSaver adapter puts nuvex into the window XScreenSaver names:
# XSCREENSAVER_WINDOW (hex) with -root, or -window-id in hex or decimal.
source "$(dirname "$0")/saver_common.bash"
adapter="$(cd "$(dirname "$0")/../.." && pwd)/tools/xscreensaver/nuvex-xscreensaver"
start_xvfb
export NUVEX="$nuvex"

for way in environment hex decimal; do
    coproc PARENT { exec "$host" parent 320 240; }
    parent_pid=$PARENT_PID
    background_pids+=("$parent_pid")
    read -r parent_id <&"${PARENT[0]}"
    hex=$(printf '0x%x' "$parent_id")
    case $way in
        environment) start_background env XSCREENSAVER_WINDOW="$hex" "$adapter" -root ;;
        hex) start_background "$adapter" -window-id "$hex" ;;
        decimal) start_background "$adapter" -window-id "$parent_id" ;;
    esac
    hack=$started
    sleep 1.5
    expect_running "$hack" "adapter ($way)"
    children=$(xwininfo -children -id "$parent_id" | awk '/^ +0x/ { print $1 }')
    [[ $(wc -w <<<"$children") -eq 1 ]] || fail "$way: nothing was drawn inside the named window"
    size=$(xwininfo -id "$children" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
    [[ "$size" == "320x240" ]] || fail "$way: the drawing window is $size"

    kill "$parent_pid"
    wait "$parent_pid" 2>/dev/null || true
    expect_exit_within "$hack" 3 "adapter ($way) after the window went"
    [[ $exit_status -eq 0 ]] || fail "$way: exit status $exit_status"
done

status=0
"$adapter" -window-id nonsense 2>/dev/null || status=$?
[[ $status -ne 0 ]] || fail "a bad window id was accepted"
echo "PASS"
