#!/usr/bin/env bash
# Runs the animation headless on Linux (nuvex-trace, code page 936) and as the
# 64-bit Windows program under Wine (zh_CN.UTF-8, code page 936), and checks
# that the two simulations are the same to the last bit.
#
#   trace-compare.sh <linux build folder> <win64 build folder> [ticks]
#
#  - the Windows trace, given the line rasters the Linux trace wrote
#    (--rasters-from), prints exactly the Linux dump after the same ticks, of
#    the default message and of a drifting custom one, and draws the same
#    frame byte for byte;
#  - the core's own sine and cosine give the same bits on both, on every
#    argument the animation uses (the C libraries' sin and cos do not; how
#    often they differ is printed);
#  - whether GDI draws the same line rasters as the portable text functions
#    is printed, not required (fonts differ between the systems).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
linux_build=${1:?linux build folder}
windows_build=${2:?win64 build folder}
ticks=${3:-1000}

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
windows_path() { "$WINE" winepath -w "$1" 2>/dev/null; }

status=0
custom_hex=$(printf 'Nuvex ^n \xc4\xe3\xba\xc3 ^n&amp; wide line WWWWWWWW^n' | od -An -tx1 | tr -d ' \n')
compare_run() {  # name, extra arguments...
    local name=$1
    shift
    mkdir -p "$work/$name-rasters" "$work/$name-own"
    NUVEX_CODEPAGE=936 "$linux_trace" --ticks "$ticks" --rasters "$work/$name-rasters" \
        --frame 640x480 --ppm "$work/$name-linux.ppm" "$@" >"$work/$name-linux.txt"
    "$WINE" "$windows_trace" --ticks "$ticks" --rasters-from "$(windows_path "$work/$name-rasters")" \
        --frame 640x480 --ppm "$(windows_path "$work/$name-windows.ppm")" "$@" |
        tr -d '\r' >"$work/$name-windows.txt"
    if cmp -s "$work/$name-linux.txt" "$work/$name-windows.txt" &&
        cmp -s "$work/$name-linux.ppm" "$work/$name-windows.ppm"; then
        echo "$name: after $ticks ticks the dumps ($(wc -l <"$work/$name-linux.txt") lines) and the frames are identical"
    else
        status=1
        echo "$name: the Windows trace differs from the Linux one after $ticks ticks:"
        diff "$work/$name-linux.txt" "$work/$name-windows.txt" | head -5
        cmp "$work/$name-linux.ppm" "$work/$name-windows.ppm" || true
    fi
    # What GDI itself draws, for the record.
    "$WINE" "$windows_trace" --ticks "$ticks" --rasters "$(windows_path "$work/$name-own")" "$@" >/dev/null
    local same=0 total=0 raster
    for raster in "$work/$name-rasters"/*.pbm; do
        total=$((total + 1))
        cmp -s "$raster" "$work/$name-own/$(basename "$raster")" && same=$((same + 1))
    done
    echo "$name: GDI drew $same of the $total line rasters exactly as the portable text functions"
}
compare_run default
compare_run custom --message-hex "$custom_hex" --follow 1

echo "== sine and cosine: the core's, and the C libraries'"
flags=(-std=c++20 -O2 -ffp-contract=off -I"$root/src")
probe_sources=("$here/programs/libm_probe.cpp" "$root/src/scene/particle.cpp"
               "$root/src/scene/trig.cpp" "$root/src/scene/trig_exact.cpp"
               "$root/src/scene/lane_kernels.cpp" "$root/src/scene/lane_kernels_avx2.cpp"
               "$root/src/scene/vector_lanes.cpp")
g++ "${flags[@]}" "${probe_sources[@]}" -o "$work/probe"
x86_64-w64-mingw32-g++ "${flags[@]}" -static "${probe_sources[@]}" -o "$work/probe.exe"
probe_ticks=$((ticks + 10))
"$work/probe" "$probe_ticks" >"$work/probe-linux.txt"
"$WINE" "$work/probe.exe" "$probe_ticks" | tr -d '\r' >"$work/probe-windows.txt"
values=$(grep -c . "$work/probe-linux.txt")
if cmp -s <(awk '{print $1, $2, $3, $4}' "$work/probe-linux.txt") \
          <(awk '{print $1, $2, $3, $4}' "$work/probe-windows.txt"); then
    echo "the core's values are identical on both ($values arguments)"
else
    status=1
    echo "the core's values DIFFER between Linux and Windows"
fi
library_diff=$(diff <(awk '{print $1, $2, $5, $6}' "$work/probe-linux.txt") \
                    <(awk '{print $1, $2, $5, $6}' "$work/probe-windows.txt") | grep -c '^<' || true)
echo "the two C libraries differ on $library_diff of the $values arguments"
exit $status
