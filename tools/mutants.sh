#!/usr/bin/env bash
# Measures the tests with hand-made faults (tools/mutants.txt): puts each fault
# into the source in turn, builds what the fault's suite needs in the release
# build, and runs the suite until a test fails:
#   core      the core's unit tests (tests/scene, text, render, animation), then
#             the model comparisons (ctest e2e_trace_model and
#             e2e_trace_model_cycle)
#   settings  the unit tests of config/ and platform/ (profile functions, files)
#   command   the unit tests of host/ (the command line)
# Prints one line per fault and a count; the source is restored after each
# fault and the build brought back to it at the end.
#
# usage: tools/mutants.sh [--model-only] [build folder] [name...]
#   (default build/release, every fault; --model-only runs the core's faults
#   against the model comparisons alone, to show what they see on their own)
set -uo pipefail
cd "$(dirname "$0")/.."
units=1
if [[ ${1:-} == --model-only ]]; then
    units=0
    shift
fi
build=${1:-build/release}
shift || true
only=" $* "
list=tools/mutants.txt
log=$(mktemp -d)

suite_targets() {
    case $1 in
        core) echo nuvex_tests_scene nuvex_tests_text nuvex_tests_render nuvex_tests_animation nuvex-trace ;;
        settings) echo nuvex_tests_config nuvex_tests_platform ;;
        command) echo nuvex_tests_host ;;
    esac
}
suite_units() {
    case $1 in
        core) echo scene text render animation ;;
        settings) echo config platform ;;
        command) echo host ;;
    esac
}

# Replaces the one occurrence of OLD by NEW in FILE (texts with \n, \t, \\).
apply() {
    python3 - "$@" <<'PY'
import re, sys
unescape = lambda s: re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), s)
path, old, new = sys.argv[1], unescape(sys.argv[2]), unescape(sys.argv[3])
text = open(path, encoding="utf-8").read()
if text.count(old) != 1:
    sys.exit("%s: the text to replace occurs %d times" % (path, text.count(old)))
open(path, "w", encoding="utf-8").write(text.replace(old, new))
PY
}

saved=
restore() { [[ -n $saved ]] && cp "$log/original" "$saved"; saved=; }
trap 'restore; rm -rf "$log"' EXIT
trap 'exit 130' INT TERM

caught=0
missed=0
broken=0
total=0
while IFS=$'\t' read -r name file suite old new; do
    [[ -z $name || $name == \#* ]] && continue
    [[ $only != "  " && $only != *" $name "* ]] && continue
    total=$((total + 1))
    start=$SECONDS
    cp "$file" "$log/original"
    saved=$file
    if ! apply "$file" "$old" "$new"; then
        restore
        echo "$name: NOT APPLIED"
        broken=$((broken + 1))
        continue
    fi
    result="NOT CAUGHT"
    # shellcheck disable=SC2046
    if ! nice -n 10 cmake --build "$build" -j 2 --target $(suite_targets "$suite") >"$log/build" 2>&1; then
        result="does not build"
    else
        for unit in $( ((units)) && suite_units "$suite"); do
            if ! timeout 600 "$build/tests/nuvex_tests_$unit" --gtest_brief=1 >"$log/unit" 2>&1; then
                result="caught by the $unit unit tests ($(grep -m1 -oE '^\[  FAILED  \] [^ ]+' "$log/unit" | cut -c14-))"
                break
            fi
        done
        if [[ $result == "NOT CAUGHT" && $suite == core ]]; then
            if ! timeout 900 ctest --test-dir "$build" -R '^e2e_trace_model' --stop-on-failure \
                >"$log/e2e" 2>&1; then
                result="caught by the model comparison ($(grep -m1 -oE 'e2e_trace_model[a-z_]*' \
                    <(grep -E 'Failed|\*\*\*' "$log/e2e")))"
            fi
        fi
    fi
    restore
    case $result in
        caught*) caught=$((caught + 1)) ;;
        "NOT CAUGHT") missed=$((missed + 1)) ;;
        *) broken=$((broken + 1)) ;;
    esac
    echo "$name ($suite, $file): $result [$((SECONDS - start)) s]"
done <"$list"

echo "== restoring the build"
nice -n 10 cmake --build "$build" -j 2 >/dev/null 2>&1 || echo "mutants: the restored source does not build" >&2
echo "mutants: $caught caught, $missed not caught, $broken not run, of $total"
((missed == 0))
