# A headless Wine for running the Windows module: a private X server, a fresh
# 64-bit prefix and a Chinese (PRC) locale, so that the ANSI code page is 936
# as on the systems the saver was made for.
#
# Source this file, then:
#   wine_env_start      starts Xvfb, makes the prefix, exports DISPLAY, WINEPREFIX,
#                       LANG/LC_ALL (and LOCPATH when the locale is private), WINE
#   "$WINE" program.exe  runs a Windows program
#   wine_env_stop       stops the Wine server and the X server, removes the prefix
# wine_env_available tells whether Wine is installed at all.
#
# Settings (environment): NUVEX_WINE_SCREEN (default 1920x1080x24),
# NUVEX_WINE_LOCALE (default zh_CN.UTF-8), NUVEX_WINE_KEEP=1 keeps the prefix.

wine_env_find_wine() {
    local candidate
    for candidate in wine64 /usr/lib/wine/wine64 /usr/lib/wine64/wine64 wine; do
        if command -v "$candidate" >/dev/null 2>&1; then
            command -v "$candidate"
            return 0
        fi
    done
    return 1
}

wine_env_available() {
    wine_env_find_wine >/dev/null && command -v Xvfb >/dev/null 2>&1
}

# Makes sure the locale exists: the system's when it has it, otherwise one
# compiled into a private folder (no root needed) and named through LOCPATH.
wine_env_locale() {
    local name=$1
    local normalised=${name/UTF-8/utf8}
    if locale -a 2>/dev/null | grep -qx -e "$name" -e "$normalised"; then
        return 0
    fi
    local base=${name%%.*}
    local dir=${NUVEX_WINE_LOCALE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/nuvex/locale}
    if [[ ! -d $dir/$name ]]; then
        mkdir -p "$dir"
        # localedef warns about the locale's own definitions; they are harmless.
        localedef -i "$base" -f UTF-8 "$dir/$name" >/dev/null 2>&1 || [[ -d $dir/$name ]] || {
            echo "wine-env: cannot make the locale $name" >&2
            return 1
        }
    fi
    export LOCPATH=$dir
}

wine_env_start() {
    local screen=${NUVEX_WINE_SCREEN:-1920x1080x24}
    local locale_name=${NUVEX_WINE_LOCALE:-zh_CN.UTF-8}
    WINE=$(wine_env_find_wine) || {
        echo "wine-env: Wine is not installed" >&2
        return 1
    }
    export WINE
    wine_env_locale "$locale_name" || return 1
    # (The shell itself may not see a private locale; only its children need it.)
    { export LANG=$locale_name LC_ALL=$locale_name; } 2>/dev/null

    # The X server picks a free display number itself and writes it to fd 3.
    local display_file
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    WINE_ENV_XVFB_PID=$!
    local waited=0
    while [[ ! -s $display_file ]]; do
        sleep 0.1
        waited=$((waited + 1))
        if ((waited > 100)) || ! kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null; then
            echo "wine-env: Xvfb did not start" >&2
            rm -f "$display_file"
            return 1
        fi
    done
    export DISPLAY=:$(head -n1 "$display_file")
    rm -f "$display_file"

    WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/nuvex-wine.XXXXXX")
    export WINEPREFIX WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    "$WINE" wineboot --init >/dev/null 2>&1 || {
        echo "wine-env: wineboot failed" >&2
        return 1
    }
    # Without a window manager, Wine would wait for one whenever a full-screen
    # window closes.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    # A fault must reach the program's own handling instead of starting the
    # debugger and its crash dialog: Wine starts its own debugger when the
    # value is absent, so name one that cannot start.
    "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
        /v Debugger /t REG_SZ /d 'nuvex-no-debugger.exe %ld %ld' /f >/dev/null 2>&1
    "$WINE" wineserver -w >/dev/null 2>&1 || true
}

wine_env_stop() {
    if [[ -n ${WINEPREFIX:-} ]]; then
        wineserver -k >/dev/null 2>&1 || "$WINE" wineserver -k >/dev/null 2>&1 || true
        # The server writes the registry as it ends: wait for it before removing.
        wineserver -w >/dev/null 2>&1 || true
        if [[ ${NUVEX_WINE_KEEP:-0} != 1 && $WINEPREFIX == */nuvex-wine.* ]]; then
            rm -rf "$WINEPREFIX"
        fi
    fi
    if [[ -n ${WINE_ENV_XVFB_PID:-} ]]; then
        kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
        wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
        WINE_ENV_XVFB_PID=
    fi
}
