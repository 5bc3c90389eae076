#!/bin/sh
# The routine set of comparisons between nuvex-trace and the Python model.
# Each case covers a different stretch of the animation: the warm-up only, the
# first line's emission and drift, the sweep and lift before the first line
# change, the change to an empty line, short and over-wide lines, a caret that
# is the second byte of a double-byte character, and frames of several sizes.
#
# usage: check_all.sh [--quick]   (--quick skips the cases past 900 ticks)
# Runs with the nuvex-trace found by compare.sh (NUVEX_TRACE overrides it).
# Exit status 0 when every case matches.
set -u
here=$(cd "$(dirname "$0")" && pwd)
quick=0
[ "${1:-}" = "--quick" ] && quick=1

wide=$(python3 -c "print((b'W' * 30 + b' wide line ' + b'M' * 30).hex())")
failed=0
run() {
    "$here/compare.sh" --show 10 "$@" || failed=$((failed + 1))
}

run --ticks 0 --follow 0
run --ticks 0 --follow 1
run --ticks 130 --follow 0
run --ticks 130 --follow 1
run --ticks 200 --follow 0 --ppm
run --ticks 150 --follow 1 --message-hex 48695e6e4f4b --ppm
run --ticks 130 --follow 0 --message-hex 41815e6e5e6e425e6e
run --ticks 130 --follow 0 --message-hex "${wide}5e6e78795e6e" --ppm
run --ticks 130 --follow 1 --screen 640x40 --message-hex "${wide}5e6e78795e6e"
run --ticks 200 --follow 0 --frame 152x112 --ppm
run --ticks 200 --follow 1 --frame 601x403 --ppm
if [ "$quick" = 0 ]; then
    run --ticks 985 --follow 1 --ppm
    run --ticks 1030 --follow 0 --message-hex 415e6e5e6e425e6e
fi
echo "cases with a difference: $failed"
[ "$failed" = 0 ]
