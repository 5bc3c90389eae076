#!/usr/bin/env bash
# Nuvex under MATE's screen saver, a daemon that finds its display modes
# through desktop entries: installed as the Debian package made from this
# build folder (the daemon runs display modes only from its own folders, such
# as /usr/libexec/xscreensaver, where the package links nuvex; an entry whose
# program lies elsewhere is listed but never run), Nuvex's entry passes
# desktop-file-validate; on its own D-Bus session and Xvfb the daemon
# finds Nuvex's entry (it is listed), runs it on activation inside the
# daemon's window, where it draws, and ends it on deactivation. The daemon
# does not run display modes for root, so a user is made for the test and
# removed afterwards with everything it ran.
source "$(dirname "$0")/saver_common.bash"

if [[ $(id -u) -eq 0 ]]; then
    as_root=()
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    as_root=(sudo -n)
else
    echo "SKIP: needs root or password-less sudo (to make a user for the daemon)" >&2
    exit 0
fi
if ! command -v mate-screensaver >/dev/null || ! command -v desktop-file-validate >/dev/null; then
    { "${as_root[@]}" apt-get update -qq &&
        "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
            --no-install-recommends mate-screensaver desktop-file-utils; } >/dev/null 2>&1 ||
        { echo "SKIP: mate-screensaver cannot be installed" >&2; exit 0; }
fi
if dpkg-query -W -f='${Status}' nuvex 2>/dev/null | grep -q "install ok installed"; then
    echo "SKIP: a nuvex package is installed on this machine; this test would replace it" >&2
    exit 0
fi
for program in mate-screensaver-command dbus-daemon gsettings runuser useradd xhost cpack \
    dpkg-shlibdeps; do
    command -v "$program" >/dev/null || { echo "SKIP: $program is not installed" >&2; exit 0; }
done

user="nuvex-mate-$$"
user_made=0
# (in /tmp: the user must reach the installed files)
root_dir=$(mktemp -d /tmp/nuvex-mate.XXXXXX)
chmod 755 "$root_dir"
home=$root_dir/home
package_installed=0

teardown() {
    set +e
    if ((user_made)); then
        local pid
        for pid in $(ps -u "$user" -o pid=); do "${as_root[@]}" kill -KILL "$pid" 2>/dev/null; done
        for _ in $(seq 1 50); do
            [[ -z $(ps -u "$user" -o pid=) ]] && break
            sleep 0.1
        done
        [[ -n "${DISPLAY:-}" ]] && xhost "-SI:localuser:$user" >/dev/null 2>&1
        "${as_root[@]}" userdel "$user" >/dev/null 2>&1
    fi
    if ((package_installed)); then
        "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq nuvex \
            >/dev/null 2>&1
    fi
    "${as_root[@]}" rm -rf "$root_dir"
    cleanup
}
trap teardown EXIT

# The installed entry is one that desktop tools accept (hints aside).
cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work_dir/deb" >"$work_dir/cpack.log" 2>&1 ||
    { cat "$work_dir/cpack.log" >&2; fail "cpack failed"; }
package_installed=1
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "$(ls "$work_dir"/deb/nuvex_*_amd64.deb)" >"$work_dir/apt.log" 2>&1 ||
    { cat "$work_dir/apt.log" >&2; fail "the package did not install"; }
entry=/usr/share/applications/screensavers/nuvex.desktop
[[ -f $entry ]] || fail "no desktop entry installed at $entry"
desktop-file-validate "$entry" >"$work_dir/validate.log" 2>&1 ||
    { cat "$work_dir/validate.log" >&2; fail "desktop-file-validate rejects $entry"; }
! grep -q "error:" "$work_dir/validate.log" || fail "$(cat "$work_dir/validate.log")"

start_xvfb
mkdir -p "$home"
"${as_root[@]}" useradd -M -d "$home" -s /bin/sh "$user" || fail "cannot make the user $user"
user_made=1
"${as_root[@]}" chown "$user" "$home"
xhost "+SI:localuser:$user" >/dev/null

