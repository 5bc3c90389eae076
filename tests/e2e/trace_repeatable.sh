#!/usr/bin/env bash
# nuvex-trace replays the same animation on every run, byte for byte, and
# 1000 ticks take well under a second.
set -euo pipefail
build="$1"
trace="$build/tools/trace/nuvex-trace"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export NUVEX_CODEPAGE=936

start=$(date +%s%N)
"$trace" --ticks 1000 >"$work/a.txt"
end=$(date +%s%N)
"$trace" --ticks 1000 >"$work/b.txt"
cmp "$work/a.txt" "$work/b.txt"
ms=$(((end - start) / 1000000))
echo "1000 ticks in $ms ms"

# The scene line, then 10000 grid nodes, then the text particles.
head -1 "$work/a.txt" | grep -q '^scene 100 100 '
[[ $(grep -c '^[0-9]' "$work/a.txt") -eq 10000 ]]
[[ $(grep -c '^p ' "$work/a.txt") -gt 0 ]]

# Frame and rasters are repeatable too.
mkdir "$work/r1" "$work/r2"
"$trace" --ticks 200 --follow 1 --ppm "$work/a.ppm" --rasters "$work/r1" >/dev/null
"$trace" --ticks 200 --follow 1 --ppm "$work/b.ppm" --rasters "$work/r2" >/dev/null
cmp "$work/a.ppm" "$work/b.ppm"
diff -r "$work/r1" "$work/r2"
[[ -f "$work/r1/c9fac8d5bfecc0d6.pbm" ]]  # the first line of the default message

# Failures are reported, never taken for success: a dump or a frame that
# cannot be written ends with status 1 (and a device named as the frame's
# file is left as it is); a tick count beyond the tool's range is refused.
expect_status() {
    local want=$1
    shift
    local status=0
    "$@" >/dev/null 2>"$work/err" || status=$?
    if ((status != want)); then
        echo "expected status $want, got $status: $*" >&2
        cat "$work/err" >&2
        exit 1
    fi
}
if [[ -c /dev/full ]]; then
    expect_status 1 sh -c '"$1" --ticks 5 >/dev/full' sh "$trace"
    expect_status 1 "$trace" --ticks 2 --ppm /dev/full
    [[ -c /dev/full ]]
fi
expect_status 2 "$trace" --ticks 99999999999999999999
grep -q -- '--ticks' "$work/err"
mkdir "$work/no-write"
chmod 0500 "$work/no-write"
if [[ ! -w "$work/no-write" ]]; then  # (root may write anywhere)
    expect_status 1 "$trace" --ticks 2 --ppm "$work/no-write/frame.ppm"
fi

# Generous bound: the CI machine may be busy with a parallel build.
((ms < 5000))
