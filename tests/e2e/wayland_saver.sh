#!/usr/bin/env bash
# The saver on a real Wayland compositor: a headless sway (run as an ordinary
# user made for the test, as sway refuses root), screenshots from grim, keys
# from wtype, pointer input from our own client on the compositor's virtual
# pointers. One compositor serves every step:
#   - `nuvex /s` covers the output with the sea; a second one ends at once
#     (status 0) and leaves the first running; a pointer move of 3 pixels from
#     the first position seen leaves it running, 2 more end it (status 0);
#   - it follows a mode change and a scale of 2 within a second, still
#     running, and a key ends it; at a scale of 2 a full-screen window has
#     the output's real pixels, and keys arrive as their virtual keys; it
#     covers a second output added within a second, and a click ends it;
#   - the full-screen toplevels used where there are no layer surfaces cover
#     both outputs too;
#   - `swayidle -w timeout 1 'nuvex /s'` starts it, covering both outputs
#     within 3 s, and a key ends it with status 0;
#   - the settings dialog (/c) is a window of the compositor's own (GTK on
#     Wayland), which Esc closes;
#   - `--window` is a window of its own, which Esc closes;
#   - /p, --window-id and --root say in one line that Wayland has no such
#     windows and end with status 255;
#   - without a compositor the saver runs on X11, and without either it
#     says there is no display (status 255), as before; NUVEX_BACKEND=x11
#     takes X11 although a compositor answers, and an unknown back end is
#     refused in one line;
#   - a saver whose compositor goes away ends at once, saying so in one line,
#     with status 255.
# Usage: wayland_saver.sh BUILD_DIR
set -euo pipefail

source "$(dirname "$0")/wayland_common.bash"
start_sway 1280x720
x11_host="$build_dir/tests/e2e/nuvex_x11_test_host"
probe="$build_dir/tools/user_probe/nuvex-user-probe"
for program in grim wtype swayidle Xvfb; do
    if ! command -v "$program" >/dev/null; then
        echo "SKIP: $program is not installed" >&2
        exit 0
    fi
done
[[ -x "$x11_host" && -x "$probe" ]] || fail "the test programs are not built"

# --- helpers ---------------------------------------------------------------------
# Types with a keyboard of wtype's own, which comes into being when it starts:
# the first key waits until the saver has taken that keyboard too.
type_key() { wtype -s 300 "$@"; }

# fraction <lit|grey> [output]: of a screenshot of one output or all.
fraction() {
    local what=$1 output=${2:-} shot="$work/shot.ppm"
    grim -t ppm ${output:+-o "$output"} "$shot" 2>/dev/null || { echo 0; return; }
    local size
    size=$(head -c 32 "$shot" | tr '\n' ' ' | awk '{ print $2, $3 }')
    case $what in
        lit) "$host" lit "$shot" 0 0 $size ;;
        grey) "$host" count "$shot" 0 0 $size "$desktop" ;;
    esac
}
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

# covered [output]: the saver's picture fills it, nothing of the desktop
# shows, and the sea is drawn.
covered() {
    above 0.0005 "$(fraction grey "${1:-}")" && above "$(fraction lit "${1:-}")" 0.001
}

covered_all() { covered HEADLESS-1 && covered HEADLESS-2; }

# wait_for <seconds> <what> <command...>
wait_for() {
    local limit=$1 what=$2 start=$SECONDS
    shift 2
    local deadline=$(($(date +%s%N) + limit * 1000000000))
    until "$@"; do
        (($(date +%s%N) < deadline)) || fail "$what (not within ${limit}s)"
        sleep 0.1
    done
}

start_saver() {
    "$nuvex" "$@" >"$work/nuvex-$#.log" 2>&1 &
    saver=$!
    pids+=("$saver")
}
expect_running() { kill -0 "$saver" 2>/dev/null || fail "$1: the saver has ended"; }
# expect_end <seconds> <what>: the saver ends, with status 0.
expect_end() {
    local deadline=$(($(date +%s%N) + $1 * 1000000000)) status=0
    while kill -0 "$saver" 2>/dev/null; do
        (($(date +%s%N) < deadline)) || fail "$2: still running after $1 s"
        sleep 0.05
    done
    wait "$saver" || status=$?
    [[ $status -eq 0 ]] || fail "$2: ended with status $status"
}

