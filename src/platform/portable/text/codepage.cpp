// Which ANSI code page the portable platform runs in, and how characters are
// delimited in it (lead bytes, CharNextA).
#include "platform/portable/text/codepage.h"

#include <langinfo.h>
#include <locale.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <string>

#include "platform/shared/dbcs.h"
#include "text/utf8.h"

namespace {

std::atomic<UINT> decided_code_page{0};

UINT code_page_from_environment() {
    const char* forced = std::getenv("NUVEX_CODEPAGE");
    if (!forced) return 0;
    const std::string_view value(forced);
    if (value == "936") return 936;
    if (value == "65001") return CP_UTF8;
    if (value == "1252") return 1252;
    return 0;  // anything else: decide from the locale as if unset
}

UINT code_page_from_locale() {
    // A private locale object reads LC_ALL / LC_CTYPE / LANG like
    // setlocale(LC_CTYPE, "") would, without changing the process locale.
    locale_t user = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (!user) return code_page_for_codeset("ANSI_X3.4-1968");  // unusable locale: the C locale
    const UINT page = code_page_for_codeset(nl_langinfo_l(CODESET, user));
    freelocale(user);
    return page;
}

bool is_gbk_lead(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

}  // namespace

UINT code_page_for_codeset(std::string_view codeset) {
    std::string name;
    for (char c : codeset) {
        if (c == '-' || c == '_') continue;
        name.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    if (name == "UTF8") return CP_UTF8;
    if (name == "GBK" || name == "GB2312" || name == "GB18030" || name == "CP936" ||
        name == "EUCCN") {
        return 936;
    }
    // The C locale: ASCII is a subset of UTF-8, and a single-byte page could
    // not show the built-in Chinese texts at all.
    if (name.empty() || name == "ANSIX3.41968" || name == "ASCII" || name == "USASCII" ||
        name == "POSIX") {
        return CP_UTF8;
    }
    return 1252;
}

UINT GetACP() {
    UINT page = decided_code_page.load(std::memory_order_acquire);
    if (page != 0) return page;
    page = code_page_from_environment();
    if (page == 0) page = code_page_from_locale();
    UINT expected = 0;
    // The first decision wins, so every caller sees one code page.
    if (!decided_code_page.compare_exchange_strong(expected, page, std::memory_order_acq_rel)) {
        page = expected;
    }
    return page;
}

void portable_reset_code_page() {
    decided_code_page.store(0, std::memory_order_release);
}

UINT effective_code_page(UINT codePage) {
    switch (codePage) {
        case CP_ACP:
        case 1:  // CP_OEMCP: the portable platform has one code page for both
            return GetACP();
        case 936:
        case CP_UTF8:
        case 1252:
            return codePage;
        default:
            return 0;
    }
}

std::size_t char_length(UINT codePage, std::string_view bytes) {
    if (bytes.empty()) return 0;
    if (bytes[0] == '\0') return 1;
    switch (codePage) {
        case 936:
            if (is_gbk_lead(static_cast<unsigned char>(bytes[0])) && bytes.size() > 1 &&
                is_dbcs_trail_byte(936, static_cast<unsigned char>(bytes[1]))) {
                return 2;
            }
            return 1;
        case CP_UTF8:
            return utf8_sequence_length(bytes);
        default:
            return 1;
    }
}

BOOL IsDBCSLeadByte(BYTE testChar) {
    return GetACP() == 936 && is_gbk_lead(testChar);
}

LPSTR CharNextA(LPCSTR p) {
    if (!p) return nullptr;
    if (*p == '\0') return const_cast<LPSTR>(p);
    // At most four bytes are looked at, and never past a terminating zero.
    std::size_t available = 1;
    while (available < 4 && p[available] != '\0') ++available;
    return const_cast<LPSTR>(p + char_length(GetACP(), std::string_view(p, available)));
}
