#!/usr/bin/env bash
# Runs the saver: full screen when a display is available (any key, click or
# mouse move closes it), otherwise records the animation to a file.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target nuvex nuvex-record >&2

if [[ -n "${DISPLAY:-}" ]] && command -v xdpyinfo >/dev/null && xdpyinfo >/dev/null 2>&1; then
    exec build/release/src/nuvex /s
fi
out="${NUVEX_RECORD_FILE:-$PWD/build/nuvex.webp}"
build/release/tools/record/nuvex-record --out "$out" "$@"
echo "No display: recorded the animation to $out"
