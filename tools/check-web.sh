#!/usr/bin/env bash
# The browser page's part of the test suite (it installs what it needs first:
# emscripten, Chromium, the test's Node modules):
#  - nuvex.html is built (tools/build-web.sh) and stays under 300 KB;
#  - the WebAssembly core is the native core: tools/web-trace.sh, given
#    nuvex-trace's rasters, prints nuvex-trace's dump and writes its frame byte
#    for byte, under each code page, the drift choice, odd sizes and a message
#    in several scripts;
#  - the page in headless Chromium, from file:// (tests/web/page_test.js):
#    no console error and no request, the sea and the text cloud drawn, every
#    script through the text seam, resizes and pixel density followed, the
#    pause while hidden, the panel, its limits and "Copy link", malformed
#    links; and its cost beside the native benchmark, run in the same test.
# Uses the release build (the test command makes it first; made here if not).
set -euo pipefail
cd "$(dirname "$0")/.."

NUVEX_WITH_WEB_TESTS=1 bash tools/setup-deps.sh
native=build/release
trace=$native/tools/trace/nuvex-trace
bench=$native/bench/nuvex_bench
if [[ ! -x $trace || ! -x $bench ]]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target nuvex-trace nuvex_bench >&2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
result() { # condition status, description
    if (($1 == 0)); then
        passed=$((passed + 1))
        echo "  ok   $2"
    else
        failed=$((failed + 1))
        echo "  FAIL $2"
    fi
}

echo "The page"
page=$(bash tools/build-web.sh "$work/page" | tail -1)
size=$(stat -c %s "$page")
((size < 300 * 1024))
result $? "nuvex.html is one file of $size bytes (under 300 KB)"

echo "The WebAssembly core against the native one"
# Runs nuvex-trace and the web trace with the same options, the web one on the
# native one's rasters, and compares the dumps and the frames.
compare() { # environment assignments..., --, trace options...
    local environment=()
    while [[ $1 != -- ]]; do environment+=("$1"); shift; done
    shift
    rm -rf "$work/rasters" && mkdir "$work/rasters"
    env "${environment[@]}" "$trace" "$@" --rasters "$work/rasters" --ppm "$work/native.ppm" \
        >"$work/native.txt"
    local status=0
    env "${environment[@]}" bash tools/web-trace.sh "$@" --rasters-from "$work/rasters" \
        --ppm "$work/web.ppm" >"$work/web.txt" || status=1
    cmp -s "$work/native.txt" "$work/web.txt" && cmp -s "$work/native.ppm" "$work/web.ppm" || status=1
    result $status "${environment[*]} $*: the same dump ($(wc -l <"$work/native.txt") lines) and frame"
}
several_scripts=$(printf 'Привет мир^nこんにちは^n안녕 😀^n^nשלום' | od -An -tx1 | tr -d ' \n')
compare NUVEX_CODEPAGE=936 -- --ticks 1000
compare NUVEX_CODEPAGE=936 -- --ticks 1500 --follow 1
compare NUVEX_CODEPAGE=65001 -- --ticks 1500 --frame 333x217 --screen 800x600 \
    --message-hex "$several_scripts"
compare NUVEX_CODEPAGE=1252 -- --ticks 1000 --frame 640x480
# A GBK character whose second byte is "^", before an "n": no line break.
compare NUVEX_CODEPAGE=936 -- --ticks 1000 --message-hex 415e6e815e6e42
# The core as browsers without 128-bit lanes run it.
compare NUVEX_CODEPAGE=65001 NUVEX_WEB_LANES=0 -- --ticks 1500 --follow 1 --frame 800x600
# No code page forced: both take it from the locale.
compare -u LC_ALL -u LC_CTYPE -u NUVEX_CODEPAGE LANG=C.UTF-8 -- --ticks 1000

echo "The page in headless Chromium"
# The native benchmark draws the widest line of the default message; its
# raster, as the native build draws it, is taken from a run through every line.
mkdir "$work/default-lines"
"$trace" --ticks 3700 --rasters "$work/default-lines" >/dev/null
status=0
node tests/web/page_test.js "$page" "$bench" "$work/default-lines" | tee "$work/page.log" || status=1
read -r page_passed page_failed < <(sed -n 's/^page tests: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$work/page.log")
passed=$((passed + ${page_passed:-0}))
failed=$((failed + ${page_failed:-0}))
((status == 0 && ${page_passed:-0} > 0)) || failed=$((failed + 1))

echo "check-web: $passed passed, $failed failed"
((failed == 0))
