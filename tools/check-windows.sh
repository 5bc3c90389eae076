#!/usr/bin/env bash
# The Windows part of the test suite: builds Nuvex.scr for 64-bit and 32-bit
# Windows, reads both modules back (image, imports, resources) and, where Wine
# is installed (NUVEX_WITH_WINE=1 tools/setup-deps.sh), runs the 64-bit module
# and the Windows test programs under a headless Wine, comparing its
# simulation with the Linux build's nuvex-trace when that build exists.
set -euo pipefail
cd "$(dirname "$0")/.."

for compiler in x86_64-w64-mingw32-g++ i686-w64-mingw32-g++; do
    if ! command -v "$compiler" >/dev/null; then
        echo "check-windows: $compiler is not installed (tools/setup-deps.sh installs it)" >&2
        exit 1
    fi
done
for preset in win64 win32; do
    echo "==> $preset: configure and build" >&2
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
linux_build=
[[ -x build/release/tools/trace/nuvex-trace ]] && linux_build=build/release
exec bash tests/windows/run-wine-tests.sh build-win64 build-win32 $linux_build
