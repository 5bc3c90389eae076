# Shared by the scripts that run nuvex under the real XScreenSaver daemon
# (sourced after saver_common.bash): a user of their own to run the daemon as
# (it refuses to run display modes as root), made and removed here, and the
# daemon started, asked and stopped as that user. Needs root or sudo without a
# password; without them the caller is skipped.
if [[ $(id -u) -eq 0 ]]; then
    as_root=()
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    as_root=(sudo -n)
else
    echo "SKIP: needs root or password-less sudo (to make a user for the daemon)" >&2
    exit 0
fi
if ! command -v xscreensaver >/dev/null; then
    { "${as_root[@]}" apt-get update -qq &&
        "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
            --no-install-recommends xscreensaver; } >/dev/null 2>&1 ||
        { echo "SKIP: xscreensaver is not installed and cannot be" >&2; exit 0; }
fi
for program in xscreensaver-command xscreensaver-settings xhost runuser useradd; do
    command -v "$program" >/dev/null || { echo "SKIP: $program is not installed" >&2; exit 0; }
done

# One such run at a time on a machine: users and packages are the machine's.
exec 9>/tmp/nuvex-xscreensaver-daemon.lock
flock -w 240 9 || fail "another run under the daemon holds the lock"

user="nuvex-e2e-$$"
home=""
daemon_pid=""
user_path=/usr/bin:/bin

# Called by the EXIT trap of the caller before saver_common's cleanup.
remove_test_user() {
    set +e
    stop_daemon
    if id "$user" >/dev/null 2>&1; then
        [[ -n "${DISPLAY:-}" ]] && xhost "-SI:localuser:$user" >/dev/null 2>&1
        local pid
        for pid in $(ps -u "$user" -o pid=); do
            "${as_root[@]}" kill -KILL "$pid" 2>/dev/null
        done
        "${as_root[@]}" userdel "$user" >/dev/null 2>&1
    fi
    [[ -n "$home" ]] && "${as_root[@]}" rm -rf "$home"
}

# The user, its home and its way to the X display (start_xvfb first).
make_test_user() {
    home=$(mktemp -d /tmp/nuvex-e2e-home.XXXXXX)
    "${as_root[@]}" useradd -M -d "$home" -s /bin/sh "$user"
    "${as_root[@]}" chown "$user" "$home"
    xhost "+SI:localuser:$user" >/dev/null
}

as_user() {
    "${as_root[@]}" runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH="$user_path" \
        DISPLAY="$DISPLAY" LANG=C.UTF-8 "$@"
}

# ~/.xscreensaver with one display mode per argument (its programs: entry),
# the first selected; no fading, no locking, no blanking by itself.
write_daemon_settings() {
    {
        printf 'mode:\t\tone\nselected:\t0\ntimeout:\t0:30:00\nlock:\t\tFalse\n'
        printf 'fade:\t\tFalse\nunfade:\t\tFalse\nsplash:\t\tFalse\nprograms:'
        local entry
        for entry in "$@"; do
            printf '\t%s \\n\\\n' "$entry"
        done
        printf '\n'
    } | "${as_root[@]}" tee "$home/.xscreensaver" >/dev/null
    "${as_root[@]}" chown "$user" "$home/.xscreensaver"
}

start_daemon() {
    as_user xscreensaver -no-splash -verbose >"$work_dir/daemon.log" 2>&1 &
    daemon_pid=$!
    local i
    for i in $(seq 1 100); do
        as_user xscreensaver-command -version >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    cat "$work_dir/daemon.log" >&2
    fail "the daemon did not start"
}

stop_daemon() {
    [[ -n "$daemon_pid" ]] || return 0
    as_user xscreensaver-command -exit >/dev/null 2>&1 || true
    local i
    for i in $(seq 1 50); do
        kill -0 "$daemon_pid" 2>/dev/null || break
        sleep 0.1
    done
    "${as_root[@]}" kill "$daemon_pid" 2>/dev/null || true
    wait "$daemon_pid" 2>/dev/null || true
    daemon_pid=""
}

# The pid of the user's process named $2 (default nuvex), waiting up to $1 s.
wait_for_hack() {
    local limit=$1 name=${2:-nuvex} i pid
    for i in $(seq 1 $((limit * 10))); do
        pid=$(ps -u "$user" -o pid=,comm= | awk -v n="$name" '$2 == n { print $1; exit }')
        [[ -n "$pid" ]] && { echo "$pid"; return 0; }
        sleep 0.1
    done
    return 1
}

expect_no_hack_within() {
    local limit=$1 what=$2 i
    for i in $(seq 1 $((limit * 20))); do
        ps -u "$user" -o comm= | grep -qx nuvex || return 0
        sleep 0.05
    done
    fail "$what: nuvex still runs ${limit}s after deactivation"
}
