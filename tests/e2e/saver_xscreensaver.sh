#!/usr/bin/env bash
# The display-mode command line against a real X server: nuvex draws into the
# window a daemon names (XSCREENSAVER_WINDOW with --root, --window-id in hex or
# decimal, one dash or two, and through the former adapter's name), on the
# root window, and in a window of its own; --help and --version answer at once.
source "$(dirname "$0")/saver_common.bash"
adapter="$(cd "$(dirname "$0")/../.." && pwd)/tools/xscreensaver/nuvex-xscreensaver"
start_xvfb

for way in environment hex decimal one-dash adapter; do
    coproc PARENT { exec "$host" parent 320 240; }
    parent_pid=$PARENT_PID
    background_pids+=("$parent_pid")
    read -r parent_id <&"${PARENT[0]}"
    hex=$(printf '0x%x' "$parent_id")
    case $way in
        environment) start_background env XSCREENSAVER_WINDOW="$hex" "$nuvex" --root --fps ;;
        hex) start_background "$nuvex" --window-id "$hex" --delay 20000 --install ;;
        decimal) start_background "$nuvex" --window-id="$parent_id" --visual default --mono ;;
        one-dash) start_background "$nuvex" -window-id "$hex" -fps -geometry 100x100 ;;
        adapter) start_background env PATH="$(dirname "$nuvex"):$PATH" "$adapter" -window-id "$hex" ;;
    esac
    hack=$started
    sleep 1.5
    expect_running "$hack" "$way"
    children=$(xwininfo -children -id "$parent_id" | awk '/^ +0x/ { print $1 }')
    [[ $(wc -w <<<"$children") -eq 1 ]] || fail "$way: nothing was drawn inside the named window"
    size=$(xwininfo -id "$children" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
    [[ "$size" == "320x240" ]] || fail "$way: the drawing window is $size"

    kill "$parent_pid"
    wait "$parent_pid" 2>/dev/null || true
    expect_exit_within "$hack" 3 "$way, after the window went"
    [[ $exit_status -eq 0 ]] || fail "$way: exit status $exit_status"
done

# --root without a daemon: the root window itself, found without any helper
# program (PATH holds nothing but the saver).
"$host" move 500 500
start_background env -u XSCREENSAVER_WINDOW PATH=/nonexistent "$nuvex" --root
root_saver=$started
wait_for_picture 5 || fail "--root drew nothing on the screen"
kill "$root_saver"
wait "$root_saver" 2>/dev/null || true

# A window of its own: drawn in, and Esc ends the run with status 0.
start_background "$nuvex" --window --geometry 400x300+0+0
own=$started
window=""
for _ in $(seq 1 50); do
    window=$(xdotool search --name '^Nuvex$' 2>/dev/null | head -n 1) && [[ -n "$window" ]] && break
    sleep 0.1
done
[[ -n "$window" ]] || fail "--window made no window named Nuvex"
sleep 1
fraction=$(lit_fraction 0 0 400 300)
awk -v f="$fraction" 'BEGIN { exit !(f > 0.001) }' || fail "--window drew nothing"
xdotool key --clearmodifiers Escape
expect_exit_within "$own" 3 "--window after Esc"
[[ $exit_status -eq 0 ]] || fail "--window: exit status $exit_status after Esc"

# Questions answered at once; mistakes in one line, status 255.
for question in --help -h /? --version; do
    status=0
    "$nuvex" "$question" >"$work_dir/out" 2>"$work_dir/err" || status=$?
    [[ $status -eq 0 ]] || fail "$question ended with status $status"
    [[ -s "$work_dir/out" && ! -s "$work_dir/err" ]] || fail "$question: nothing on the standard output"
done
version=$(sed -n 's/^#define NUVEX_VERSION "\(.*\)"$/\1/p' "$build_dir/generated/nuvex_version.h")
[[ -n $version ]] && grep -qx "nuvex $version" "$work_dir/out" ||
    fail "--version printed $(cat "$work_dir/out"), not the build's version '$version'"
for mistake in "--window-id|nonsense" "--window-id|0x7fffffe" "--fps|--bogus" "--root|--delay" \
    "--display|:4711|--root"; do
    IFS='|' read -r -a arguments <<<"$mistake"
    status=0
    "$nuvex" "${arguments[@]}" >"$work_dir/out" 2>"$work_dir/err" || status=$?
    [[ $status -eq 255 ]] || fail "'$mistake' ended with status $status, not 255"
    [[ $(wc -l <"$work_dir/err") -eq 1 && ! -s "$work_dir/out" ]] || fail "'$mistake': not one line"
done
echo "PASS"
