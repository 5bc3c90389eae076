# The dialogs of the 64-bit module in the user's interface language under
# Wine, whose interface language follows the locale of the Wine process: every
# locale of the module's table (src/config/languages.txt) shows its script's
# configuration dialog, the first locale of each script its About box too
# (English for en_US, Chinese for zh_CN, the same Chinese for zh_TW and the
# other Chinese locales), a language without texts English (the system's
# fallback); and OK under the English interface stores the same bytes as under
# the Chinese one.
#
# Sourced by run-wine-tests.sh after wine-config-dialog.sh, whose probing
# helpers it uses (probe_windows, await_windows, block_with, control_text,
# click_control, one_dialog, windows_are, expect_exit, $settings_path,
# $default_edit_text), with run-wine-tests.sh's pass, fail, wait_end, $WINE,
# $module64 and $win64 (the build folder, for the version it made). The texts
# expected are the ones each language's script defines
# (tests/support/languages.bash). NUVEX_WINE_SHOTS=<folder> keeps screenshots
# of the dialogs.
source "$(dirname "${BASH_SOURCE[0]}")/../support/languages.bash"

# Whether the C library can run in the locale $1 (looked for in $2, a private
# folder, when given): Wine takes the interface language from it, so one the
# C library lacks shows the system's fallback whatever the module holds.
locale_usable() {
    [[ $(env ${2:+LOCPATH="$2"} LC_ALL="$1" locale charmap 2>/dev/null) == UTF-8 ]]
}

# Makes sure the locales the runs below name exist for the Wine processes:
# the system's when it has them all, otherwise all it can make (with the
# prefix's own) compiled into the private folder that LOCPATH names. One the
# C library has no definition of (zh_MO, say) is left out; the runs skip it.
wine_languages_locales() {
    local name missing=0 dir
    for name in "$@"; do
        locale_usable "$name" "${LOCPATH:-}" || missing=1
    done
    ((missing)) || return 0
    dir=${LOCPATH:-${NUVEX_WINE_LOCALE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/nuvex/locale}}
    mkdir -p "$dir"
    for name in "$@"; do
        locale_usable "$name" "$dir" && continue
        [[ -f /usr/share/i18n/locales/${name%%.*} ]] || continue
        # localedef warns about the locales' own definitions; they are harmless.
        localedef -i "${name%%.*}" -f UTF-8 "$dir/$name" >/dev/null 2>&1
        locale_usable "$name" "$dir" || {
            echo "wine-languages: cannot make the locale $name" >&2
            return 1
        }
    done
    export LOCPATH=$dir
}

# Starts the module with /c under the locale variables given (LC_ALL and
# LC_MESSAGES are cleared first); the launcher's pid lands in $saver.
start_in_locale() {
    env -u LC_ALL -u LC_MESSAGES "$@" "$WINE" "$module64" /c >/dev/null 2>&1 &
    saver=$!
    saver_pids+=("$saver")
}

# Waits for the configuration dialog titled $1 ($dialog holds its block) and
# checks its controls' texts against "$2" (OK|Cancel|group box|check box|About).
expect_config_dialog() {
    local caption=$1 texts=$2 got
    if ! await_windows "$caption" 10000 one_dialog; then
        probe_windows "$caption"
        fail "$what: no configuration dialog titled '$caption'"
        return 1
    fi
    dialog=$(block_with "$edit_id")
    got="$(control_text "$dialog" 1)|$(control_text "$dialog" 2)|$(control_text "$dialog" "$static_id")|$(control_text "$dialog" "$follow_id")|$(control_text "$dialog" "$about_id")"
    if [[ $got == "$texts" && $(control_text "$dialog" "$edit_id") == "$default_edit_text" ]]; then
        pass "$what: the configuration dialog is titled '$caption', its controls read '$got', the edit box the built-in greeting"
    else
        fail "$what: '$caption' controls read '$got', edit box '$(control_text "$dialog" "$edit_id")'"
    fi
}

# Opens the About box from $dialog and expects the caption $1 and an OK button
# reading $2 and the version line $3; closes it again.
expect_about_box() {
    local caption=$1 ok=$2 version=$3 about texts
    click_control "$dialog" 3
    if await_windows "$caption" 5000 windows_are 1; then
        about=$probed
        texts=$(awk '$1 == "control" && $4 == "Static"' <<<"$about" | sed 's/^.* text //' | tr '\n' '|')
        if [[ -n ${NUVEX_WINE_SHOTS:-} ]]; then
            mkdir -p "$NUVEX_WINE_SHOTS"
            import -display "$DISPLAY" -window root "$NUVEX_WINE_SHOTS/wine-about-$tag.png" 2>/dev/null
        fi
        if [[ $(control_text "$about" 1) == "$ok" && $texts == *"$version|"* ]]; then
            pass "$what: About opened '$caption' with '$ok' and '$version'"
        else
            fail "$what: About '$caption' reads OK '$(control_text "$about" 1)', texts '$texts'"
        fi
        click_control "$about" 1
        await_windows "$caption" 5000 windows_are 0 || fail "$what: the About box did not close"
    else
        fail "$what: About did not open '$caption'"
    fi
}

