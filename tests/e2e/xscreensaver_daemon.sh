#!/usr/bin/env bash
# Nuvex under the real XScreenSaver daemon, installed the ways a user installs
# it: with the README's ~/.local steps, and from the Debian package built out of
# this build folder. The daemon refuses to run display modes as root, so a
# user is made for the test (and removed afterwards, with the package).
#   - ~/.local: the README's install command and "programs:" line; activation
#     runs nuvex, which draws; deactivation ends it.
#   - the package: activation runs nuvex on the daemon's window with the
#     arguments the settings description defines (--fps, --message); the frame
#     rate box is drawn and the message shown comes from the argument, not from
#     the settings file (which holds an empty line and is never written);
#     deactivation ends it within 3 s, leaving nothing behind; the settings
#     program lists Nuvex as installed, with its description, and previews it.
source "$(dirname "$0")/saver_common.bash"
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

if dpkg-query -W -f='${Status}' nuvex 2>/dev/null | grep -q "install ok installed"; then
    echo "SKIP: a nuvex package is installed on this machine; this test would replace it" >&2
    exit 0
fi
for program in cpack dpkg-shlibdeps; do
    command -v "$program" >/dev/null || { echo "SKIP: $program is not installed" >&2; exit 0; }
done
source "$(dirname "$0")/xscreensaver_common.bash"
package_installed=0

teardown() {
    remove_test_user
    if ((package_installed)); then
        "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq nuvex \
            >/dev/null 2>&1
    fi
    cleanup
}
trap teardown EXIT

start_xvfb
make_test_user

# The stored settings show no text at all (one empty line), so any text on
# the screen comes from the command line.
"${as_root[@]}" mkdir -p "$home/.config/nuvex"
printf '[Nuvex0_01]\nNuvexScr_Text=^n\nNuvexScr_Follow=0\n' |
    "${as_root[@]}" tee "$home/.config/nuvex/Nuvex0_01" >/dev/null
"${as_root[@]}" chown -R "$user" "$home/.config"
settings_before=$(md5sum <"$home/.config/nuvex/Nuvex0_01")

# --- ~/.local, exactly as the README has it ----------------------------------
readme_line=$(grep -F '$HOME/.local/bin/nuvex --root' "$source_dir/README.md" | head -n 1 |
    sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]*\\n\\[[:space:]]*$//')
[[ "$readme_line" == '"Nuvex"'* ]] || fail "the README gives no programs: line for ~/.local"
grep -qF 'cmake --install build/release --prefix ~/.local' "$source_dir/README.md" ||
    fail "the README gives no ~/.local install command"
"${as_root[@]}" cmake --install "$build_dir" --prefix "$home/.local" >/dev/null
"${as_root[@]}" chown -R "$user" "$home/.local"
write_daemon_settings "$readme_line"
start_daemon
"$host" move 500 500
as_user xscreensaver-command -activate >/dev/null
hack=$(wait_for_hack 10) || { cat "$work_dir/daemon.log" >&2; fail "~/.local: the daemon ran no nuvex"; }
wait_for_picture 10 || fail "~/.local: nuvex drew nothing"
as_user xscreensaver-command -deactivate >/dev/null
expect_no_hack_within 3 "~/.local"
stop_daemon
"${as_root[@]}" rm -rf "$home/.local"

# --- the Debian package --------------------------------------------------------
cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work_dir/deb" >"$work_dir/cpack.log" 2>&1 ||
    { cat "$work_dir/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work_dir"/deb/nuvex_*_amd64.deb)
package_installed=1
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "$deb" >"$work_dir/apt.log" 2>&1 || { cat "$work_dir/apt.log" >&2; fail "the package did not install"; }
[[ -L /usr/libexec/xscreensaver/nuvex && -f /usr/share/xscreensaver/config/nuvex.xml ]] ||
    fail "the package put the display mode or its description elsewhere"
