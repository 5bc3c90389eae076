#!/usr/bin/env bash
# Runs every test: installs what is missing, then builds and runs the whole
# suite twice, once as a Release build and once under AddressSanitizer and
# UndefinedBehaviorSanitizer, with warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-deps.sh

status=0
for preset in release asan; do
    echo "==> $preset: configure and build" >&2
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "==> $preset: test" >&2
    ctest --preset "$preset" || status=1
done

for extra in tools/check-*.sh; do
    [[ -f "$extra" ]] || continue
    echo "==> $extra" >&2
    bash "$extra" || status=1
done
exit $status