echo "== dialogs in the interface language"
# <script> prints what the configuration dialog's controls of that script read
# (OK|Cancel|group box|check box|About).
dialog_texts() {
    local name texts=()
    for name in OK CANCEL GROUP FOLLOW ABOUT_BUTTON; do
        texts+=("$(language_text "$1" "NUVEX_TEXT_$name")")
    done
    (IFS='|'; echo "${texts[*]}")
}
untranslated=$(untranslated_locale)
mapfile -t language_locales < <(language_rows | awk '{ print $1 ".UTF-8" }')
if wine_languages_locales "${language_locales[@]}" "$untranslated"; then
    rm -rf "$settings_path"
    short=$(version_short "$win64")
    seen=" "
    mapfile -t rows < <(language_rows)
    for row in "${rows[@]}"; do
        read -r locale_name script <<<"$row"
        what="LANG=$locale_name.UTF-8" tag=${script%.rc}
        if ! locale_usable "$locale_name.UTF-8" "${LOCPATH:-}"; then
            echo "  skipped: $what: the C library has no such locale for Wine to run in"
            continue
        fi
        start_in_locale LANG="$locale_name.UTF-8"
        if expect_config_dialog "$(language_text "$script" NUVEX_TEXT_CONFIG_CAPTION)" \
            "$(dialog_texts "$script")"; then
            if [[ $seen != *" $script "* ]]; then
                # The first locale of a script: its About box too.
                seen+="$script "
                if [[ -n ${NUVEX_WINE_SHOTS:-} ]]; then
                    mkdir -p "$NUVEX_WINE_SHOTS"
                    import -display "$DISPLAY" -window root "$NUVEX_WINE_SHOTS/wine-config-$tag.png" 2>/dev/null
                fi
                expect_about_box "$(language_text "$script" NUVEX_TEXT_ABOUT_CAPTION)" \
                    "$(language_text "$script" NUVEX_TEXT_OK)" \
                    "$(language_text "$script" NUVEX_TEXT_ABOUT_VERSION)$short"
                click_control "$dialog" 2
                expect_exit "$what: Cancel" 0
            else
                xdotool key Escape
                expect_exit "$what: Esc" 0
            fi
        else
            kill "$saver" 2>/dev/null
        fi
    done

    # Any other language falls back to English.
    what="LANG=$untranslated"
    start_in_locale LANG="$untranslated"
    if expect_config_dialog "$(language_text nuvex_english.rc NUVEX_TEXT_CONFIG_CAPTION)" \
        "$(dialog_texts nuvex_english.rc)"; then
        xdotool key Escape
        expect_exit "$what: Esc" 0
    else
        kill "$saver" 2>/dev/null
    fi

    # The same OK under the English and the Chinese interface, both with the
    # Chinese code page 936: the same bytes.
    stored=()
    for messages in en_US.UTF-8 zh_CN.UTF-8; do
        what="LANG=zh_CN.UTF-8 LC_MESSAGES=$messages"
        rm -rf "$settings_path"
        start_in_locale LANG=zh_CN.UTF-8 LC_MESSAGES="$messages"
        caption=$(language_text nuvex_chinese.rc NUVEX_TEXT_CONFIG_CAPTION)
        [[ $messages == en_US.UTF-8 ]] && caption=$(language_text nuvex_english.rc NUVEX_TEXT_CONFIG_CAPTION)
        if await_windows "$caption" 10000 one_dialog; then
            dialog=$(block_with "$edit_id")
            click_control "$dialog" 1
            expect_exit "$what: OK" 1
            stored+=("$(od -An -tx1 "$settings_path" 2>/dev/null | tr -d ' \n')")
        else
            fail "$what: no configuration dialog titled '$caption'"
            kill "$saver" 2>/dev/null
        fi
    done
    if [[ ${#stored[@]} == 2 && -n ${stored[0]} && ${stored[0]} == "${stored[1]}" ]]; then
        pass "OK under the English and the Chinese interface (code page 936) stored the same ${#stored[0]} hex digits"
    else
        fail "OK under the English and the Chinese interface stored: ${stored[*]}"
    fi
    rm -rf "$settings_path"
else
    fail "the locales for the language runs could not be made"
fi
