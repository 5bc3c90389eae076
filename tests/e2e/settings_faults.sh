#!/usr/bin/env bash
# The settings file under the faults users meet, through the real dialog on
# Xvfb with real keys: a message stored in another code page, a full disk (a
# real tmpfs of 64 KB), a settings file that is a link into a dotfiles folder,
# one that is a link to /dev/null, the program killed in the middle of a
# save, and zero bytes and lone CRs that the edit box cannot hold. Nothing stored may be lost or misplaced, and what the dialog says must
# be true.
# Usage: settings_faults.sh <build folder>
name=settings
tools=(iconv)
source "$(dirname "$0")/dialog_common.bash"
slow_fsync=$build/tests/e2e/libnuvex_slow_fsync.so
mounted=""
cleanup_more() { [[ -n $mounted ]] && umount "$mounted" 2>/dev/null; }

dialog_title="Lumora Settings"

# start <config home> [env assignments...]: `nuvex /c` in the background.
start() {
    local home=$1
    shift
    env XDG_CONFIG_HOME="$home" "$@" "$nuvex" /c >"$work/app.log" 2>&1 &
    app_pid=$!
}

# windows_named: how many visible windows have the dialog's title (a message
# box takes its owner's caption).
windows_named() { xdotool search --onlyvisible --name "^$dialog_title\$" 2>/dev/null | wc -l; }

# await_windows <count>: waits up to 30 s (on a loaded machine a dialog has
# taken more than 10 s to map) for that many such windows, then focuses the
# newest.
await_windows() {
    local id=""
    for _ in $(seq 300); do
        if (($(windows_named) == $1)); then
            id=$(xdotool search --onlyvisible --name "^$dialog_title\$" 2>/dev/null | tail -n1)
            [[ -n $id ]] && break
        fi
        sleep 0.1
    done
    if [[ -z $id ]]; then
        # What the failure that follows needs to be understood.
        local state="has ended"
        kill -0 "$app_pid" 2>/dev/null && state="still runs"
        echo "note: after 30 s $(windows_named) windows are named \"$dialog_title\", not $1;" \
            "the program $state; its output: $(tail -c 300 "$work/app.log" 2>/dev/null)" >&2
        return 1
    fi
    xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
    sleep 0.3
}

# In the dialog: a new first line typed into the edit box (focus starts on OK;
# Tab, Tab reaches the edit box), then OK through the check box's Enter.
type_line_and_ok() {
    keys Tab Tab ctrl+Home
    xdotool type --delay 30 "$1"
    keys Return Tab Return
}

hex() { od -An -tx1 "$1" | tr -d ' \n'; }

# 1. A GBK message opened on a UTF-8 system: the dialog says the stored bytes
# are no text here, and OK without edits leaves every byte as it was.
home=$work/gbk
mkdir -p "$home/nuvex"
{
    printf '[Nuvex0_01]\r\nNuvexScr_Text='
    printf '随波逐流^n你好世界' | iconv -t GBK
    printf '\r\nNuvexScr_Follow=99999999999\r\n'
} >"$home/nuvex/Nuvex0_01"
cp "$home/nuvex/Nuvex0_01" "$work/gbk-before"
start "$home" NUVEX_CODEPAGE=65001
if await_windows 2; then
    keys Return  # the notice
    await_windows 1 && keys Return  # OK
    code=$(finish)
    [[ $code == 1 ]] || fail "OK on the GBK message ended with '$code', expected 1"
    cmp -s "$work/gbk-before" "$home/nuvex/Nuvex0_01" ||
        fail "OK rewrote the GBK message or the follow text: $(hex "$home/nuvex/Nuvex0_01")"
else
    fail "no notice that the stored message is no text in this code page ($(windows_named) windows)"
    finish >/dev/null
fi

# The same file, a line typed before the stored ones: those keep their bytes.
start "$home" NUVEX_CODEPAGE=65001
if await_windows 2; then
    keys Return
    await_windows 1 && type_line_and_ok "New"
    code=$(finish)
    expected=$(printf 'NuvexScr_Text=New^n'; printf '随波逐流^n你好世界' | iconv -t GBK)
    grep -qaF "$expected" "$home/nuvex/Nuvex0_01" ||
        fail "a new first line lost the stored GBK lines: $(hex "$home/nuvex/Nuvex0_01")"
    grep -qa $'^NuvexScr_Follow=99999999999\r$' "$home/nuvex/Nuvex0_01" ||
        fail "the untouched follow text changed"
else
    fail "the GBK dialog did not open a second time"
    finish >/dev/null
fi

