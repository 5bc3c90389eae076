# The greeting in four code pages: the 64-bit module under Wine with a Chinese
# (936), English (1252), Russian (1251) and Japanese (932) locale, one prefix,
# the locale chosen per process.
#
# In each locale, without a settings file:
#   - the full-screen saver's first line is the greeting, judged from a
#     screenshot of the saver's own picture once the line has risen: its text
#     cloud is compared (frame_text.py) with the cloud that the Chinese locale
#     draws at the same moment and with the cloud of the line "????";
#   - the dialog's edit box shows the greeting;
#   - a message in four scripts, pasted into the dialog and confirmed with OK,
#     is stored in Unicode and shown again by the next /c.
#
# Sourced by run-wine-tests.sh after wine-config-dialog.sh; uses its helpers and
# the runner's pass, fail, ms_now, start_saver, wait_end, saver_window_shown,
# $WINE, $module64 and $here. NUVEX_WINE_SHOTS=<folder> keeps the screenshots.

source "$here/wine-dialogs.sh"

echo "== the greeting in four code pages"
locale_before=$LANG
locpath_before=${LOCPATH-}
locale_shots=$(mktemp -d)
# The pasted message (the probe's escapes), as the edit box holds it, and as
# the settings file stores it.
mixed_message='生日快乐\nС днём рождения\nHappy Birthday\n생일 축하해'
mixed_edit_text='生日快乐\r\nС днём рождения\r\nHappy Birthday\r\n생일 축하해'
mixed_stored='生日快乐^nС днём рождения^nHappy Birthday^n생일 축하해'

# Runs /s until 5 s after its window shows (the first line rises about 3 s
# after the start), then takes a screenshot into $1 (8-bit PPM) and ends it.
saver_screenshot() {
    local start
    xdotool mousemove 700 500
    start_saver /s
    start=$(ms_now)
    until saver_window_shown; do
        if (($(ms_now) - start > 10000)); then
            kill "$saver" 2>/dev/null
            return 1
        fi
        sleep 0.05
    done
    sleep 5
    import -display "$DISPLAY" -window root -depth 8 "ppm:$1" 2>/dev/null
    xdotool key space
    wait_end "$saver" 3000 || kill "$saver" 2>/dev/null
    [[ -s $1 ]]
}

# The stored text value of the settings file: "<form> <value>", the form being
# utf-16 (with a byte-order mark) or ansi.
stored_text() {
    python3 - "$settings_path" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
if data[:2] == b"\xff\xfe":
    form, text = "utf-16", data[2:].decode("utf-16-le")
else:
    form, text = "ansi", data.decode("latin-1")
for line in text.split("\r\n"):
    if line.startswith("NuvexScr_Text="):
        print(form, line[len("NuvexScr_Text="):])
PY
}

declare -A locale_codepage=([zh_CN.UTF-8]=936 [en_US.UTF-8]=1252 [ru_RU.UTF-8]=1251 [ja_JP.UTF-8]=932)
locale_shot_list=()
for loc in zh_CN.UTF-8 en_US.UTF-8 ru_RU.UTF-8 ja_JP.UTF-8; do
    # The system's locale when it has it (a private folder in LOCPATH would
    # hide the system's locale archive), otherwise a private one.
    unset LOCPATH
    if ! wine_env_locale "$loc"; then
        fail "$loc: the locale cannot be made"
        continue
    fi
    # (This shell may not have the locale itself; only its children need it.)
    { export LANG=$loc LC_ALL=$loc; } 2>/dev/null
    page=${locale_codepage[$loc]}
    got=$("$WINE" "$dialog_probe" codepage 2>/dev/null | tr -d '\r' | awk '{ print $2 }')
    if [[ $got != "$page" ]]; then
        fail "$loc: programs get the ANSI code page '${got}', expected $page"
        continue
    fi
    rm -rf "$settings_path"

    shot=$locale_shots/$loc.ppm
    if saver_screenshot "$shot"; then
        [[ $loc == zh_CN.UTF-8 ]] || locale_shot_list+=("$shot")
    else
        fail "$loc (code page $page): no screenshot of the full-screen saver"
    fi
    if [[ $loc == zh_CN.UTF-8 ]]; then
        # The other reference: the line "????", as a code page that cannot hold
        # the greeting would have turned it.
        mkdir -p "$(dirname "$settings_path")"
        printf '[Nuvex0_01]\r\nNuvexScr_Text=????^n\r\n' >"$settings_path"
        saver_screenshot "$locale_shots/question-marks.ppm" ||
            fail "$loc: no screenshot of the saver showing '????'"
        rm -f "$settings_path"
    fi

    if open_dialog_any_language "$loc: /c" /c; then
        shown=$(control_text "$dialog" "$edit_id")
        if [[ $shown == "$default_edit_text" ]]; then
            pass "$loc (code page $page): the dialog's edit box shows the greeting's five lines"
        else
            fail "$loc (code page $page): the dialog's edit box shows '$shown'"
        fi
        "$WINE" "$dialog_probe" clipboard "$mixed_message" 2>/dev/null
        select_all_in_edit "$dialog"
        xdotool key ctrl+v
        sleep 0.3
        pasted=$(edit_text_now)
        click_control "$dialog" 1
        if ! wait_end "$saver" 5000 || [[ $code != 1 ]]; then
            fail "$loc: OK after pasting '$pasted' gave exit ${code}"
            kill "$saver" 2>/dev/null
        fi
        stored=$(stored_text 2>/dev/null)
        reopened=
        if open_dialog_any_language "$loc: /c after OK" /c; then
            reopened=$(control_text "$dialog" "$edit_id")
            xdotool key Escape
            wait_end "$saver" 5000 || kill "$saver" 2>/dev/null
        fi
        if [[ $pasted == "$mixed_edit_text" && $stored == "utf-16 $mixed_stored" &&
              $reopened == "$mixed_edit_text" ]]; then
            pass "$loc: a message in Chinese, Cyrillic, Latin and Hangul was stored in UTF-16 and shown again by the next /c"
        else
            fail "$loc: pasted '$pasted', stored '$stored', shown again '$reopened'"
        fi
    fi
done
{ export LANG=$locale_before LC_ALL=$locale_before; } 2>/dev/null
if [[ -n $locpath_before ]]; then export LOCPATH=$locpath_before; else unset LOCPATH; fi
rm -rf "$settings_path"

if [[ -s $locale_shots/zh_CN.UTF-8.ppm && -s $locale_shots/question-marks.ppm ]]; then
    if python3 "$here/frame_text.py" "$locale_shots/zh_CN.UTF-8.ppm" \
        "$locale_shots/question-marks.ppm" "${locale_shot_list[@]}" |
        sed "s|$locale_shots/||; s/^/    /"; [[ ${PIPESTATUS[0]} == 0 ]]; then
        pass "the saver's first line is the greeting in every locale, as in code page 936, and not '????'"
    else
        fail "the saver's first line is not the greeting in every locale (screenshots compared above)"
    fi
else
    fail "the reference screenshots (code page 936, '????') are missing"
fi
if [[ -n ${NUVEX_WINE_SHOTS:-} ]]; then
    mkdir -p "$NUVEX_WINE_SHOTS"
    for f in "$locale_shots"/*.ppm; do convert "$f" "$NUVEX_WINE_SHOTS/saver-$(basename "$f" .ppm).png"; done
fi
rm -rf "$locale_shots"
