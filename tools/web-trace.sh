#!/usr/bin/env bash
# nuvex-trace on the browser's core: the core and the trace tool's work
# compiled to WebAssembly with emscripten (into build/web, as the page's core
# is) and run under Node. It takes nuvex-trace's options; Node draws no text,
# so the lines come from rasters a native run saved:
#   nuvex-trace --ticks N --rasters DIR ...
#   tools/web-trace.sh --ticks N --rasters-from DIR ...
# With the same rasters, options and code page it prints the same dump and
# writes the same frame (--ppm) as nuvex-trace, byte for byte. The code page is
# the one nuvex-trace takes: NUVEX_CODEPAGE when it is 936, 65001 or 1252,
# else the locale's character set, read the way the portable platform reads
# it (code_page_for_codeset): UTF-8 and the C locale give 65001, GBK and its
# kin 936, any other 1252. NUVEX_WEB_LANES=0 runs the core as browsers
# without 128-bit lanes run it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

NUVEX_WITH_WEB=1 bash "$root/tools/setup-deps.sh"
# Debian's emcc finds its JavaScript parser among the system's Node modules.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

build=$root/build/web
tool=nuvex-web-trace
[[ "${NUVEX_WEB_LANES:-1}" == 0 ]] && tool=nuvex-web-trace-plain
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { [[ -f $build/CMakeCache.txt ]] ||
    emcmake cmake -S "$root/src/platform/web" -B "$build" -DCMAKE_BUILD_TYPE=Release; } >"$log" 2>&1 ||
    ! cmake --build "$build" --target "$tool" -j 2 >"$log" 2>&1; then
    cat "$log" >&2
    echo "web-trace: the build failed" >&2
    exit 1
fi

case "${NUVEX_CODEPAGE:-}" in
    936 | 65001 | 1252) ;;
    *)
        charset=$(locale charmap 2>/dev/null | tr -d '_-' | tr '[:lower:]' '[:upper:]')
        case "$charset" in
            UTF8) NUVEX_CODEPAGE=65001 ;;
            GBK | GB2312 | GB18030 | CP936 | EUCCN) NUVEX_CODEPAGE=936 ;;
            "" | ANSIX3.41968 | ASCII | USASCII | POSIX) NUVEX_CODEPAGE=65001 ;;
            *) NUVEX_CODEPAGE=1252 ;;
        esac
        ;;
esac
export NUVEX_CODEPAGE
exec node "$build/$tool.js" "$@"