bus=""
# The user's desktop: its session bus and MATE as the desktop.
as_user() {
    "${as_root[@]}" runuser -u "$user" -- env -i HOME="$home" USER="$user" LANG=C.UTF-8 \
        PATH="/usr/bin:/bin" DISPLAY="$DISPLAY" XDG_CURRENT_DESKTOP=MATE \
        DBUS_SESSION_BUS_ADDRESS="$bus" NO_AT_BRIDGE=1 "$@"
}
bus=$(as_user dbus-daemon --session --fork --print-address=1 | head -n 1)
[[ $bus == unix:* ]] || fail "no D-Bus session for the user ($bus)"

# One display mode, Nuvex, chosen as the user's settings program would.
as_user gsettings set org.mate.screensaver mode "'single'"
as_user gsettings set org.mate.screensaver themes "['screensavers-nuvex']"
as_user gsettings set org.mate.screensaver lock-enabled false
as_user gsettings set org.mate.screensaver idle-activation-enabled false
[[ $(as_user gsettings get org.mate.screensaver themes) == "['screensavers-nuvex']" ]] ||
    fail "the daemon's settings could not be set"

as_user mate-screensaver --no-daemon --debug >"$work_dir/daemon.log" 2>&1 &
# (its answer kept whole: grep -q would close the pipe while it is written)
state=""
for _ in $(seq 1 100); do
    state=$(as_user mate-screensaver-command --query 2>/dev/null || true)
    [[ $state == *"is inactive"* ]] && break
    sleep 0.1
done
[[ $state == *"is inactive"* ]] || { cat "$work_dir/daemon.log" >&2; fail "the daemon did not start"; }

as_user mate-screensaver-command --activate
nuvex_pid=""
for _ in $(seq 1 100); do
    nuvex_pid=$(ps -u "$user" -o pid=,comm= | awk '$2 == "nuvex" { print $1; exit }')
    [[ -n $nuvex_pid ]] && break
    sleep 0.1
done
# Listed: the daemon found Nuvex's entry and took its command from it.
! grep -q "Could not find information for theme" "$work_dir/daemon.log" ||
    fail "the daemon does not list Nuvex: $(grep -m1 'Could not find' "$work_dir/daemon.log")"
grep -q "Setting command for job: 'nuvex --root'" "$work_dir/daemon.log" ||
    fail "the daemon took no command from Nuvex's entry"
[[ -n $nuvex_pid ]] || { cat "$work_dir/daemon.log" >&2; fail "activation ran no nuvex"; }

# Inside the daemon's window, which the daemon names in the environment.
window=$(tr '\0' '\n' <"/proc/$nuvex_pid/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')
[[ -n $window ]] || fail "the daemon named no window for nuvex"
children=""
for _ in $(seq 1 50); do
    children=$(xwininfo -children -id "$window" 2>/dev/null | awk '/^ +0x/ { print $1 }')
    [[ -n $children ]] && break
    sleep 0.1
done
[[ -n $children ]] || fail "nuvex made no window inside the daemon's window $window"
wait_for_picture 10 || fail "nuvex drew nothing on the screen"
lit=$(lit_fraction)
awk -v f="$lit" 'BEGIN { exit !(f > 0.01) }' || fail "only $lit of the screen is lit"

# Deactivation ends it.
start=$(date +%s.%N)
as_user mate-screensaver-command --deactivate
ended=0
for _ in $(seq 1 60); do
    kill -0 "$nuvex_pid" 2>/dev/null || { ended=1; break; }
    sleep 0.05
done
((ended)) || fail "nuvex still runs 3 s after deactivation"
echo "nuvex ended $(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.2f", e - s }') s" \
    "after deactivation; $lit of the screen was lit"
echo "PASS"
