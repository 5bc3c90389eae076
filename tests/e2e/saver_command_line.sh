#!/usr/bin/env bash
# Command lines that name no usable mode end at once with status 255 and one
# line of usage on the error stream.
source "$(dirname "$0")/saver_common.bash"
start_xvfb

# Each case is the argument list, split at '|'.
tab=$'\t'
for case in "/p:1234" "/x" "/${tab}s" "/|${tab}s" "-${tab}p|1" "/a" "/a|1234" "/p|0"; do
    IFS='|' read -r -a arguments <<<"$case"
    status=0
    timeout 10 "$nuvex" "${arguments[@]}" >"$work_dir/out" 2>"$work_dir/err" || status=$?
    [[ $status -eq 255 ]] || fail "'$case' ended with status $status, not 255"
    [[ ! -s "$work_dir/out" ]] || fail "'$case' wrote to the standard output"
    lines=$(wc -l <"$work_dir/err")
    [[ $lines -eq 1 ]] || fail "'$case' wrote $lines lines to the error stream"
    grep -qi "usage" "$work_dir/err" || fail "'$case' gave no usage"
done
# Nothing was left on screen.
[[ -z $("$host" topmost) ]] || fail "a window was left behind"
echo "PASS"
