#!/usr/bin/env bash
# The settings dialog in the user's language, through the real program under
# Xvfb: for each texts of the interface languages (src/config/languages.txt),
# `LANG=<its first locale> nuvex /c` shows the dialog and About box with that
# script's titles (`LANG=en_US.UTF-8` the English ones, `LANG=zh_CN.UTF-8` the
# Chinese), a language without texts the English ones, and OK writes the same
# bytes under every one. The locales need not be installed: the language is
# read from the variables, and the title from _NET_WM_NAME, which GTK sets in
# any locale. Screenshots of the dialogs land in
# <build>/e2e-artifacts/dialog_languages.
# Usage: dialog_languages.sh <build folder>
name=languages
tools=(xprop import iconv)
source "$(dirname "$0")/dialog_common.bash"
source "$(dirname "$0")/../support/languages.bash"
artifacts=$build/e2e-artifacts/dialog_languages
mkdir -p "$artifacts"

# start <LANG> <config home> [variables...]: `nuvex /c` with only LANG naming
# the locale.
start() {
    local lang=$1 home=$2
    shift 2
    env -u LC_ALL -u LC_MESSAGES LANG="$lang" XDG_CONFIG_HOME="$home" "$@" "$nuvex" /c \
        >"$work/app.log" 2>&1 &
    app_pid=$!
}

# window <title>: waits up to 20 s for a visible window of the program with
# that title (a first start in a fresh home on a busy machine can be slow),
# focuses it and prints its id.
window() {
    local id name
    for _ in $(seq 200); do
        for id in $(xdotool search --onlyvisible --class nuvex 2>/dev/null); do
            name=$(xprop -id "$id" _NET_WM_NAME 2>/dev/null |
                sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
            if [[ $name == "$1" ]]; then
                xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
                sleep 0.3
                echo "$id"
                return 0
            fi
        done
        sleep 0.1
    done
    return 1
}

# The titles of the program's visible windows, for a failure message.
titles() {
    local id
    for id in $(xdotool search --onlyvisible --class nuvex 2>/dev/null); do
        xprop -id "$id" _NET_WM_NAME 2>/dev/null | sed 's/^_NET_WM_NAME(UTF8_STRING) = //'
    done | tr '\n' ' '
}

# run_language <tag> <LANG> <dialog title> <About title>: opens the dialog,
# photographs it and its About box, and ends it with OK on the defaults; the
# stored file lands in $work/<tag>.<page>.
run_language() {
    local tag=$1 lang=$2 title=$3 about=$4
    for page in locale 936; do
        local home=$work/home-$tag-$page extra=()
        [[ $page == 936 ]] && extra=(NUVEX_CODEPAGE=936)
        start "$lang" "$home" "${extra[@]}"
        if window "$title" >/dev/null; then
            if [[ $page == locale ]]; then
                import -window root "$artifacts/dialog-$tag.png"
                # Shift+Tab from OK wraps to the About button.
                keys shift+Tab Return
                if window "$about" >/dev/null; then
                    import -window root "$artifacts/about-$tag.png"
                    keys Return
                    window "$title" >/dev/null || fail "$tag: the dialog did not come back after About"
                else
                    fail "$tag: no About box titled '$about' (windows: $(titles))"
                fi
                keys Tab  # from About on to OK
            fi
            keys Return
            local code
            code=$(finish)
            [[ $code == 1 ]] || fail "$tag ($page): OK ended with '$code', expected 1"
            cp "$home/nuvex/Nuvex0_01" "$work/$tag.$page" 2>/dev/null ||
                fail "$tag ($page): OK stored no settings file"
        else
            fail "$tag ($page): no dialog titled '$title' (windows: $(titles)); the program $(
                kill -0 "$app_pid" 2>/dev/null && echo "still runs" || echo "has ended"
            ), its output: $(tail -c 2000 "$work/app.log" | tr '\n' ' ')"
            finish >/dev/null
        fi
    done
}

# Each texts once, under the first locale that shows them; then a language the
# module has no texts in, which shows the English ones.
tags=()
while read -r locale script; do
    tag=${script%.rc}
    tag=${tag#nuvex_}
    [[ " ${tags[*]} " == *" $tag "* ]] && continue
    tags+=("$tag")
    run_language "$tag" "$locale.UTF-8" "$(language_text "$script" NUVEX_TEXT_CONFIG_CAPTION)" \
        "$(language_text "$script" NUVEX_TEXT_ABOUT_CAPTION)"
done < <(language_rows)
((${#tags[@]} >= 2)) || fail "languages.txt lists fewer than two texts: ${tags[*]}"
tags+=(untranslated)
run_language untranslated "$(untranslated_locale)" \
    "$(language_text nuvex_english.rc NUVEX_TEXT_CONFIG_CAPTION)" \
    "$(language_text nuvex_english.rc NUVEX_TEXT_ABOUT_CAPTION)"

# The language is the interface's alone: the same use stores the same bytes.
for page in locale 936; do
    for tag in "${tags[@]}"; do
        if [[ -f $work/english.$page && -f $work/$tag.$page ]]; then
            cmp -s "$work/english.$page" "$work/$tag.$page" ||
                fail "OK ($page) stored different bytes under English and $tag: $(od -c "$work/english.$page" | head -n 4) / $(od -c "$work/$tag.$page" | head -n 4)"
        fi
    done
done
# And the stored text is the built-in greeting, the same in every language.
if [[ -f $work/english.936 ]]; then
    expected=$(printf '生日快乐^nHappy Birthday^n永远美丽^n天天开心^n珍爱每一天^n' | iconv -f UTF-8 -t GBK | od -An -tx1 | tr -d ' \n')
    stored=$(grep -a '^NuvexScr_Text=' "$work/english.936" | sed 's/^NuvexScr_Text=//; s/\r$//' | od -An -tx1 | tr -d ' \n')
    [[ $stored == "${expected}0a" ]] || fail "the English interface stored the greeting as $stored"
fi

if ((failures > 0)); then
    echo "$failures check(s) failed; screenshots in $artifacts" >&2
    exit 1
fi
echo "dialog languages: all checks passed; screenshots in $artifacts"
