#!/usr/bin/env bash
# Builds and runs trig_check (the core's sine and cosine against the C
# library's, with a quadruple-precision opinion on every difference).
#   tools/trig/check.sh [random arguments, default 10^8] [ticks, default 10^6]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
g++ -std=c++20 -O2 -ffp-contract=off -fno-fast-math -I"$root/src" \
    "$root/tools/trig/trig_check.cpp" "$root/src/scene/trig.cpp" "$root/src/scene/trig_exact.cpp" \
    "$root/src/scene/particle.cpp" "$root/src/scene/lane_kernels.cpp" \
    "$root/src/scene/lane_kernels_avx2.cpp" "$root/src/scene/vector_lanes.cpp" -lquadmath -o "$out/trig_check"
"$out/trig_check" "$@"
