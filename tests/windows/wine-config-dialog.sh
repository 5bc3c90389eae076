# The configuration dialog of the 64-bit module under Wine, used as a user
# would: clicks and keys from xdotool on the X screen. What the dialog shows
# (its windows, their owners, controls, texts and check marks) is read back
# by nuvex-dialog-probe; what it stores is read from the settings file in the
# user's application-data folder of the prefix.
#
# Sourced by run-wine-tests.sh once its Wine environment runs; uses its pass,
# fail, ms_now, start_saver, wait_end, $WINE, $module64 and $win64.
# NUVEX_WINE_SHOTS=<folder> keeps a screenshot of the dialog as first opened.

dialog_probe=$win64/tests/windows/programs/nuvex-dialog-probe.exe
config_caption='Lumora设置'
about_caption='关于 Lumora'
settings_path=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Nuvex/Nuvex0_01
# The default message as the edit box shows it (the probe's escapes): five
# lines, each ended by a line break, so the sixth line is empty.
default_edit_text='生日快乐\r\nHappy Birthday\r\n永远美丽\r\n天天开心\r\n珍爱每一天\r\n'

# The configuration dialog's controls, by the ids the resource script gives
# them (read from the one header that defines them).
resource_id() {
    awk -v name="$1" '$1 == "#define" && $2 == name { print $3 }' \
        "$here/../../src/config/nuvex_resource_ids.h"
}
edit_id=$(resource_id IDC_MESSAGE)
follow_id=$(resource_id IDC_FOLLOW)
about_id=$(resource_id IDC_ABOUT)
static_id=$(resource_id IDC_STATIC)

# Reads the windows titled $1 into $probed (one "window" line per window,
# its "control" lines after it).
probe_windows() {
    probed=$("$WINE" "$dialog_probe" windows "$1" 2>/dev/null | tr -d '\r')
}

# Probes the windows titled $1 until the command "$3..." succeeds, for at most
# $2 ms. The last report stays in $probed.
await_windows() {
    local caption=$1 limit=$2 start
    shift 2
    start=$(ms_now)
    while :; do
        probe_windows "$caption"
        "$@" && return 0
        (($(ms_now) - start > limit)) && return 1
        sleep 0.1
    done
}

# The number of windows in $probed.
window_count() { grep -c '^window ' <<<"$probed"; }
windows_are() { [[ $(window_count) == "$1" ]]; }
# One configuration dialog (the window with the edit box), alone or with $1
# other windows of its caption.
one_dialog() { [[ $(block_with "$edit_id" | grep -c '^window ') == 1 ]] && windows_are $((1 + ${1:-0})); }

# The lines of the window in $probed that holds a control with id $1.
block_with() {
    awk -v id="$1" '
        $1 == "window" { if (has) print block; block = $0; has = 0; next }
        { block = block "\n" $0; if ($1 == "control" && $2 == id) has = 1 }
        END { if (has) print block }' <<<"$probed"
}
# The handle of the (first) window in the block $1.
window_handle() { awk '$1 == "window" { print $2; exit }' <<<"$1"; }
# The window line's value after the word $2, in the block $1.
window_field() { awk -v k="$2" '$1 == "window" { for (i = 2; i < NF; i++) if ($i == k) { print $(i + 1); exit } }' <<<"$1"; }
# The line of control $2 in the block $1.
control_line() { awk -v id="$2" '$1 == "control" && $2 == id { print; exit }' <<<"$1"; }
# Control $2's text, as the probe escapes it.
control_text() { control_line "$1" "$2" | sed 's/^control [^ ]* class [^ ]* rect [^ ]* [^ ]* [^ ]* [^ ]* check [^ ]* text //'; }
control_check() { control_line "$1" "$2" | awk '{ print $11 }'; }
# A left click in the middle of control $2.
click_control() {
    local centre
    centre=$(control_line "$1" "$2" | awk '{ print int(($6 + $8) / 2), int(($7 + $9) / 2) }')
    [[ -n $centre ]] || return 1
    xdotool mousemove $centre click 1
}
# Puts the caret in the edit box and selects its whole text with the keys
# that do so in any edit box (this Wine's edit box takes no Ctrl+A).
select_all_in_edit() {
    click_control "$1" "$edit_id" && xdotool key ctrl+Home ctrl+shift+End
}
type_text() { xdotool type --delay 40 "$1"; }

# Starts the saver with the given arguments and waits for its dialog; the
# dialog's block lands in $dialog. Returns 1 (after a FAILED line) when it
# does not appear.
open_config_dialog() {
    local what=$1
    shift
    start_saver "$@"
    if await_windows "$config_caption" 10000 one_dialog; then
        dialog=$(block_with "$edit_id")
        return 0
    fi
    fail "$what: no configuration dialog appeared"
    kill "$saver" 2>/dev/null
    return 1
}

# Expects $saver to end within 5 s with exit code $2; $1 names the action.
expect_exit() {
    local what=$1 expected=$2
    if wait_end "$saver" 5000 && [[ $code == "$expected" ]]; then
        pass "$what closed the dialog with $expected"
    else
        fail "$what gave exit ${code}"
        kill "$saver" 2>/dev/null
    fi
}

