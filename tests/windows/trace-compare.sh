#!/usr/bin/env bash
# Runs the animation headless on Linux (nuvex-trace, code page 936) and as the
# 64-bit Windows program under Wine (zh_CN.UTF-8, code page 936), and compares
# the two scene dumps after the same number of ticks.
#
#   trace-compare.sh <linux build folder> <win64 build folder> [ticks]
#
# Two runs are compared:
#  - the default message: compared in full only when every line the emitter
#    drew has the same raster on both sides (the two text rasterisers differ,
#    and a different raster changes the particles and, through the shared
#    random sequence, everything after it);
#  - a message of blank lines, which draws no pixel on either side: scene and
#    grid are compared in full.
# A small probe then lists how many of the sine and cosine values the
# animation uses differ between the two C libraries.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
linux_build=${1:?linux build folder}
windows_build=${2:?win64 build folder}
ticks=${3:-300}
limit=1e-9

linux_trace=$linux_build/tools/trace/nuvex-trace
windows_trace=$windows_build/tools/trace/nuvex-trace.exe
for f in "$linux_trace" "$windows_trace"; do
    [[ -x $f || -f $f ]] || { echo "trace-compare: $f is missing (build nuvex-trace first)" >&2; exit 2; }
done

source "$here/wine-env.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/nuvex-trace-compare.XXXXXX")
cleanup() { wine_env_stop; rm -rf "$work"; }
trap cleanup EXIT
wine_env_start

blank_hex=$(printf '   ^n  ^n' | od -An -tx1 | tr -d ' \n')
run_pair() {  # name, extra arguments...
    local name=$1
    shift
    mkdir -p "$work/$name-linux" "$work/$name-windows"
    NUVEX_CODEPAGE=936 "$linux_trace" --ticks "$ticks" --rasters "$work/$name-linux" "$@" \
        >"$work/$name-linux.txt"
    "$WINE" "$windows_trace" --ticks "$ticks" --rasters "$("$WINE" winepath -w "$work/$name-windows" 2>/dev/null)" "$@" \
        >"$work/$name-windows.txt"
}
run_pair default
run_pair blank --message-hex "$blank_hex"

status=0
echo "== default message, $ticks ticks"
rasters_same=1
for raster in "$work"/default-linux/*.pbm; do
    other=$work/default-windows/$(basename "$raster")
    if ! cmp -s "$raster" "$other"; then
        rasters_same=0
        echo "raster of line $(basename "$raster" .pbm) differs: $(sed -n 2p "$raster") on Linux," \
             "$(sed -n 2p "$other" 2>/dev/null || echo missing) under Wine"
    fi
done
if ((rasters_same)); then
    python3 "$here/compare_trace.py" --limit "$limit" "$work/default-linux.txt" "$work/default-windows.txt" || status=1
else
    echo "the two text rasterisers drew different lines; the default-message dumps are not compared"
fi

echo "== message of blank lines (no text particles), $ticks ticks"
python3 "$here/compare_trace.py" --limit "$limit" "$work/blank-linux.txt" "$work/blank-windows.txt" || status=1

echo "== sine and cosine values of the two C libraries"
flags=(-std=c++20 -O2 -ffp-contract=off -I"$root/src")
probe_sources=("$here/programs/libm_probe.cpp" "$root/src/scene/particle.cpp")
g++ "${flags[@]}" "${probe_sources[@]}" -o "$work/probe"
x86_64-w64-mingw32-g++ "${flags[@]}" -static "${probe_sources[@]}" -o "$work/probe.exe"
probe_ticks=$((ticks + 10))
"$work/probe" "$probe_ticks" >"$work/probe-linux.txt"
"$WINE" "$work/probe.exe" "$probe_ticks" | tr -d '\r' >"$work/probe-windows.txt"
ripples=$(grep -c '^ripple' "$work/probe-linux.txt")
views=$(grep -c '^view' "$work/probe-linux.txt")
ripple_diff=$(diff <(grep '^ripple' "$work/probe-linux.txt") <(grep '^ripple' "$work/probe-windows.txt") | grep -c '^<' || true)
view_diff=$(diff <(grep '^view' "$work/probe-linux.txt") <(grep '^view' "$work/probe-windows.txt") | grep -c '^<' || true)
echo "ripple cosines differing: $ripple_diff of $ripples; view angle sine/cosine pairs differing: $view_diff of $views"
exit $status
