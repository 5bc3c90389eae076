# The settings of an ordinary user who may not write the Windows folder, as
# on any Windows where the saver does not run elevated: the 64-bit module runs
# under Wine as a user made for the test (not root), in that user's own prefix
# whose windows folder is read-only to it.
#   - a settings file of an older install, present only in the Windows
#     folder, is what the first /c shows;
#   - its copy in the user's VirtualStore, where Windows kept the writes of
#     32-bit programs to the Windows folder, is preferred to it;
#   - OK stores the edit in %APPDATA%\Nuvex\Nuvex0_01 and leaves both older
#     files alone; the next /c shows what was stored.
# Needs root (to make the user); skipped with a message otherwise. Wine cannot
# make a prefix whose windows folder is read-only, so the prefix is made first.
#
# Sourced by run-wine-tests.sh after wine-config-dialog.sh; uses its helpers and
# the runner's pass, fail, ms_now, start_saver, wait_end, $WINE, $module64,
# $win64 and $here.

source "$here/wine-dialogs.sh"

echo "== settings of an ordinary user whose Windows folder is read-only"

# Runs a command as the test user, in the test user's Wine environment.
as_test_user() { "$test_tools/as-user" "$@"; }

# Stops the test user's Wine, then removes the user and its folder.
remove_test_user() {
    [[ -n ${test_user:-} ]] || return 0
    as_test_user wineserver -k >/dev/null 2>&1
    local pids
    for _ in $(seq 50); do
        pids=$(pgrep -u "$test_user") || break
        sleep 0.1
    done
    [[ -n ${pids:-} ]] && kill $pids 2>/dev/null
    chmod -R u+w "$test_home" 2>/dev/null
    rm -rf "$test_home" "$test_tools"
    userdel "$test_user" 2>/dev/null
    getent group "$test_user" >/dev/null && groupdel "$test_user" 2>/dev/null
    test_user=
}