# Clicks Cancel in $dialog and expects exit code 0.
cancel_dialog() {
    click_control "$dialog" 2
    expect_exit "$1: Cancel" 0
}

# The file is unchanged since its copy $1.
settings_unchanged() { cmp -s "$1" "$settings_path"; }

echo "== configuration dialog: settings"
settings_copy=$(mktemp)
rm -rf "$settings_path"

# OK with two lines typed over the default text.
if open_config_dialog "/c without a settings file" /c; then
    if [[ -n ${NUVEX_WINE_SHOTS:-} ]]; then
        mkdir -p "$NUVEX_WINE_SHOTS"
        import -display "$DISPLAY" -window root "$NUVEX_WINE_SHOTS/wine-config-dialog.png" 2>/dev/null
    fi
    shown=$(control_text "$dialog" "$edit_id")
    if [[ $shown == "$default_edit_text" && $(control_check "$dialog" "$follow_id") == 1 ]]; then
        pass "/c without a settings file: the edit box shows the five default lines and an empty sixth; '随波逐流' is checked"
    else
        fail "/c without a settings file: edit box '$shown', '随波逐流' check $(control_check "$dialog" "$follow_id")"
    fi
    select_all_in_edit "$dialog"
    type_text Hello
    xdotool key Return
    type_text World
    probe_windows "$config_caption"
    typed=$(control_text "$(block_with "$edit_id")" "$edit_id")
    if [[ $typed == 'Hello\r\nWorld' ]]; then
        pass "/c: the text typed over the selection reads 'Hello', line break, 'World' in the edit box"
    else
        fail "/c: after typing, the edit box reads '$typed'"
    fi
    click_control "$dialog" 1
    expect_exit "/c: OK" 1
    if [[ -f $settings_path ]] &&
        cmp -s "$settings_path" <(printf '[Nuvex0_01]\r\nNuvexScr_Text=Hello^nWorld\r\nNuvexScr_Follow=0\r\n'); then
        pass "/c: OK wrote [Nuvex0_01] with NuvexScr_Text=Hello^nWorld and NuvexScr_Follow=0 (CRLF lines) to %APPDATA%\\Nuvex\\Nuvex0_01"
    else
        fail "/c: the settings file after OK: $( [[ -f $settings_path ]] && od -c "$settings_path" | head -n 8 || echo missing)"
    fi
fi
cp "$settings_path" "$settings_copy" 2>/dev/null || : >"$settings_copy"

# Esc after an edit.
if open_config_dialog "/c then Esc" /c; then
    click_control "$dialog" "$edit_id"
    xdotool key ctrl+End
    type_text ' changed'
    probe_windows "$config_caption"
    typed=$(control_text "$(block_with "$edit_id")" "$edit_id")
    xdotool key Escape
    expect_exit "/c: Esc" 0
    if [[ $typed == *' changed' ]] && settings_unchanged "$settings_copy"; then
        pass "/c: the edit ('$typed') was discarded by Esc: the settings file is unchanged byte for byte"
    else
        fail "/c then Esc: edit box '$typed'; settings file unchanged: $(settings_unchanged "$settings_copy" && echo yes || echo no)"
    fi
fi

echo "== configuration dialog: other starts"
if open_config_dialog "an empty command line"; then
    if [[ $(control_text "$dialog" "$edit_id") == 'Hello\r\nWorld' ]]; then
        pass "an empty command line: the dialog shows the stored text"
    else
        fail "an empty command line: the edit box reads '$(control_text "$dialog" "$edit_id")'"
    fi
    cancel_dialog "an empty command line"
fi

owner_report=$(mktemp)
"$WINE" "$dialog_probe" owner 30000 >"$owner_report" 2>/dev/null &
owner_pid=$!
owner=
for _ in $(seq 200); do
    owner=$(tr -d '\r' <"$owner_report" | awk '$1 == "window" { print $2 }')
    [[ -n $owner ]] && break
    sleep 0.05
done
if [[ -z $owner ]]; then
    fail "/c:<window>: the owner window of the probe did not appear"
else
    probe_windows "Dialog owner"
    before=$(awk '$1 == "foreground" { print $2 }' <<<"$probed")
    if [[ $before == "$owner" ]]; then
        fail "/c:$owner: the owner is the foreground window, so the test cannot tell it from the fallback"
    elif open_config_dialog "/c:$owner" "/c:$owner"; then
        probe_windows "Dialog owner"
        owner_enabled=$(window_field "$probed" enabled)
        if [[ $(window_field "$dialog" owner) == "$owner" && $owner_enabled == 0 ]]; then
            pass "/c:$owner: the dialog is owned by window $owner, which it disables while open (the foreground window was $before)"
        else
            fail "/c:$owner: the dialog's owner is $(window_field "$dialog" owner), that window enabled: ${owner_enabled}"
        fi
        cancel_dialog "/c:$owner"
        probe_windows "Dialog owner"
        [[ $(window_field "$probed" enabled) == 1 ]] && pass "/c:$owner: the owner is enabled again after the dialog" \
            || fail "/c:$owner: the owner stayed disabled after the dialog"
    fi
