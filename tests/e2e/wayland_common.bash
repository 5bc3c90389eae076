# Shared by the Wayland end-to-end test and tools/measure-wayland.sh (sourced,
# not run by itself): a headless sway of our own, run as an ordinary user
# made for the run when we are root (sway refuses root), the programs under
# test, and cleaning up. Clients run as ourselves, on sway's socket.
set -euo pipefail

build_dir=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
nuvex="$build_dir/src/nuvex"
host="$build_dir/tests/e2e/nuvex_wayland_test_host"
for program in sway swaymsg setpriv; do
    if ! command -v "$program" >/dev/null; then
        echo "SKIP: $program is not installed" >&2
        exit 0
    fi
done
[[ -x "$nuvex" && -x "$host" ]] || { echo "FAIL: $nuvex or $host is not built" >&2; exit 1; }

work=$(mktemp -d)
chmod 755 "$work"
user=""
sway_pid=""
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    if [[ -n "$sway_pid" ]]; then
        kill "$sway_pid" 2>/dev/null || true
        wait "$sway_pid" 2>/dev/null || true
    fi
    [[ -n "$user" ]] && userdel "$user" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [[ -f "$work/sway.log" ]] && grep -v "drmGetDevices2\|DRM backend" "$work/sway.log" | tail -n 20 >&2
    for log in "$work"/nuvex-*.log; do
        [[ -s "$log" ]] && { echo "--- $log" >&2; cat "$log" >&2; }
    done
    exit 1
}

# start_sway <WxH>: a headless sway with one output of that mode; exports
# what clients need to reach it (WAYLAND_DISPLAY, SWAYSOCK) and leaves its
# pid in $sway_pid.
start_sway() {
    local runtime="$work/runtime" socket="" as_user=()
    mkdir -m 700 "$runtime"
    printf 'xwayland disable\noutput HEADLESS-1 mode %s position 0 0\n' "$1" >"$work/sway.conf"
    if [[ $(id -u) -eq 0 ]]; then
        user="nuvexwl$$"
        useradd -M -d "$work" -s /usr/sbin/nologin "$user" || fail "cannot make the test user"
        chown "$user" "$runtime"
        as_user=(setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups)
    fi
    "${as_user[@]}" env -i PATH="$PATH" HOME="$work" XDG_RUNTIME_DIR="$runtime" \
        WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
    sway_pid=$!
    for _ in $(seq 1 100); do
        socket=$(cd "$runtime" && ls sway-ipc.*.sock 2>/dev/null || true)
        [[ -n "$socket" && -S "$runtime/wayland-1" ]] && break
        kill -0 "$sway_pid" 2>/dev/null || fail "sway did not start"
        sleep 0.05
    done
    [[ -n "$socket" ]] || fail "sway made no sockets"
    export XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$runtime/$socket"
    export XDG_CONFIG_HOME="$work/config" NO_AT_BRIDGE=1
    unset DISPLAY NUVEX_BACKEND NUVEX_WAYLAND_SHELL
    mkdir -p "$XDG_CONFIG_HOME"
}