# --- one output: covered, one instance, the pointer's threshold ----------------
# The colour the compositor shows where no surface is.
grim -t ppm "$work/desktop.ppm" || fail "grim cannot take a screenshot"
desktop=$("$host" pixel "$work/desktop.ppm" 0 0)
covered HEADLESS-1 && fail "the desktop looks covered before the saver runs"
start_saver /s
wait_for 3 "the saver covers the output" covered HEADLESS-1
"$nuvex" /s >"$work/nuvex-second.log" 2>&1 || fail "a second saver ended with status $?"
expect_running "a second saver started"
"$host" pointer m:1,0 w:100 m:2,1 w:500
expect_running "a pointer move of 3 pixels"
"$host" pointer m:2,0
expect_end 2 "a pointer move of 5 pixels"

# --- outputs changing under a running saver ----------------------------------
start_saver /s
wait_for 3 "the saver covers the output" covered HEADLESS-1
swaymsg -q output HEADLESS-1 mode 1920x1080
wait_for 1 "the saver follows a mode change" covered HEADLESS-1
[[ $(head -c 20 "$work/shot.ppm" | tr '\n' ' ' | awk '{ print $2 "x" $3 }') == 1920x1080 ]] ||
    fail "the output's mode did not change"
swaymsg -q output HEADLESS-1 scale 2
wait_for 1 "the saver follows a scale of 2" covered HEADLESS-1
expect_running "a scale of 2"
type_key a
expect_end 2 "a key"
# At a scale of 2 a full-screen window has the output's 1920x1080 pixels
# (not 960x540 scaled up), and a key arrives as its virtual key.
"$probe" full 3 >"$work/probe.log" 2>&1 &
probe_pid=$!
pids+=("$probe_pid")
wait_for 2 "the probe's window is shown" grep -q "first present" "$work/probe.log"
type_key a
wait "$probe_pid" || fail "the probe ended with status $?: $(cat "$work/probe.log")"
grep -q "WM_CREATE 1920x1080" "$work/probe.log" || fail "at a scale of 2: $(head -n 3 "$work/probe.log")"
grep -q "WM_KEYDOWN 0x41" "$work/probe.log" || fail "the key a: $(cat "$work/probe.log")"
swaymsg -q output HEADLESS-1 scale 1

start_saver /s
wait_for 3 "the saver covers the output" covered HEADLESS-1
swaymsg -q create_output
swaymsg -q output HEADLESS-2 mode 1280x720 position 1920 0
wait_for 1 "the saver covers an output added" covered HEADLESS-2
covered HEADLESS-1 || fail "the first output is no longer covered"
expect_running "a second output"
"$host" pointer b:left
expect_end 2 "a click"

# --- full-screen toplevels where there are no layer surfaces -----------------
NUVEX_WAYLAND_SHELL=xdg start_saver /s
wait_for 3 "full-screen toplevels cover every output" covered_all
type_key -k Escape
expect_end 2 "a key over a full-screen toplevel"

# --- started by the idle daemon -----------------------------------------------
printf '#!/bin/sh\n"%s" /s\necho $? >"%s/idle-status"\nkill "$(cat "%s/idle.pid")"\n' \
    "$nuvex" "$work" "$work" >"$work/idle-run"
chmod +x "$work/idle-run"
swayidle -w timeout 1 "$work/idle-run" >"$work/nuvex-idle.log" 2>&1 &
echo $! >"$work/idle.pid"
pids+=("$(cat "$work/idle.pid")")
wait_for 3 "swayidle started the saver on every output" covered_all
type_key a
wait_for 2 "the saver started by swayidle ended" test -s "$work/idle-status"
[[ $(cat "$work/idle-status") == 0 ]] || fail "the saver ended with status $(cat "$work/idle-status")"

# --- the settings dialog: GTK on the compositor itself, not through X11 ---------
# view_shell <pid>: the shell of that process's window, as sway lists it.
view_shell() {
    swaymsg -t get_tree -r | tr -d ' \n' | grep -o "\"pid\":$1,[^{}]*\"shell\":\"[a-z_]*\"" |
        grep -o '"shell":"[a-z_]*"' | head -n 1
}
on_compositor() { [[ $(view_shell "$saver") == '"shell":"xdg_shell"' ]]; }
start_saver /c
wait_for 5 "the settings dialog is shown on the compositor" on_compositor
type_key -k Escape
expect_end 3 "Esc in the settings dialog"

