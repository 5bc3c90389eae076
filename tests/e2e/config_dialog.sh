#!/usr/bin/env bash
# The configuration dialog of the real program under Xvfb, driven with real
# key presses: it shows the stored (or default) settings, OK stores the edited
# lines and ends with 1, Esc ends with 0 and stores nothing, the About box
# opens and closes back to the dialog, and a settings folder that cannot be
# written makes OK report the error and keep the dialog open.
# Usage: config_dialog.sh <build folder>
name=config
tools=(import)
source "$(dirname "$0")/dialog_common.bash"
chmod 755 "$work"
artifacts=$build/e2e-artifacts/config_dialog
mkdir -p "$artifacts"

# start <config home> [command prefix...]: runs `nuvex /c` in the background.
start() {
    local home=$1
    shift
    XDG_CONFIG_HOME=$home "$@" "$nuvex" /c >"$work/app.log" 2>&1 &
    app_pid=$!
}

# window <name>: the id of the visible window with that title, given focus.
window() {
    local id
    id=$(timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | tail -n1)
    [[ -n $id ]] || return 1
    xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
    sleep 0.3
    echo "$id"
}

dialog_title="Lumora Settings"
about_title="About Lumora"

# 1. Without settings: the default message and a checked box.
home1=$work/home1
start "$home1"
if id=$(window "$dialog_title"); then
    import -window root "$artifacts/opened.png"
    geometry=$(xdotool getwindowgeometry "$id" | tr '\n' ' ')
    echo "dialog window: $geometry"
    keys Escape
    code=$(finish)
    [[ $code == 0 ]] || fail "Esc ended with '$code', expected 0"
    [[ -e $home1/nuvex/Nuvex0_01 ]] && fail "Esc wrote the settings file"
else
    fail "the dialog did not appear"
    finish >/dev/null
fi

# 2. Two typed lines and OK: stored joined by "^n", exit code 1.
home2=$work/home2
start "$home2"
if window "$dialog_title" >/dev/null; then
    # Focus starts on OK; Tab, Tab reaches the edit box (template order).
    keys Tab Tab ctrl+a
    xdotool type --delay 40 "Hello"
    keys Return
    xdotool type --delay 40 "World"
    sleep 0.3
    import -window root "$artifacts/typed.png"
    # Tab to the check box, where Enter presses the default button, OK.
    keys Tab Return
    code=$(finish)
    [[ $code == 1 ]] || fail "OK ended with '$code', expected 1"
    grep -q $'^NuvexScr_Text=Hello^nWorld\r$' "$home2/nuvex/Nuvex0_01" 2>/dev/null ||
        fail "stored text is not 'Hello^nWorld': $(cat "$home2/nuvex/Nuvex0_01" 2>&1)"
    grep -q $'^NuvexScr_Follow=0\r$' "$home2/nuvex/Nuvex0_01" 2>/dev/null || fail "follow value not stored as 0"
else
    fail "the dialog did not appear for typing"
    finish >/dev/null
fi

# 3. Stored settings show up; About opens and closes back to the dialog.
home3=$work/home3
mkdir -p "$home3/nuvex"
printf '[Nuvex0_01]\r\nNuvexScr_Text=One^nTwo^n\r\nNuvexScr_Follow=1\r\n' >"$home3/nuvex/Nuvex0_01"
cp "$home3/nuvex/Nuvex0_01" "$work/before3"
start "$home3"
if window "$dialog_title" >/dev/null; then
    import -window root "$artifacts/stored.png"
    # Shift+Tab from OK wraps to the About button; Enter presses it.
    keys shift+Tab Return
    if window "$about_title" >/dev/null; then
        import -window root "$artifacts/about.png"
        keys Return
        sleep 0.5
        xdotool search --onlyvisible --name "^$about_title\$" >/dev/null && fail "the About box did not close"
        if window "$dialog_title" >/dev/null; then
            keys Escape
        else
            fail "the dialog did not stay open after About"
        fi
    else
        fail "the About box did not appear"
    fi
    code=$(finish)
    [[ $code == 0 ]] || fail "Esc after About ended with '$code', expected 0"
    cmp -s "$work/before3" "$home3/nuvex/Nuvex0_01" || fail "the settings file changed without OK"
else
    fail "the dialog did not appear for About"
    finish >/dev/null
fi

# 4. A settings folder that cannot be written: OK reports it, the dialog stays.
home4=$work/home4
mkdir -p "$home4/nuvex"
prefix=()
if [[ $(id -u) == 0 ]]; then
    # Root may write anywhere; run the program as an ordinary user instead.
    chown -R 65534:65534 "$home4"
    prefix=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
chmod 555 "$home4/nuvex"
start "$home4" "${prefix[@]}"
if window "$dialog_title" >/dev/null; then
    keys Return
    sleep 0.5
    import -window root "$artifacts/save-failed.png"
    count=$(xdotool search --onlyvisible --name "^$dialog_title\$" | wc -l)
    [[ $count -ge 2 ]] || fail "no error message box appeared (windows named '$dialog_title': $count)"
    # Dismiss the message box; the dialog is still there and Esc ends it.
    keys Return
    sleep 0.3
    kill -0 "$app_pid" 2>/dev/null || fail "the dialog closed after a failed save"
    if window "$dialog_title" >/dev/null; then keys Escape; fi
    code=$(finish)
    [[ $code == 0 ]] || fail "Esc after the failed save ended with '$code', expected 0"
    [[ -e $home4/nuvex/Nuvex0_01 ]] && fail "a settings file appeared in the read-only folder"
else
    fail "the dialog did not appear for the read-only folder"
    finish >/dev/null
fi

# 5. Under the GBK code page the texts travel through the dialog unchanged:
# OK without edits stores the default message as GBK bytes.
home5=$work/home5
start "$home5" env NUVEX_CODEPAGE=936
if window "$dialog_title" >/dev/null; then
    keys Return
    code=$(finish)
    [[ $code == 1 ]] || fail "OK under GBK ended with '$code', expected 1"
    expected=$(printf '生日快乐^nHappy Birthday^n永远美丽^n天天开心^n珍爱每一天^n' | iconv -f UTF-8 -t GBK | od -An -tx1 | tr -d ' \n')
    stored=$(grep -a '^NuvexScr_Text=' "$home5/nuvex/Nuvex0_01" 2>/dev/null | sed 's/^NuvexScr_Text=//; s/\r$//' | od -An -tx1 | tr -d ' \n')
    # od also shows the line's final "\n" (0a).
    [[ $stored == "${expected}0a" ]] || fail "GBK default message stored as $stored"
else
    fail "the dialog did not appear under GBK"
    finish >/dev/null
fi

if ((failures > 0)); then
    echo "$failures check(s) failed; screenshots in $artifacts" >&2
    exit 1
fi
echo "configuration dialog: all checks passed; screenshots in $artifacts"
