# The 64-bit module's manifest as the system reads it, and the module on a
# display scaled to 200 % (192 DPI):
#   - the system makes an activation context from the manifest (a manifest
#     asking for common controls of the wrong architecture is refused: the
#     side-by-side error that stops the module on Windows) and reads per-monitor
#     DPI awareness from it;
#   - at 192 DPI the full-screen window covers the screen's real pixels and
#     every frame is drawn and copied at that size;
#   - at 192 DPI the configuration dialog opens at about twice its size at
#     96 DPI, and runs with the 64-bit common controls 6 of the system's
#     side-by-side store.
# Wine itself does not scale the windows of programs that are not DPI-aware,
# so the last two hold for a module without the DPI settings too; on Windows
# such a module would get a 96-DPI screen and be stretched.
#
# Sourced by run-wine-tests.sh after wine-config-dialog.sh; uses its helpers and
# the runner's pass, fail, ms_now, start_saver, wait_end, saver_window_shown,
# $WINE, $module64, $win64 and $here.

source "$here/wine-dialogs.sh"

echo "== the manifest as the system reads it; a display at 192 DPI"
manifest_probe=$win64/tests/windows/programs/nuvex-manifest-probe.exe
read_back=$("$WINE" "$manifest_probe" "$(winepath -w "$module64" 2>/dev/null)" 2>/dev/null | tr -d '\r')
if [[ $read_back == $'dpiAware true/pm\ndpiAwareness PerMonitorV2, PerMonitor' ]]; then
    pass "the system accepts the manifest and reads per-monitor DPI awareness from it (dpiAware true/pm, dpiAwareness PerMonitorV2, PerMonitor)"
else
    fail "the manifest as the system reads it: '$(tr '\n' ' ' <<<"$read_back")'"
fi

# The width and height of the dialog in $dialog.
dialog_size() { awk '$1 == "window" { print $6 - $4, $7 - $5; exit }' <<<"$dialog"; }

# The display's DPI takes effect in a new Wine session.
set_display_dpi() {
    "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
}

size_96=
if open_dialog_any_language "/c at 96 DPI" /c; then
    size_96=$(dialog_size)
    xdotool key Escape
    wait_end "$saver" 5000 || kill "$saver" 2>/dev/null
fi

set_display_dpi 192
screen=$(xdpyinfo -display "$DISPLAY" | awk '$1 == "dimensions:" { print $2 }')
relay=$(mktemp)
"$WINE" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ /d 'gdi32.BitBlt;gdi32.CreateCompatibleDC;user32.EndPaint' /f >/dev/null 2>&1
xdotool mousemove 700 500
WINEDEBUG=+relay "$WINE" "$module64" /s >/dev/null 2>"$relay" &
saver=$!
saver_pids+=("$saver")
start=$(ms_now)
until saver_window_shown || (($(ms_now) - start > 10000)); do sleep 0.05; done
sleep 2
window=$(xdotool search --name '^Screen Saver$' 2>/dev/null | head -n1)
window_size=$([[ -n $window ]] && xwininfo -id "$window" | awk '$1 == "Width:" { w = $2 } $1 == "Height:" { h = $2 } END { print w "x" h }')
xdotool key space
wait_end "$saver" 5000 || kill "$saver" 2>/dev/null
"$WINE" reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f >/dev/null 2>&1
# The frames painted, by the size of the frame they were copied from.
frames=$(python3 "$here/relay_frames.py" <"$relay")
rm -f "$relay"
frames_at_screen=$(tr ' ' '\n' <<<"$frames" | awk -F: -v s="$screen" '$2 == s { print $1 }')
if [[ -n $screen && $window_size == "$screen" && ${frames_at_screen:-0} -ge 20 &&
      $(wc -w <<<"$frames") == 1 ]]; then
    pass "at 192 DPI the full-screen window is ${window_size}, the screen's real size, and its ${frames_at_screen} frames were all drawn at that size"
else
    fail "at 192 DPI: screen ${screen}, window ${window_size}, frames copied (count:size) ${frames}"
fi

# The dialog at 192 DPI, with Wine's trace of the DLLs it loads: which common
# controls it runs with.
loads=$(mktemp)
start_saver_traced() {
    WINEDEBUG=+loaddll "$WINE" "$module64" "$@" >/dev/null 2>"$loads" &
    saver=$!
    saver_pids+=("$saver")
}
size_192=
dialog_starter=start_saver_traced
if open_dialog_any_language "/c at 192 DPI" /c; then
    size_192=$(dialog_size)
    xdotool key Escape
    wait_end "$saver" 5000 || kill "$saver" 2>/dev/null
fi
unset dialog_starter
set_display_dpi 96
if [[ -n $size_96 && -n $size_192 ]] &&
    awk -v a="$size_96" -v b="$size_192" 'BEGIN { split(a, x, " "); split(b, y, " ");
        rw = y[1] / x[1]; rh = y[2] / x[2]; exit !(rw >= 1.8 && rw <= 2.2 && rh >= 1.8 && rh <= 2.2) }'; then
    pass "the dialog opens at ${size_192/ /x} pixels at 192 DPI against ${size_96/ /x} at 96 DPI"
else
    fail "the dialog's size at 192 DPI '${size_192}' against '${size_96}' at 96 DPI"
fi
comctl=$(tr -d '\r' <"$loads" | grep -a -i -o 'Loaded L"[^"]*comctl32.dll"' | head -n1)
rm -f "$loads"
if grep -qi 'winsxs\\\\amd64_microsoft.windows.common-controls_6595b64144ccf1df_6\.' <<<"$comctl"; then
    pass "the dialog runs with the 64-bit common controls 6 from the side-by-side store ($comctl)"
else
    fail "the dialog's common controls: '${comctl:-none loaded}', expected the amd64 common controls 6"
fi
