#!/usr/bin/env bash
# Processor time of Nuvex run by the XScreenSaver daemon, side by side with
# stock display modes run by the same daemon in the same full-screen windows,
# on a private 1920×1080 Xvfb. Each round activates each display mode in turn
# (xscreensaver-command -select), lets it settle 3 s, then counts over SECONDS
# the processor time of the display mode's process and of the X server, as a
# share of one core; the medians of the rounds are printed last. Runs the
# daemon as a user of its own (made and removed here), so needs root or sudo.
#   tools/measure-xscreensaver.sh BUILD_DIR [ROUNDS [SECONDS [STOCK MODE ...]]]
# Stock modes are program names in /usr/libexec/xscreensaver (default: galaxy
# cwaves, which both animate the whole screen).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/e2e/saver_common.bash"
source "$here/../tests/e2e/xscreensaver_common.bash"
trap 'remove_test_user; cleanup' EXIT
rounds=${2:-5}
seconds=${3:-10}
stock=("${@:4}")
((${#stock[@]} > 0)) || stock=(galaxy cwaves)

start_xvfb
make_test_user
# The build folder need not be readable by that user: nuvex goes into its home.
"${as_root[@]}" install -m 755 -o "$user" "$nuvex" "$home/nuvex"
names=(nuvex "${stock[@]}")
entries=("\"Nuvex\"  $home/nuvex --root")
for mode in "${stock[@]}"; do
    [[ -x /usr/libexec/xscreensaver/$mode ]] || fail "no display mode $mode"
    entries+=("\"$mode\"  $mode --root")
done
write_daemon_settings "${entries[@]}"
start_daemon

clock_ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
declare -A results
for round in $(seq 1 "$rounds"); do
    for i in "${!names[@]}"; do
        name=${names[$i]}
        as_user xscreensaver-command -select $((i + 1)) >/dev/null
        pid=$(wait_for_hack 10 "$name") || fail "the daemon did not run $name"
        sleep 3
        hack_before=$(cpu_ticks "$pid")
        server_before=$(cpu_ticks "$xvfb_pid")
        start=$(date +%s.%N)
        sleep "$seconds"
        hack_after=$(cpu_ticks "$pid")
        server_after=$(cpu_ticks "$xvfb_pid")
        end=$(date +%s.%N)
        line=$(awk -v hb="$hack_before" -v ha="$hack_after" -v sb="$server_before" \
            -v sa="$server_after" -v s="$start" -v e="$end" -v hz="$clock_ticks" \
            'BEGIN { printf "%.2f %.2f", 100 * (ha - hb) / hz / (e - s), 100 * (sa - sb) / hz / (e - s) }')
        results[$name]+="$line;"
        printf 'round %d  %-8s  display mode %6.2f %%  X server %6.2f %% of one core\n' \
            "$round" "$name" ${line}
        as_user xscreensaver-command -deactivate >/dev/null
        for _ in $(seq 1 100); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.05
        done
        sleep 1
    done
done

median() { tr ';' '\n' | awk -v k="$1" 'NF { print $k }' | sort -g | awk '{ v[NR] = $1 }
    END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "== medians over $rounds rounds of ${seconds} s, share of one core"
for name in "${names[@]}"; do
    printf '%-8s  display mode %6.2f %%  X server %6.2f %%\n' "$name" \
        "$(median 1 <<<"${results[$name]}")" "$(median 2 <<<"${results[$name]}")"
done
