#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each of them for the given number of
# seconds, starting from its seed corpus in fuzz/corpus/<target>.
#   - New inputs the fuzzer keeps go to build/fuzz/corpus/<target>, not into
#     the repository; copy one into fuzz/corpus/<target> to keep it for good.
#   - An input that breaks a target is saved as build/fuzz/crashes/<target>/*;
#     after fixing the cause, add it to the target's seed corpus, where the
#     test command replays it.
#   - Inputs are capped at what the program takes from a user (a settings
#     file, a message, a command line), so that every run stays fast.
# Prints the executions and the breaks per target, and ends with status 1 if
# any target broke.
# Usage: tools/fuzz.sh [seconds per target, default 60] [target...]
#        tools/fuzz.sh --runs N [target...]   (N executions per target)
set -euo pipefail
cd "$(dirname "$0")/.."

limit=(-max_total_time="${1:-60}")
what="${1:-60}s per target"
if [[ ${1:-} == --runs ]]; then
    limit=(-runs="${2:?--runs needs a count}")
    what="$2 executions per target"
    shift
fi
shift || true
all_targets=(ini message command_line display_mode resource codepage)
targets=("$@")
((${#targets[@]})) || targets=("${all_targets[@]}")

NUVEX_WITH_FUZZ=1 bash tools/setup-deps.sh

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake --preset fuzz "${launcher[@]}" >/dev/null
build_targets=()
for t in "${targets[@]}"; do build_targets+=(--target "nuvex_fuzz_$t"); done
cmake --build --preset fuzz "${build_targets[@]}" >/dev/null

# Lighter bookkeeping of memory than AddressSanitizer's default (no stack
# kept per allocation, a smaller quarantine): a quarter more runs a second.
# A break found this way is replayed with full reports by running the target
# on the input it saved.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=16}

out=build/fuzz
summary=()
broken=0
for t in "${targets[@]}"; do
    program="$out/fuzz/nuvex_fuzz_$t"
    corpus="$out/corpus/$t"
    crashes="$out/crashes/$t"
    log="$out/logs/$t.log"
    mkdir -p "$corpus" "$crashes" "$(dirname "$log")"
    echo "==> $t: $what" >&2
    status=0
    # The longest input: a settings file as the program writes it (a whole
    # message in UTF-16), a message or code-page text as the dialog takes it.
    case $t in
    ini) max_len=16384 ;;
    message | codepage) max_len=4200 ;;
    *) max_len=8192 ;;
    esac
    "$program" "${limit[@]}" -max_len=$max_len -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" "fuzz/corpus/$t" >"$log" 2>&1 ||
        status=$?
    runs=$(awk '/stat::number_of_executed_units:/ { print $2 }' "$log" | tail -n 1)
    rate=$(awk '/stat::average_exec_per_sec:/ { print $2 }' "$log" | tail -n 1)
    verdict="0 breaks"
    if ((status != 0)); then
        broken=1
        verdict="BROKE (status $status): input in $crashes, log in $log"
        echo "--- $t broke; the end of its log:" >&2
        tail -n 40 "$log" >&2
    fi
    summary+=("$(printf '%-13s %10s executions %8s per second  %s' "$t" "${runs:-?}" "${rate:-?}" \
        "$verdict")")
done

echo "fuzz.sh: $what"
printf '%s\n' "${summary[@]}"
if ((broken)); then
    echo "fuzz.sh: a target broke" >&2
    exit 1
fi
echo "fuzz.sh: 0 breaks"