# The settings program's Documentation button asks man for the display mode's
# name; users of the former adapter ask for its name.
if command -v man >/dev/null && [[ -e /usr/share/man/man6/nuvex.6.gz ]]; then
    for page in nuvex nuvex-xscreensaver; do
        man -w "$page" >/dev/null 2>&1 || fail "man $page finds no page"
    done
fi

# The line the settings program writes from the description's arguments.
write_daemon_settings '"Nuvex"  nuvex --root --message Hi --fps'
start_daemon
as_user xscreensaver-command -activate >/dev/null
hack=$(wait_for_hack 10) || { cat "$work_dir/daemon.log" >&2; fail "the daemon ran no nuvex"; }
tr '\0' ' ' <"/proc/$hack/cmdline" | grep -q -- "--root --message Hi --fps" ||
    fail "nuvex runs as: $(tr '\0' ' ' <"/proc/$hack/cmdline")"
window=$(tr '\0' '\n' <"/proc/$hack/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')
[[ -n "$window" ]] || fail "the daemon named no window"
for _ in $(seq 1 50); do
    children=$(xwininfo -children -id "$window" 2>/dev/null | awk '/^ +0x/ { print $1 }')
    [[ -n "$children" ]] && break
    sleep 0.1
done
[[ $(wc -w <<<"$children") -eq 1 ]] || fail "nuvex drew nothing inside the daemon's window $window"
wait_for_picture 10 || fail "nuvex drew nothing on the screen"

# --fps: the box in the bottom-left corner, 3 screen pixels a font pixel at
# 1080 lines: black padding above, then the full top stroke of the "F".
sleep 0.5
padding=$(lit_fraction 0 1020 120 6)
stroke=$(lit_fraction 6 1026 15 3)
awk -v p="$padding" -v s="$stroke" 'BEGIN { exit !(p == 0 && s == 1) }' ||
    fail "no frame-rate box (padding lit $padding, stroke lit $stroke)"

# --message: the first line rises about 15 s into the run; the stored empty
# line would show nothing.
shown=0
for _ in $(seq 1 40); do
    warm=$("$host" warm 0 0 1920 700)
    if awk -v w="$warm" 'BEGIN { exit !(w > 0.0005) }'; then shown=1; break; fi
    sleep 0.5
done
((shown)) || fail "the message of the command line did not appear"

as_user xscreensaver-command -deactivate >/dev/null
expect_no_hack_within 3 "deactivation"
if xwininfo -id "$window" >/dev/null 2>&1; then
    left=$(xwininfo -children -id "$window" | awk '/^ +0x/ { print $1 }')
    [[ -z "$left" ]] || fail "windows left in the daemon's window: $left"
fi
stop_daemon

# The settings program: Nuvex found (its description read) and previewed
# without dying, which is how it tells an installed display mode.
as_user xscreensaver-settings --debug >"$work_dir/settings.log" 2>&1 &
settings_pid=$!
background_pids+=("$settings_pid")
previewed=0
for _ in $(seq 1 100); do
    grep -q 'forked [0-9]* (nuvex)' "$work_dir/settings.log" && { previewed=1; break; }
    sleep 0.1
done
sleep 2
for pid in $(ps --ppid "$settings_pid" -o pid=) "$settings_pid"; do
    "${as_root[@]}" kill "$pid" 2>/dev/null || true
done
((previewed)) || { cat "$work_dir/settings.log" >&2; fail "the settings program did not preview Nuvex"; }
grep -q 'reading /usr/share/xscreensaver/config/nuvex.xml' "$work_dir/settings.log" ||
    fail "the settings program did not read Nuvex's description"
! grep -q '(nuvex) died' "$work_dir/settings.log" || fail "the settings program's preview died"

[[ "$(md5sum <"$home/.config/nuvex/Nuvex0_01")" == "$settings_before" ]] ||
    fail "the settings file was written"
echo "PASS"
