#!/usr/bin/env bash
# Builds the browser page: one self-contained nuvex.html (the WebAssembly core
# inlined, nothing fetched, opens from file://), into an output folder
# (default: out/). Installs emscripten first when it is missing.
#   tools/build-web.sh [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=$(mkdir -p "${1:-out}" && cd "${1:-out}" && pwd)

NUVEX_WITH_WEB=1 bash tools/setup-deps.sh
# Debian's emcc finds its JavaScript parser among the system's Node modules.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

build=build/web
if [[ ! -f $build/CMakeCache.txt ]]; then
    emcmake cmake -S src/platform/web -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target nuvex_page nuvex_page_plain -j 2 >&2

web=src/platform/web
node "$web/assemble.js" "$web/page.html" "$build/nuvex_page.js" "$build/nuvex_page.wasm" \
    "$build/nuvex_page_plain.js" "$build/nuvex_page_plain.wasm" "$web/page.js" "$out/nuvex.html"
size=$(stat -c %s "$out/nuvex.html")
echo "build-web: $out/nuvex.html ($size bytes)" >&2
if ((size >= 300 * 1024)); then
    echo "build-web: the page has grown past 300 KB" >&2
    exit 1
fi
echo "$out/nuvex.html"
