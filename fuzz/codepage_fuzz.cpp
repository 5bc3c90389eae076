// Conversions between the code pages the program runs in and Unicode, on any
// bytes: sizes asked for and sizes written agree, and valid text survives the
// round trip in both directions.
//
// Input: one byte choosing the code page, then bytes that are read both as
// text in that code page and as UTF-16 (little-endian units).
#include <string>

#include "fuzz_support.h"
#include "platform/portable/text/codepage.h"
#include "platform/win32.h"

namespace {

std::u16string to_wide(unsigned page, DWORD flags, std::string_view bytes, bool* ok) {
    const int count = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(page, flags, bytes.data(), count, nullptr, 0);
    *ok = needed > 0;
    if (needed <= 0) return {};
    std::u16string wide(static_cast<std::size_t>(needed), u'\0');
    const int written = MultiByteToWideChar(page, flags, bytes.data(), count,
                                            reinterpret_cast<LPWSTR>(wide.data()), needed);
    FUZZ_CHECK(written == needed);
    return wide;
}

std::string to_bytes(unsigned page, std::u16string_view wide, BOOL* usedDefault) {
    const int count = static_cast<int>(wide.size());
    const auto* units = reinterpret_cast<LPCWSTR>(wide.data());
    const int needed = WideCharToMultiByte(page, 0, units, count, nullptr, 0, nullptr, usedDefault);
    FUZZ_CHECK(needed > 0);
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    const int written =
        WideCharToMultiByte(page, 0, units, count, bytes.data(), needed, nullptr, usedDefault);
    FUZZ_CHECK(written == needed);
    return bytes;
}

FUZZ_ORACLE bool has_lone_surrogate(std::u16string_view wide) {
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char16_t unit = wide[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF) {
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            return true;
        }
    }
    return false;
}

// Text in the code page: when it is valid, back from Unicode it is the same
// bytes; either way the lenient reading gives as many units as it says.
// Returns whether the bytes are valid text.
bool check_bytes(unsigned page, std::string_view bytes) {
    if (bytes.empty()) return false;
    bool ok = false;
    const std::u16string lenient = to_wide(page, 0, bytes, &ok);
    FUZZ_CHECK(ok);
    const std::u16string strict = to_wide(page, MB_ERR_INVALID_CHARS, bytes, &ok);
    if (!ok) return false;
    FUZZ_CHECK(strict == lenient);
    BOOL usedDefault = FALSE;
    const std::string back = to_bytes(page, strict, page == CP_UTF8 ? nullptr : &usedDefault);
    FUZZ_CHECK(!usedDefault);
    FUZZ_CHECK(back == bytes);
    return true;
}

// Unicode text that the code page can hold comes back as the same units.
void check_wide(unsigned page, std::u16string_view wide) {
    if (wide.empty() || has_lone_surrogate(wide)) return;
    BOOL usedDefault = FALSE;
    const std::string bytes = to_bytes(page, wide, page == CP_UTF8 ? nullptr : &usedDefault);
    if (usedDefault) return;
    bool ok = false;
    const std::u16string back = to_wide(page, MB_ERR_INVALID_CHARS, bytes, &ok);
    FUZZ_CHECK(ok);
    FUZZ_CHECK(back == wide);
}

unsigned current_page = 0;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned page = fuzzing::code_page_of(data[0]);
    const std::string_view bytes = fuzzing::as_text(data + 1, size - 1);
    const bool valid = check_bytes(page, bytes);
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    check_wide(page, wide);

    // The helpers for the libraries that take UTF-8: the ANSI code page of
    // the moment, text in it to UTF-8 and back.
    if (page != current_page) {
        setenv("NUVEX_CODEPAGE", std::to_string(page).c_str(), 1);
        portable_reset_code_page();
        current_page = page;
    }
    const std::string utf8 = acp_to_utf8(bytes);
    FUZZ_CHECK(acp_to_code_points(bytes).size() <= bytes.size());
    if (valid) FUZZ_CHECK(utf8_to_acp(utf8) == bytes);
    return 0;
}
