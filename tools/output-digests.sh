#!/usr/bin/env bash
# Prints the md5 sums of what the animation produces, so that two builds can
# be compared byte for byte after a change that must not alter the output:
# the 1000-tick trace and the text rasters under code pages 936, 65001 and
# 1252, a 1920×1080 frame at tick 985 under each, a frame with the text riding
# the waves, and a message that ends in a lone GBK lead byte.
# Usage: tools/output-digests.sh [build folder, default build/release]
#   e.g. diff <(tools/output-digests.sh old/build/release) <(tools/output-digests.sh)
set -euo pipefail

build=${1:-build/release}
trace=$(cd "$build" && pwd)/tools/trace/nuvex-trace
[[ -x $trace ]] || { echo "output-digests: no nuvex-trace in $build" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

for page in 936 65001 1252; do
    NUVEX_CODEPAGE=$page "$trace" --ticks 1000 >"$out/trace-$page.txt"
    NUVEX_CODEPAGE=$page "$trace" --ticks 985 --frame 1920x1080 --screen 1920x1080 \
        --ppm "$out/frame-$page.ppm" >/dev/null
    mkdir "$out/rasters-$page"
    NUVEX_CODEPAGE=$page "$trace" --ticks 1000 --rasters "$out/rasters-$page" >/dev/null
done
NUVEX_CODEPAGE=936 "$trace" --ticks 1500 --follow 1 --frame 320x240 --screen 1280x720 \
    --ppm "$out/follow.ppm" >/dev/null
NUVEX_CODEPAGE=936 "$trace" --ticks 700 --message-hex 61626381 --frame 152x112 \
    --ppm "$out/lead-byte.ppm" >"$out/lead-byte.txt"
(cd "$out" && find . -type f | sort | xargs md5sum)
