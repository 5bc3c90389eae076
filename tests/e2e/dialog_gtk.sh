#!/usr/bin/env bash
# The GTK face of the portable dialogs with real widgets: the DialogGtkTest
# cases of the platform's unit test program, run here on a private Xvfb. The
# unit test run leaves them out, since they open windows and need a display;
# here every one must run and pass, none be skipped.
# Usage: dialog_gtk.sh <build folder>
name=gtk
tools=()
source "$(dirname "$0")/dialog_common.bash"

tests=$build/tests/nuvex_tests_platform
[[ -x $tests ]] || { echo "no test program at $tests" >&2; exit 1; }
NUVEX_GTK_TESTS=1 "$tests" --gtest_filter='DialogGtkTest.*' >"$work/gtk-tests.log" 2>&1 || {
    cat "$work/gtk-tests.log" >&2
    fail "the GTK dialog tests failed"
}
grep -q "SKIPPED" "$work/gtk-tests.log" && fail "GTK dialog tests were skipped under Xvfb"
passed=$(grep -c '^\[       OK \] DialogGtkTest\.' "$work/gtk-tests.log")
((passed > 0)) || fail "no GTK dialog test ran"

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "GTK dialogs: $passed tests passed"
