# Finding the configuration dialog whatever language its caption is in (the
# dialogs follow the user's language), for the Wine tests that run the module
# in other locales or as another user.
#
# Sourced by those tests after wine-config-dialog.sh, whose block_with,
# control_text, control_check, click_control and select_all_in_edit read the
# report left in $probed. Uses $WINE and $dialog_probe as they are at the call,
# so a test may point them at another user's Wine.

# Reads every visible dialog box into $probed.
probe_dialogs() {
    probed=$("$WINE" "$dialog_probe" dialogs 2>/dev/null | tr -d '\r')
}

config_dialog_shown() { [[ -n $(block_with "$edit_id") ]]; }

# Starts the saver with the given arguments (through $dialog_starter when set,
# otherwise start_saver) and waits up to 15 s for its configuration dialog,
# whose block lands in $dialog. Returns 1 (after a FAILED line naming $1) when
# none appears.
open_dialog_any_language() {
    local what=$1 start
    shift
    "${dialog_starter:-start_saver}" "$@"
    start=$(ms_now)
    while :; do
        probe_dialogs
        if config_dialog_shown; then
            dialog=$(block_with "$edit_id")
            return 0
        fi
        if (($(ms_now) - start > 15000)) || ! kill -0 "$saver" 2>/dev/null; then
            fail "$what: no configuration dialog appeared"
            kill "$saver" 2>/dev/null
            return 1
        fi
        sleep 0.1
    done
}

# The edit box's text in the dialog as probed now.
edit_text_now() {
    probe_dialogs
    control_text "$(block_with "$edit_id")" "$edit_id"
}