# 2. A full disk: a real tmpfs of 64 KB, nearly filled. The save fails, the
# dialog says so and stays open, and the file keeps both of its old values.
tmpfs_home=$work/full
mkdir -p "$tmpfs_home"
if [[ $(id -u) == 0 ]] && mount -t tmpfs -o size=64k tmpfs "$tmpfs_home" 2>/dev/null; then
    mounted=$tmpfs_home
    mkdir -p "$tmpfs_home/nuvex"
    printf '[Nuvex0_01]\r\nNuvexScr_Text=Old^n\r\nNuvexScr_Follow=0\r\n' >"$tmpfs_home/nuvex/Nuvex0_01"
    cp "$tmpfs_home/nuvex/Nuvex0_01" "$work/full-before"
    # Fill the rest: no page is left for the new contents.
    dd if=/dev/zero of="$tmpfs_home/filler" bs=1k count=200 2>/dev/null
    start "$tmpfs_home"
    if await_windows 1; then
        keys Tab Tab ctrl+Home
        xdotool type --delay 5 "$(printf 'x%.0s' $(seq 300))"
        keys Return Tab space Return  # the check box flipped, then OK
        if await_windows 2; then
            message_boxes=1
        else
            message_boxes=0
            fail "a save on a full disk showed no message box"
        fi
        cmp -s "$work/full-before" "$tmpfs_home/nuvex/Nuvex0_01" ||
            fail "a failed save changed the file: $(cat "$tmpfs_home/nuvex/Nuvex0_01")"
        leftovers=$(ls -A "$tmpfs_home/nuvex" | grep -v '^Nuvex0_01$')
        [[ -z $leftovers ]] || fail "a failed save left files behind: $leftovers"
        if ((message_boxes)); then
            keys Return
            kill -0 "$app_pid" 2>/dev/null || fail "the dialog closed after the failed save"
            # Room again: the same OK now stores both values.
            rm -f "$tmpfs_home/filler"
            await_windows 1 && keys Return
            code=$(finish)
            [[ $code == 1 ]] || fail "OK after freeing space ended with '$code'"
            grep -qa $'^NuvexScr_Follow=1\r$' "$tmpfs_home/nuvex/Nuvex0_01" ||
                fail "after freeing space the follow value was not stored"
            grep -qa '^NuvexScr_Text=xxxxxxxxxx' "$tmpfs_home/nuvex/Nuvex0_01" ||
                fail "after freeing space the text was not stored"
        fi
    else
        fail "the dialog did not open on the tmpfs"
    fi
    finish >/dev/null
    umount "$tmpfs_home" && mounted=""
else
    echo "note: not root (or no tmpfs): the full-disk case is skipped" >&2
fi

# 3. A settings file that is a link into a dotfiles folder: OK replaces the
# file the link names, keeps its mode, and the link stays.
home=$work/linked
mkdir -p "$home/nuvex" "$work/dotfiles"
printf '[Nuvex0_01]\r\nNuvexScr_Text=Old^n\r\n' >"$work/dotfiles/nuvex.ini"
chmod 640 "$work/dotfiles/nuvex.ini"
ln -s ../../dotfiles/nuvex.ini "$home/nuvex/Nuvex0_01"
start "$home"
if await_windows 1; then
    type_line_and_ok "Linked"
    code=$(finish)
    [[ $code == 1 ]] || fail "OK on the linked file ended with '$code'"
    [[ -L $home/nuvex/Nuvex0_01 ]] || fail "the link was replaced by a plain file"
    grep -qa $'^NuvexScr_Text=Linked^nOld^n\r$' "$work/dotfiles/nuvex.ini" ||
        fail "the file in the dotfiles folder was not updated: $(cat "$work/dotfiles/nuvex.ini")"
    [[ $(stat -c %a "$work/dotfiles/nuvex.ini") == 640 ]] || fail "the linked file's mode changed"
else
    fail "the dialog did not open for the linked file"
    finish >/dev/null
fi

# 4. A link to /dev/null: reported, and neither the link nor the device change.
home=$work/devnull
mkdir -p "$home/nuvex"
ln -s /dev/null "$home/nuvex/Nuvex0_01"
start "$home"
if await_windows 1; then
    type_line_and_ok "Nowhere"
    await_windows 2 || fail "a link to /dev/null was not reported"
    keys Return
    await_windows 1 && keys Escape
    code=$(finish)
    [[ $code == 0 ]] || fail "Esc after the refused save ended with '$code'"
    [[ -L $home/nuvex/Nuvex0_01 && $(readlink "$home/nuvex/Nuvex0_01") == /dev/null ]] ||
        fail "the link to /dev/null was replaced"
    [[ -c /dev/null && $(stat -c %a /dev/null) == 666 ]] || fail "/dev/null changed"
