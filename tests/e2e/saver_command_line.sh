#!/usr/bin/env bash
# Command lines that name no usable mode end at once with status 255 and one
# line of usage on the error stream; so do display-mode arguments that are
# wrong, each echoed quoted.
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
# Arguments that are wrong, or hostile to the terminal: refused with status
# 255 and one short line that says what is wrong and quotes them (no escape
# sequence, no line break), and no window opens; through both grammars and
# the display's name (the display-mode parser's own table: its unit tests).
# Each case is what the line must say, the environment (or "-") and then the
# arguments, split at '|'.
esc=$'\e'
big=$(head -c 131000 /dev/zero | tr '\0' 'x')
for case in "out of range|-|--window|--geometry|3000x100-2147483647+0" \
    "XSCREENSAVER_WINDOW=\"\\x1b[2J\"|XSCREENSAVER_WINDOW=${esc}[2J|--root" \
    "(131000 bytes) is not a whole number|-|--root|--delay|$big" \
    "unusable command line \"/x\\x1b[2J\"|-|/x${esc}[2J" \
    "display \"\\x1b]0;T\\x07\"|DISPLAY=${esc}]0;T"$'\a'"|--root"; do
    IFS='|' read -r -a arguments <<<"$case"
    expected=${arguments[0]}
    environment=${arguments[1]}
    [[ $environment == - ]] && environment=NUVEX_UNUSED=1
    status=0
    timeout 10 env "$environment" "$nuvex" "${arguments[@]:2}" >"$work_dir/out" 2>"$work_dir/err" ||
        status=$?
    shown=${expected}
    [[ $status -eq 255 ]] || fail "'$shown' ended with status $status, not 255"
    lines=$(wc -l <"$work_dir/err")
    [[ $lines -eq 1 ]] || fail "'$shown' wrote $lines lines to the error stream"
    ! LC_ALL=C grep -q $'[\x01-\x1f\x7f]' "$work_dir/err" ||
        fail "'$shown' echoed control characters: $(od -c "$work_dir/err" | head -n 3)"
    (($(wc -c <"$work_dir/err") <= 300)) || fail "'$shown' wrote $(wc -c <"$work_dir/err") bytes"
    grep -qF -- "$expected" "$work_dir/err" || fail "not '$expected' but: $(head -c 300 "$work_dir/err")"
done
# Nothing was left on screen.
[[ -z $("$host" topmost) ]] || fail "a window was left behind"
echo "PASS"
