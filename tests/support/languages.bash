# The interface languages for the shell tests (sourced): what the module's
# table, src/config/languages.txt, lists, and the texts each language's script
# gives its dialogs, so that a test runs every language the module has.
#   language_rows                 prints "locale texts-script" for each line, in order
#   language_text SCRIPT NAME     prints the text SCRIPT defines as NAME
#                                 (NUVEX_TEXT_CONFIG_CAPTION, NUVEX_TEXT_OK, ...)
#   untranslated_locale           prints a locale whose language has no texts
#   version_short BUILD           prints the version as the About box shows it
languages_source=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

language_rows() {
    awk '!/^[[:space:]]*(#|$)/ { print $1, $3 }' "$languages_source/src/config/languages.txt"
}

language_text() {
    sed -n "s/^#define $2 \"\\(.*\\)\"\$/\\1/p" "$languages_source/src/config/$1"
}

untranslated_locale() {
    local candidate
    for candidate in ja_JP ru_RU ko_KR de_DE fr_FR; do
        language_rows | grep -q "^${candidate%_*}_" || { echo "$candidate.UTF-8"; return; }
    done
    echo "xx_XX.UTF-8"
}

version_short() {
    sed -n 's/^#define NUVEX_VERSION_SHORT "\(.*\)"$/\1/p' "$1/generated/nuvex_version.h"
}