else
    fail "the dialog did not open for the /dev/null link"
    finish >/dev/null
fi

# 5. Killed in the middle of a save (SIGTERM while the new contents are being
# synced): the old file is whole, and the next save removes what was left.
home=$work/killed
mkdir -p "$home/nuvex"
printf '[Nuvex0_01]\r\nNuvexScr_Text=Old^n\r\nNuvexScr_Follow=0\r\n' >"$home/nuvex/Nuvex0_01"
cp "$home/nuvex/Nuvex0_01" "$work/killed-before"
if [[ -f $slow_fsync ]]; then
    start "$home" LD_PRELOAD="$slow_fsync" NUVEX_TEST_SLOW_FSYNC=5
    if await_windows 1; then
        type_line_and_ok "Killed"
        sleep 1
        kill -TERM "$app_pid"
        code=$(finish)
        cmp -s "$work/killed-before" "$home/nuvex/Nuvex0_01" || fail "a killed save damaged the file"
        [[ -n $(ls -A "$home/nuvex" | grep -v '^Nuvex0_01$') ]] ||
            fail "the killed save left no temporary file (was it killed during the save?)"
        start "$home"
        if await_windows 1; then
            type_line_and_ok "Again"
            code=$(finish)
            [[ $code == 1 ]] || fail "the save after the killed one ended with '$code'"
            leftovers=$(ls -A "$home/nuvex" | grep -v '^Nuvex0_01$')
            [[ -z $leftovers ]] || fail "the next save left the killed save's file: $leftovers"
            grep -qa $'^NuvexScr_Text=Again^nOld^n\r$' "$home/nuvex/Nuvex0_01" ||
                fail "the save after the killed one was not stored"
        else
            fail "the dialog did not open after the killed save"
            finish >/dev/null
        fi
    else
        fail "the dialog did not open for the killed save"
        finish >/dev/null
    fi
else
    fail "the fsync delaying aid $slow_fsync is not built"
fi

# 6. What the real GTK edit box cannot hold (a zero byte, a lone CR) is named
# when the dialog opens, and OK without edits keeps every byte; a file that
# cannot be read one way only is named when the dialog opens, and OK is
# refused with a report. (Every other form: the configuration dialog's unit
# tests.) Fields: encoding (iconv name, "-" for none, a "bom-" prefix for a
# byte-order mark first) | notice when opening (0/1) | refused (0/1) | the
# file's text (printf format).
damaged=(
    '-|1|0|[Nuvex0_01]\r\nNuvexScr_Text=line one^nline\0two^nline three^nline four\r\nNuvexScr_Follow=1\r\n'
    'bom-UTF-16LE|1|0|[Nuvex0_01]\r\nNuvexScr_Text=one^ntw\0o\r\nNuvexScr_Follow=1\r\n'
    '-|1|0|[Nuvex0_01]\r\nNuvexScr_Text=abc\rdef^nsecond\r\nNuvexScr_Follow=1\r\n'
    'UTF-16LE|1|1|[Nuvex0_01]\r\nNuvexScr_Text=a^nb\r\nNuvexScr_Follow=1\r\n'
)
home=$work/damaged
mkdir -p "$home/nuvex"
for row in "${damaged[@]}"; do
    IFS='|' read -r encoding notice refused format <<<"$row"
    file=$home/nuvex/Nuvex0_01
    case $encoding in
    -) printf "$format" >"$file" ;;
    bom-*) { printf '\xef\xbb\xbf'; printf "$format"; } | iconv -f UTF-8 -t "${encoding#bom-}" >"$file" ;;
    *) printf "$format" | iconv -f UTF-8 -t "$encoding" >"$file" ;;
    esac
    cp "$file" "$work/damaged-before"
    start "$home"
    if ((notice)); then
        await_windows 2 && keys Return || fail "no notice on opening: $format ($encoding)"
    fi
    if await_windows 1; then
        keys Return
        if ((refused)); then
            await_windows 2 && keys Return || fail "OK was not refused: $format ($encoding)"
            await_windows 1 && keys Escape
        fi
        code=$(finish)
        [[ $code == $((1 - refused)) ]] || fail "the dialog ended with '$code': $format ($encoding)"
        cmp -s "$work/damaged-before" "$file" || fail "OK changed $format ($encoding): $(hex "$file")"
    else
        fail "the dialog did not open: $format ($encoding)"
        finish >/dev/null
    fi
done

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "settings faults: all checks passed"
