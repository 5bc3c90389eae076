# Shared by the saver's end-to-end tests (sourced, not run by itself): a
# private Xvfb screen, the programs under test, and small waiting helpers.
# Every test gets the build folder as its first argument.
set -euo pipefail

build_dir=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
nuvex="$build_dir/src/nuvex"
host="$build_dir/tests/e2e/nuvex_x11_test_host"

for program in Xvfb xdotool xwininfo xdpyinfo; do
    if ! command -v "$program" >/dev/null; then
        echo "SKIP: $program is not installed" >&2
        exit 0
    fi
done
[[ -x "$nuvex" ]] || { echo "FAIL: $nuvex is not built" >&2; exit 1; }
[[ -x "$host" ]] || { echo "FAIL: $host is not built" >&2; exit 1; }

work_dir=$(mktemp -d)
export XDG_CONFIG_HOME="$work_dir/config"
mkdir -p "$XDG_CONFIG_HOME"
background_pids=()
xvfb_pid=""

cleanup() {
    local pid
    for pid in "${background_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${background_pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work_dir"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Starts Xvfb at 1920×1080 (or the size given as WxH), 24 bits, on a display
# number it picks itself, so that tests running side by side never share a
# screen. Without -noreset the server would start afresh (pointer back in the
# middle) whenever its last client leaves, between two steps of a test.
start_xvfb() {
    local number_file="$work_dir/display"
    Xvfb -displayfd 3 -screen 0 "${1:-1920x1080}x24" -nolisten tcp -noreset 3>"$number_file" \
        >"$work_dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    local i
    for i in $(seq 1 200); do
        if [[ -s "$number_file" ]]; then
            export DISPLAY=":$(head -n 1 "$number_file")"
            if xdpyinfo >/dev/null 2>&1; then
                return 0
            fi
        fi
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.05
    done
    cat "$work_dir/xvfb.log" >&2
    fail "no Xvfb display could be started"
}

# Runs a program in the background, its output dropped; its pid is left in
# $started.
start_background() {
    "$@" >/dev/null &
    started=$!
    background_pids+=("$started")
}

# Waits up to $2 seconds for process $1 to end; its exit status is left in
# $exit_status. Fails the test when it does not end in time.
expect_exit_within() {
    local pid=$1 limit=$2 what=$3
    local deadline=$((SECONDS + limit))
    while kill -0 "$pid" 2>/dev/null; do
        ((SECONDS <= deadline)) || fail "$what: still running after ${limit}s"
        sleep 0.05
    done
    exit_status=0
    wait "$pid" || exit_status=$?
}

expect_running() {
    local pid=$1 what=$2
    kill -0 "$pid" 2>/dev/null || fail "$what: the saver has ended"
}

# Fraction of non-black pixels in an area of the screen (default: all of it).
lit_fraction() {
    "$host" lit "${1:-0}" "${2:-0}" "${3:-1920}" "${4:-1080}"
}

# Waits up to $1 seconds until the screen shows something other than black.
wait_for_picture() {
    local limit=$1
    local start=$(date +%s.%N)
    while :; do
        local fraction
        fraction=$(lit_fraction)
        if awk -v f="$fraction" 'BEGIN { exit !(f > 0.001) }'; then
            return 0
        fi
        if awk -v s="$start" -v now="$(date +%s.%N)" -v l="$limit" 'BEGIN { exit !(now - s > l) }'; then
            return 1
        fi
        sleep 0.02
    done
}

# Starts `nuvex /s` with the pointer at (500, 500) and waits for its first
# picture; the pid is left in $saver.
start_full_screen_saver() {
    "$host" move 500 500
    start_background "$nuvex" /s
    saver=$started
    wait_for_picture 5 || fail "the saver drew nothing"
    sleep 0.3  # let the first pointer report settle
}
