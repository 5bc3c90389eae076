#!/usr/bin/env bash
# Soak check: does the resident memory or the number of open files grow while
# the animation runs for a long time?
#   trace: nuvex-trace runs 100,000 ticks with a 50-line message of wide lines
#          (40 characters, as wide as a 1920-pixel screen); its resident set
#          and open descriptors are read from /proc every 1,000 ticks.
#   live:  the full-screen saver runs 10 minutes on a private 1920x1080 Xvfb
#          with a 5-line message of such lines, read every 10 s.
# Each prints its series and a verdict. Flat means: from the end of the first
# full message cycle on (every line taken and turned into particles once, so
# that every buffer has had its largest line), the resident set stays within
# 1 MB of its value there and the descriptors stay the same.
# --short runs both briefly for the test command (2 lines of 16 characters for
# 4,000 ticks; 1 line of 40 for 25 s live) and fails on growth the same way.
# Usage: tools/soak.sh [--short] [BUILD_DIR, default build/release]
# Exit status: 0 when both are flat, 1 when either grew.
set -euo pipefail

short=false
if [[ "${1:-}" == "--short" ]]; then
    short=true
    shift
fi
build=${1:-$(dirname "$0")/../build/release}
trace="$build/tools/trace/nuvex-trace"
[[ -x "$trace" ]] || { echo "soak: $trace is not built" >&2; exit 1; }

set -- "$build"
source "$(dirname "$0")/../tests/e2e/saver_common.bash"
export NUVEX_CODEPAGE=65001 LC_ALL=C.UTF-8

# wide_message <lines> <characters per line> <separator>: lines of CJK
# characters (48 pixels wide each in the message font), all different, joined
# by the separator ("^n" in the stored form).
wide_message() {
    local count=$1 width=$2 separator=$3
    local phrase="海上生明月天涯共此时随波逐流日夜不停歇生日快乐永远美丽开心星河灿烂若出其里"
    local i text=""
    for ((i = 1; i <= count; i++)); do
        local line="第$(printf '%02d' "$i")行"
        while ((${#line} < width)); do
            line+=${phrase:$(((i * 7 + ${#line}) % ${#phrase})):1}
        done
        text+="${line}${separator}"
    done
    printf '%s' "$text"
}

# verdict <name> <series file> <from>: the series has lines "<when> <rss kB>
# <fds>"; samples at or after <from> must stay within 1 MB of the first of them
# and keep its descriptor count.
verdict() {
    local name=$1 series=$2 from=$3
    awk -v name="$name" -v from="$from" '
        $1 >= from {
            if (!seen) { base = $2; fds = $3; seen = 1; lo = $2; hi = $2 }
            if ($2 < lo) lo = $2
            if ($2 > hi) hi = $2
            if ($2 > base + 1024 || $2 < base - 1024) bad_rss = 1
            if ($3 != fds) bad_fds = 1
            n++
        }
        END {
            if (n < 3) { printf "%s: too few samples after the first message cycle (%d)\n", name, n; exit 1 }
            printf "%s: after %s, RSS %d..%d kB (%+d kB from %d kB), fds %s, %d samples: ",
                name, from, lo, hi, hi - base, base, bad_fds ? "changed" : fds, n
            if (bad_rss || bad_fds) { print "GROWING"; exit 1 }
            print "flat"
        }' "$series"
}

sample() {  # sample <pid> <when> >> series
    local pid=$1 when=$2 rss fds
    rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) || return 0
    fds=$(ls "/proc/$pid/fd" 2>/dev/null | wc -l)
    [[ -n "$rss" ]] && echo "$when $rss $fds"
}

status=0

# --- trace -------------------------------------------------------------------
if $short; then
    lines=2 width=16 ticks=4000 every=200
else
    lines=50 width=40 ticks=100000 every=1000
fi
# A line is taken 90 ticks after the start and every 900 ticks after that; it
# is turned into particles over the next 32 ticks.
cycle_tick=$((90 + 900 * (lines - 1) + 32))
hex=$(wide_message "$lines" "$width" "^n" | od -An -tx1 | tr -d ' \n')
mkfifo "$work_dir/progress"
# The saver's entry tells the C library to keep freed heap memory and to serve
# blocks up to 64 MiB from the heap; nuvex-trace leaves the library's
# defaults, so it gets the same settings here, to use memory as the saver does.
GLIBC_TUNABLES=glibc.malloc.mmap_threshold=67108864:glibc.malloc.trim_threshold=134217728 \
    "$trace" --ticks "$ticks" --progress "$every" --frame 1920x1080 --screen 1920x1080 \
    --message-hex "$hex" >/dev/null 2>"$work_dir/progress" &
trace_pid=$!
background_pids+=("$trace_pid")
series="$work_dir/trace.series"
: >"$series"
while read -r _ _ tick; do
    sample "$trace_pid" "$tick" >>"$series"
done <"$work_dir/progress"
wait "$trace_pid" || fail "nuvex-trace failed"
echo "== nuvex-trace, $ticks ticks, $lines lines of $width characters (cycle ends at tick $cycle_tick)"
echo "tick rss_kB fds"
cat "$series"
verdict "nuvex-trace" "$series" "$cycle_tick" || status=1

# --- live saver ----------------------------------------------------------------
if $short; then
    lines=1 width=40 seconds=25 interval=1
else
    lines=5 width=40 seconds=600 interval=10
fi
# Lines are taken about 3 s after the first frame and then every 30 s; 5 s
# more allow for a slow start.
cycle_second=$((3 + 30 * (lines - 1) + 5))
mkdir -p "$XDG_CONFIG_HOME/nuvex"
printf '[Nuvex0_01]\nNuvexScr_Text=%s\nNuvexScr_Follow=0\n' "$(wide_message "$lines" "$width" "^n")" \
    >"$XDG_CONFIG_HOME/nuvex/Nuvex0_01"
start_xvfb
"$host" move 500 500
start_background "$nuvex" /s
saver=$started
wait_for_picture 10 || fail "the saver drew nothing"
series="$work_dir/live.series"
: >"$series"
start=$SECONDS
while ((SECONDS - start <= seconds)); do
    expect_running "$saver" "the live saver"
    sample "$saver" "$((SECONDS - start))" >>"$series"
    sleep "$interval"
done
echo "== live saver, ${seconds} s at 1920x1080, $lines lines of $width characters (cycle ends at ${cycle_second} s)"
echo "second rss_kB fds"
cat "$series"
verdict "live saver" "$series" "$cycle_second" || status=1
exit $status
