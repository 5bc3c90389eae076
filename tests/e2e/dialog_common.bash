# Shared by the end-to-end tests of the settings dialog (sourced, not run by
# itself): the program under test, a scratch folder, a private Xvfb screen at
# 1024×768, a count of failures, and waiting for the program to end.
# Before sourcing, a test sets `name` (its scratch folder's name) and `tools`
# (the programs it needs besides Xvfb and xdotool); it may define
# `cleanup_more` for what it leaves behind beyond the scratch folder.
# Every test gets the build folder as its first argument.
set -uo pipefail

build=${1:?usage: $0 <build folder>}
nuvex=$build/src/nuvex
[[ -x $nuvex ]] || { echo "no program at $nuvex" >&2; exit 1; }
for tool in Xvfb xdotool "${tools[@]}"; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing" >&2; exit 77; }
done

work=$(mktemp -d "/tmp/nuvex-$name-e2e.XXXXXX")
failures=0
xvfb_pid=""
app_pid=""

cleanup() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
    declare -F cleanup_more >/dev/null && cleanup_more
    chmod -R u+w "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# A display of our own: Xvfb picks a free number and tells it through -displayfd.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 50); do
    [[ -s $work/display ]] && break
    sleep 0.1
done
[[ -s $work/display ]] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export NO_AT_BRIDGE=1 GDK_BACKEND=x11
unset NUVEX_VIDEO NUVEX_CODEPAGE
# A locale every machine has, for the tests' own tools (UTF-8); its interface
# language is English.
export LC_ALL=C.UTF-8

# finish: waits up to 5 s for the program; prints its exit code, or
# "still-running" (it is then killed) or "sanitizer-report" (a sanitizer build
# reported a memory error on stderr).
finish() {
    for _ in $(seq 100); do
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$app_pid" 2>/dev/null; then
        kill "$app_pid"
        wait "$app_pid" 2>/dev/null
        app_pid=""
        echo "still-running"
        return
    fi
    local code=0
    wait "$app_pid" || code=$?
    app_pid=""
    if grep -q "Sanitizer" "$work/app.log"; then
        cat "$work/app.log" >&2
        echo "sanitizer-report"
        return
    fi
    echo "$code"
}

keys() {
    xdotool key --delay 80 "$@"
    sleep 0.3
}