user_settings_test() {
    local wine=$WINE module=$module64 probe=$dialog_probe
    # (in /tmp: the user must reach it, whatever TMPDIR is)
    test_home=$(mktemp -d /tmp/nuvex-user.XXXXXX)
    # root's own commands for running things as the user: not the user's to change
    test_tools=$(mktemp -d "${TMPDIR:-/tmp}/nuvex-user-tools.XXXXXX")
    test_user=nuvex-test-$$
    if ! useradd --home-dir "$test_home" --no-create-home --shell /usr/sbin/nologin \
        --user-group "$test_user" 2>/dev/null; then
        fail "cannot make the test user $test_user"
        rm -rf "$test_home" "$test_tools"
        test_user=
        return
    fi
    trap 'remove_test_user; cleanup' EXIT
    chown "$test_user:" "$test_home"
    chmod 700 "$test_home"
    # What the user runs and reads must be its own: the module, the probe and,
    # when private, the locale.
    cp "$module" "$test_home/Nuvex.scr"
    cp "$probe" "$test_home/probe.exe"
    test_locpath=
    if [[ -n ${LOCPATH:-} && -d $LOCPATH/$LANG ]]; then
        mkdir -p "$test_home/locale"
        cp -r "$LOCPATH/$LANG" "$test_home/locale/"
        test_locpath=$test_home/locale
    fi
    cat >"$test_tools/as-user" <<EOF
#!/bin/sh
exec runuser -u "$test_user" -- env -i HOME="$test_home" USER="$test_user" LOGNAME="$test_user" \\
    PATH=/usr/local/bin:/usr/bin:/bin DISPLAY="$DISPLAY" WINEPREFIX="$test_home/prefix" \\
    WINEARCH=win64 WINEDEBUG=-all "WINEDLLOVERRIDES=$WINEDLLOVERRIDES" \\
    LANG="$LANG" LC_ALL="$LANG" ${test_locpath:+LOCPATH="$test_locpath"} "\$@"
EOF
    printf '#!/bin/sh\nexec "%s" "%s" "$@"\n' "$test_tools/as-user" "$wine" >"$test_tools/wine"
    chmod 700 "$test_tools/as-user" "$test_tools/wine"
    chown -R "$test_user:" "$test_home"

    local start=$(ms_now)
    WINE=$test_tools/wine module64=$test_home/Nuvex.scr dialog_probe=$test_home/probe.exe
    if ! "$WINE" wineboot --init >/dev/null 2>&1; then
        fail "wineboot as $test_user failed"
        WINE=$wine module64=$module dialog_probe=$probe
        return
    fi
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    as_test_user wineserver -w
    echo "  (the prefix of $test_user was made in $(($(ms_now) - start)) ms)"

    local drive_c=$test_home/prefix/drive_c
    local profile=$drive_c/users/$test_user
    local stored=$profile/AppData/Roaming/Nuvex/Nuvex0_01
    local in_windows=$drive_c/windows/Nuvex0_01
    local virtual=$profile/AppData/Local/VirtualStore/Windows/Nuvex0_01
    printf '[Nuvex0_01]\r\nNuvexScr_Text=Old^nInstall\r\nNuvexScr_Follow=1\r\n' >"$in_windows"
    chown "$test_user:" "$in_windows"
    chmod a-w "$in_windows" "$drive_c/windows"
    if runuser -u "$test_user" -- touch "$drive_c/windows/nuvex-write-test" 2>/dev/null; then
        fail "the windows folder of the test prefix is writable for $test_user"
    fi

    if open_dialog_any_language "$test_user's first /c" /c; then
        if [[ $(control_text "$dialog" "$edit_id") == 'Old\r\nInstall' && $(control_check "$dialog" "$follow_id") == 0 ]]; then
            pass "$test_user's first /c shows the settings found only in the (read-only) Windows folder"
        else
            fail "$test_user's first /c: edit box '$(control_text "$dialog" "$edit_id")', check $(control_check "$dialog" "$follow_id")"
        fi
        click_control "$dialog" 2
        wait_end "$saver" 5000 || kill "$saver" 2>/dev/null
    fi

    mkdir -p "$(dirname "$virtual")"
    printf '[Nuvex0_01]\r\nNuvexScr_Text=Virtual^nStore\r\nNuvexScr_Follow=0\r\n' >"$virtual"
    chown -R "$test_user:" "$profile/AppData/Local/VirtualStore"
    local virtual_copy
    virtual_copy=$(mktemp)
    cp "$virtual" "$virtual_copy"
    if open_dialog_any_language "$test_user's /c with a VirtualStore copy" /c; then
        if [[ $(control_text "$dialog" "$edit_id") == 'Virtual\r\nStore' && $(control_check "$dialog" "$follow_id") == 1 ]]; then
            pass "with a copy in the VirtualStore too, /c shows that copy"
        else
            fail "with a VirtualStore copy, /c shows '$(control_text "$dialog" "$edit_id")', check $(control_check "$dialog" "$follow_id")"
        fi
        select_all_in_edit "$dialog"
        type_text Hello
        xdotool key Return
        type_text World
        click_control "$dialog" 1
        if wait_end "$saver" 5000 && [[ $code == 1 ]] &&
            cmp -s "$stored" <(printf '[Nuvex0_01]\r\nNuvexScr_Text=Hello^nWorld\r\nNuvexScr_Follow=0\r\n'); then
            pass "OK as $test_user stored Hello^nWorld in %APPDATA%\\Nuvex\\Nuvex0_01"
        else
            fail "OK as $test_user: exit ${code}, %APPDATA%\\Nuvex\\Nuvex0_01: $([[ -f $stored ]] && od -c "$stored" | head -n 4 || echo missing)"
            kill "$saver" 2>/dev/null
        fi
        if cmp -s "$in_windows" <(printf '[Nuvex0_01]\r\nNuvexScr_Text=Old^nInstall\r\nNuvexScr_Follow=1\r\n') &&
            cmp -s "$virtual" "$virtual_copy"; then
            pass "the files of the older install were left as they were"
        else
            fail "the files of the older install were changed"
        fi
    fi
    rm -f "$virtual_copy"

    if open_dialog_any_language "$test_user's next /c" /c; then
        if [[ $(control_text "$dialog" "$edit_id") == 'Hello\r\nWorld' ]]; then
            pass "the next /c shows what was stored (read back from %APPDATA%)"
        else
            fail "the next /c shows '$(control_text "$dialog" "$edit_id")'"
        fi
        xdotool key Escape
        wait_end "$saver" 5000 || kill "$saver" 2>/dev/null
    fi
    WINE=$wine module64=$module dialog_probe=$probe
}

if ((EUID != 0)); then
    echo "  skipped: making a test user needs root"
elif ! command -v useradd >/dev/null || ! command -v runuser >/dev/null; then
    echo "  skipped: useradd and runuser are needed to make and use a test user"
else
    user_settings_test
    remove_test_user
    trap cleanup EXIT
fi
