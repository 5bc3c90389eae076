#!/usr/bin/env bash
# Compile-only check: the host, the animation driver and the settings and
# dialogs compile against the real Windows headers, 32-bit and 64-bit, with the
# project's warnings as errors. Nothing is linked or run.
set -euo pipefail
cd "$(dirname "$0")/.."

flags=(-std=c++20 -fsyntax-only -Isrc -Wall -Wextra -Wshadow -Wno-unused-parameter -Werror)
shopt -s nullglob
sources=(src/host/*.cpp src/app/*.cpp src/config/*.cpp)
if ((${#sources[@]} == 0)); then
    echo "check-mingw-compile: no sources found" >&2
    exit 1
fi

status=0
for compiler in x86_64-w64-mingw32-g++ i686-w64-mingw32-g++; do
    if ! command -v "$compiler" >/dev/null; then
        echo "check-mingw-compile: $compiler is not installed" >&2
        status=1
        continue
    fi
    for source in "${sources[@]}"; do
        if ! "$compiler" "${flags[@]}" "$source"; then
            echo "check-mingw-compile: $source does not compile with $compiler" >&2
            status=1
        fi
    done
done
if ((status == 0)); then
    echo "check-mingw-compile: ${#sources[@]} files compile with the Windows headers (32 and 64 bit)"
fi
exit $status
