#!/usr/bin/env bash
# Runs the saver: full screen when a display is available (any key, click or
# mouse move closes it), otherwise records the animation to a file.
#   tools/run.sh --web  builds the browser page instead, prints where it is and
#                       opens it where a display and a browser are available.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ "${1:-}" == --web ]]; then
    page=$(bash tools/build-web.sh build/web-page | tail -1)
    echo "The page: $page"
    if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
        for opener in xdg-open sensible-browser chromium firefox; do
            if command -v "$opener" >/dev/null; then
                "$opener" "$page" >/dev/null 2>&1 &
                break
            fi
        done
    fi
    exit 0
fi

bash tools/setup-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target nuvex nuvex-record >&2

if [[ -n "${DISPLAY:-}" ]] && command -v xdpyinfo >/dev/null && xdpyinfo >/dev/null 2>&1; then
    exec build/release/src/nuvex /s
fi
out="${NUVEX_RECORD_FILE:-$PWD/build/nuvex.webp}"
build/release/tools/record/nuvex-record --out "$out" "$@"
echo "No display: recorded the animation to $out"
