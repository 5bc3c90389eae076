#!/usr/bin/env bash
# Runs every test: installs what is missing (Wine too, for the Windows module's
# tests, and emscripten and Chromium for the browser page's), then builds and
# runs the whole suite twice, once as a Release build and once under
# AddressSanitizer and UndefinedBehaviorSanitizer, with warnings as errors, and
# finally runs the extra checks: the layout, the Windows modules, the page.
set -euo pipefail
cd "$(dirname "$0")/.."

export NUVEX_WITH_WINE="${NUVEX_WITH_WINE:-1}"
export NUVEX_WITH_WEB_TESTS="${NUVEX_WITH_WEB_TESTS:-1}"
bash tools/setup-deps.sh

log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
for preset in release asan; do
    echo "==> $preset: configure and build" >&2
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "==> $preset: test" >&2
    ctest --preset "$preset" 2>&1 | tee -a "$log" || status=1
done

checks_failed=0
for extra in tools/check-*.sh; do
    [[ -f "$extra" ]] || continue
    echo "==> $extra" >&2
    if ! bash "$extra"; then
        status=1
        checks_failed=$((checks_failed + 1))
    fi
done

# One closing line for the whole run: the unit and end-to-end tests of both
# builds, plus each extra check script as one test.
read -r passed failed < <(awk '/tests passed, [0-9]+ tests failed out of/ {
        total += $NF; bad += $(NF-5) } END { print total - bad, bad }' "$log")
checks=$(ls tools/check-*.sh 2>/dev/null | wc -l)
echo "test.sh: $((passed + checks - checks_failed)) passed, $((failed + checks_failed)) failed"
exit $status
