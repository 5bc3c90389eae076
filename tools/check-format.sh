#!/usr/bin/env bash
# Checks that every C and C++ source in the repository is laid out as
# .clang-format says (the test command runs this). Prints the files that are
# not, and how to fix them, and ends with status 1 if there are any.
# Usage: tools/check-format.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."

command -v clang-format >/dev/null || bash tools/setup-deps.sh

# Tracked sources and new ones not yet added; fuzz corpora are data.
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- \
    '*.c' '*.cc' '*.cpp' '*.h' '*.hpp' | grep -v '^fuzz/corpus/' || true)
files=("${files[@]/#/./}")
existing=()
for f in "${files[@]}"; do [[ -f "$f" ]] && existing+=("$f"); done

if [[ "${1:-}" == --fix ]]; then
    clang-format -i "${existing[@]}"
    exit 0
fi

unformatted=()
for f in "${existing[@]}"; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("${f#./}")
done
if ((${#unformatted[@]})); then
    echo "check-format: ${#unformatted[@]} of ${#existing[@]} files differ from .clang-format:" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    echo "check-format: run 'bash tools/check-format.sh --fix' and review the change" >&2
    exit 1
fi
echo "check-format: ${#existing[@]} files laid out as .clang-format says" >&2