fi
kill "$owner_pid" 2>/dev/null
wait "$owner_pid" 2>/dev/null
rm -f "$owner_report"
settings_unchanged "$settings_copy" && pass "Cancel in both wrote nothing: the settings file is unchanged byte for byte" \
    || fail "Cancel changed the settings file"

echo "== configuration dialog: About box"
if open_config_dialog "/c for the About box" /c; then
    select_all_in_edit "$dialog"
    type_text 'About test'
    click_control "$dialog" 3
    if await_windows "$about_caption" 5000 windows_are 1; then
        about=$probed
        probe_windows "$config_caption"
        if [[ $(window_field "$about" owner) == $(window_handle "$dialog") && $(window_field "$probed" enabled) == 0 ]]; then
            pass "About opened '关于 Lumora', owned by the configuration dialog, which it disables (modal)"
        else
            fail "About: owner $(window_field "$about" owner), dialog $(window_handle "$dialog") enabled $(window_field "$probed" enabled)"
        fi
        click_control "$about" 1
        if await_windows "$about_caption" 5000 windows_are 0; then
            probe_windows "$config_caption"
            back=$(block_with "$edit_id")
            if one_dialog && [[ $(window_field "$back" enabled) == 1 && $(control_text "$back" "$edit_id") == 'About test' ]]; then
                pass "the About box's OK closed it; the configuration dialog is back, enabled, with its edit 'About test' intact"
            else
                fail "after the About box: dialog '$(window_handle "$back")' enabled $(window_field "$back" enabled), edit '$(control_text "$back" "$edit_id")'"
            fi
        else
            fail "the About box's OK did not close it"
        fi
    else
        fail "About did not open '关于 Lumora'"
    fi
    cancel_dialog "after the About box"
    settings_unchanged "$settings_copy" && pass "after the About box, Cancel wrote nothing" \
        || fail "after the About box, Cancel changed the settings file"
fi

echo "== configuration dialog: a settings file that cannot be written"
# A folder in the file's place: it is no file to replace, and the save says so.
rm -f "$settings_path"
mkdir -p "$settings_path"
if open_config_dialog "/c with a folder in the settings file's place" /c; then
    select_all_in_edit "$dialog"
    type_text Hello
    xdotool key Return
    type_text World
    click_control "$dialog" 1
    if await_windows "$config_caption" 5000 one_dialog 1; then
        box=$(awk -v id="$edit_id" '
            $1 == "window" { if (block != "" && !has) print block; block = $0; has = 0; next }
            { block = block "\n" $0; if ($1 == "control" && $2 == id) has = 1 }
            END { if (block != "" && !has) print block }' <<<"$probed")
        message=$(awk '$1 == "control" && $4 == "Static"' <<<"$box" | sed 's/^.* text //' | tr '\n' ' ')
        dialog_enabled=$(window_field "$(block_with "$edit_id")" enabled)
        if [[ $message == *'无法保存设置'* && $message == *'不是普通文件'* && $message == *'没有任何改动'* &&
              $message == *'AppData\\Roaming\\Nuvex\\Nuvex0_01'* &&
              $(window_field "$box" owner) == $(window_handle "$dialog") && $dialog_enabled == 0 ]] &&
            kill -0 "$saver" 2>/dev/null; then
            pass "OK with a folder in the settings file's place: a message box over the dialog says it is no file, that nothing was changed, and where; the dialog stays open"
        else
            fail "OK with an unwritable settings file: box '$message', owner $(window_field "$box" owner), dialog enabled ${dialog_enabled}"
        fi
        click_control "$box" 1
        if await_windows "$config_caption" 5000 one_dialog 0; then
            back=$(block_with "$edit_id")
            if [[ $(window_field "$back" enabled) == 1 && $(control_text "$back" "$edit_id") == 'Hello\r\nWorld' ]] &&
                kill -0 "$saver" 2>/dev/null; then
                pass "the message box's OK closed it; the dialog is still open, enabled, with the edit 'Hello', 'World' kept"
            else
                fail "after the message box: dialog enabled $(window_field "$back" enabled), edit '$(control_text "$back" "$edit_id")'"
            fi
        else
            fail "the message box's OK did not close it"
        fi
    else
        wait_end "$saver" 100
        fail "OK with an unwritable settings file showed no message box ($(window_count) windows titled '$config_caption'; exit ${code})"
    fi
    kill -0 "$saver" 2>/dev/null && cancel_dialog "after the failed save"
    if [[ -d $settings_path && -z $(ls -A "$settings_path") ]]; then
        pass "after the failed save nothing was written in the settings file's place"
    else
        fail "after the failed save the settings file's place changed"
    fi
fi
rm -rf "$settings_path"
rm -f "$settings_copy"
