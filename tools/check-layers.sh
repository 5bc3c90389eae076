#!/usr/bin/env bash
# Checks that the dependencies between the source folders point one way:
#   scene <- text <- render <- animation (the core) <- config <- app <- host
# and that the core stands alone: its files include only core headers (of
# their own layer or one below) and the C++ standard library (plus the
# compiler's vector intrinsics), and every core source compiles on its own
# with nothing but the core's folders on the include path, with g++ and, when
# present, clang++ and em++. The platform (platform/) may be used by config,
# app and host; the core never uses it.
set -euo pipefail
cd "$(dirname "$0")/.."

core=(scene text render animation)
order=(scene text render animation config app host)
rank() {
    local i
    for i in "${!order[@]}"; do [[ ${order[$i]} == "$1" ]] && { echo "$i"; return; }; done
    echo -1
}

# The C++ standard library's headers, and the compiler's intrinsics.
standard_headers="algorithm any array atomic bit bitset cassert cctype cerrno cfloat charconv
chrono cinttypes climits cmath compare concepts cstddef cstdint cstdio cstdlib cstring ctime
deque exception functional initializer_list iterator limits list map memory new numbers
numeric optional queue random ratio set span sstream stdexcept string string_view system_error
tuple type_traits unordered_map unordered_set utility variant vector
emmintrin.h immintrin.h wasm_simd128.h"

status=0
complain() {
    echo "check-layers: $*" >&2
    status=1
}

for dir in "${order[@]}"; do
    mine=$(rank "$dir")
    in_core=0
    [[ " ${core[*]} " == *" $dir "* ]] && in_core=1
    while IFS= read -r file; do
        while IFS= read -r line; do
            if [[ $line =~ ^#include\ \"([a-z_]+)/ ]]; then
                target=${BASH_REMATCH[1]}
                if [[ $target == platform ]]; then
                    ((in_core)) && complain "$file includes the platform: $line"
                    continue
                fi
                theirs=$(rank "$target")
                if ((theirs < 0)); then
                    complain "$file includes an unknown folder: $line"
                elif ((theirs > mine)); then
                    complain "$file ($dir) includes a folder above it: $line"
                fi
            elif [[ $line =~ ^#include\ \<([^>]+)\> ]] && ((in_core)); then
                header=${BASH_REMATCH[1]}
                [[ " $(echo $standard_headers) " == *" $header "* ]] ||
                    complain "$file includes $header, which is not the C++ standard library"
            fi
        done < <(grep -E '^#include' "$file")
    done < <(find "src/$dir" -name '*.cpp' -o -name '*.h')
done

# The core alone: a copy of its folders is the whole include path.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for dir in "${core[@]}"; do cp -r "src/$dir" "$work/"; done
# Each compiler, and the browser's with and without its vector instructions.
compilers=("g++" "g++ -mavx2")
command -v clang++ >/dev/null && compilers+=("clang++")
command -v em++ >/dev/null && compilers+=("em++" "em++ -msimd128")
for compiler in "${compilers[@]}"; do
    for source in "$work"/*/*.cpp; do
        $compiler -std=c++20 -fsyntax-only -Wall -Wextra -Werror -ffp-contract=off \
            -I"$work" "$source" 2>"$work/errors" ||
            complain "$compiler cannot compile ${source#$work/} on its own: $(head -c 300 "$work/errors")"
    done
done
((status == 0)) && echo "check-layers: dependencies point one way; the core compiles on its own with: ${compilers[*]}" >&2
exit $status
