// The window-text messages of windows that hold their text as UTF-16.
#include "platform/portable/user/window_text.h"

#include <cstring>

#include "platform/portable/text/codepage.h"
#include "platform/portable/text/unicode_text.h"

std::u16string window_text_argument(LPARAM text, bool wide) {
    if (!text) return {};
    if (wide) return std::u16string(reinterpret_cast<LPCWSTR>(text));
    return acp_to_utf16(reinterpret_cast<LPCSTR>(text));
}

LRESULT window_text_copy(std::u16string_view text, WPARAM count, LPARAM buffer, bool wide) {
    if (!buffer || count == 0) return 0;
    const auto room = static_cast<std::size_t>(count) - 1;
    if (wide) {
        auto* out = reinterpret_cast<LPWSTR>(buffer);
        const std::size_t kept = whole_wide_characters(text, room);
        std::memcpy(out, text.data(), kept * sizeof(WCHAR));
        out[kept] = 0;
        return static_cast<LRESULT>(kept);
    }
    auto* out = reinterpret_cast<LPSTR>(buffer);
    const std::string ansi = utf16_to_acp(text);
    const std::size_t kept = whole_ansi_characters(ansi, room);
    std::memcpy(out, ansi.data(), kept);
    out[kept] = '\0';
    return static_cast<LRESULT>(kept);
}

LRESULT window_text_length(std::u16string_view text, bool wide) {
    return static_cast<LRESULT>(wide ? text.size() : utf16_to_acp(text).size());
}

std::size_t whole_ansi_characters(std::string_view text, std::size_t room) {
    if (text.size() <= room) return text.size();
    const UINT page = GetACP();
    std::size_t kept = 0;
    while (kept < text.size()) {
        std::size_t length = char_length(page, text.substr(kept));
        if (length == 0) length = 1;
        if (kept + length > room) break;
        kept += length;
    }
    return kept;
}

std::size_t whole_wide_characters(std::u16string_view text, std::size_t room) {
    if (text.size() <= room) return text.size();
    std::size_t kept = 0;
    while (kept < text.size()) {
        const std::size_t length = utf16_char_length(text.substr(kept));
        if (kept + length > room) break;
        kept += length;
    }
    return kept;
}
