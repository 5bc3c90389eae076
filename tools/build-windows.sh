#!/usr/bin/env bash
# Builds the Windows screen saver, Nuvex.scr, for 64-bit and 32-bit Windows
# with the MinGW-w64 cross-compilers (installed when missing), together with
# the Windows test programs. The modules land in build-win64/src/Nuvex.scr and
# build-win32/src/Nuvex.scr; with an argument, both are also copied there as
# Nuvex-x64.scr and Nuvex-x86.scr.
#   tools/build-windows.sh [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-deps.sh
for preset in win64 win32; do
    echo "==> $preset: configure and build" >&2
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
if (($# > 0)); then
    mkdir -p "$1"
    cp build-win64/src/Nuvex.scr "$1/Nuvex-x64.scr"
    cp build-win32/src/Nuvex.scr "$1/Nuvex-x86.scr"
    echo "Nuvex-x64.scr and Nuvex-x86.scr are in $1" >&2
fi