# --- a window of its own -----------------------------------------------------------
start_saver --window
sea_in_window() { on_compositor && above "$(fraction lit)" 0.0005; }
wait_for 3 "--window shows the sea" sea_in_window
above "$(fraction grey)" 0.5 || fail "--window covers the outputs"
type_key -k Escape
expect_end 2 "Esc in --window"

# --- other programs' windows ------------------------------------------------------
for args in "/p 1234" "--window-id 0x1234" "--root"; do
    status=0
    "$nuvex" $args >"$work/out" 2>"$work/err" || status=$?
    [[ $status -eq 255 ]] || fail "nuvex $args ended with status $status"
    [[ $(wc -l <"$work/err") -eq 1 ]] && grep -q "Wayland has no windows of other programs" \
        "$work/err" || fail "nuvex $args said: $(cat "$work/err")"
done

# --- no compositor: X11, or the error of before ---------------------------------------
Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp -noreset 3>"$work/xdisplay" \
    >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do [[ -s "$work/xdisplay" ]] && break; sleep 0.05; done
x_display=":$(head -n 1 "$work/xdisplay")"
(
    export WAYLAND_DISPLAY=wayland-none DISPLAY="$x_display"
    start_saver /s
    for _ in $(seq 1 60); do
        above "$("$x11_host" lit 0 0 1280 720)" 0.001 && break
        sleep 0.1
    done
    above "$("$x11_host" lit 0 0 1280 720)" 0.001 || fail "without a compositor nothing is drawn on X11"
    kill "$saver"
    wait "$saver" 2>/dev/null || true
    # NUVEX_BACKEND=x11 picks X11 although a compositor answers.
    export WAYLAND_DISPLAY=wayland-1 NUVEX_BACKEND=x11
    "$x11_host" lit 0 0 1280 720 | grep -qx "0.000000" || fail "the X screen is not black"
    start_saver /s
    for _ in $(seq 1 60); do
        above "$("$x11_host" lit 0 0 1280 720)" 0.001 && break
        sleep 0.1
    done
    above "$("$x11_host" lit 0 0 1280 720)" 0.001 || fail "NUVEX_BACKEND=x11 drew nothing on X11"
    covered HEADLESS-1 && fail "NUVEX_BACKEND=x11 covered the Wayland output"
    kill "$saver"
    status=0
    NUVEX_BACKEND=none "$nuvex" /s 2>"$work/err" || status=$?
    [[ $status -eq 255 ]] && grep -q "NUVEX_BACKEND=none names no display back end" "$work/err" ||
        fail "NUVEX_BACKEND=none: status $status, $(cat "$work/err")"
    export WAYLAND_DISPLAY=wayland-none
    unset NUVEX_BACKEND
    status=0
    unset DISPLAY
    "$nuvex" /s 2>"$work/err" || status=$?
    [[ $status -eq 255 && $(wc -l <"$work/err") -eq 1 ]] &&
        grep -q "DISPLAY is not set" "$work/err" || fail "without any display: $(cat "$work/err")"
) || exit 1
# --- the compositor goes away under a running saver: one line, status 255 -------
start_saver /s
wait_for 3 "the saver covers the output" covered HEADLESS-1
kill "$sway_pid"
wait "$sway_pid" 2>/dev/null || true
sway_pid=""
deadline=$((SECONDS + 3))
while kill -0 "$saver" 2>/dev/null; do
    ((SECONDS <= deadline)) || fail "the saver outlived its compositor"
    sleep 0.05
done
status=0
wait "$saver" || status=$?
[[ $status -eq 255 ]] || fail "without its compositor the saver ended with status $status"
[[ $(wc -l <"$work/nuvex-1.log") -eq 1 ]] &&
    grep -q "lost the connection to Wayland display \"wayland-1\"" "$work/nuvex-1.log" ||
    fail "without its compositor the saver said: $(cat "$work/nuvex-1.log")"
echo "PASS"
