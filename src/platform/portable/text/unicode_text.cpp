// Conversions of UTF-16 text. The code-page directions go through the same
// converters as MultiByteToWideChar and WideCharToMultiByte, so that an A call
// sees exactly what Windows' conversion would give it.
#include "platform/portable/text/unicode_text.h"

#include <climits>

#include "platform/portable/text/codepage.h"
#include "text/utf8.h"

namespace {

constexpr char32_t replacement_character = 0xFFFD;

bool is_high_surrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low_surrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Longer input is converted in pieces that the int counts of the Win32
// conversions can hold, each ending on a character boundary.
constexpr std::size_t piece_units = 1u << 24;

}  // namespace

std::size_t wide_length(LPCWSTR text) {
    if (!text) return 0;
    std::size_t length = 0;
    while (text[length] != 0) ++length;
    return length;
}

std::size_t utf16_char_length(std::u16string_view text) {
    if (text.empty()) return 0;
    return text.size() > 1 && is_high_surrogate(text[0]) && is_low_surrogate(text[1]) ? 2 : 1;
}

std::u32string utf16_to_code_points(std::u16string_view text) {
    std::u32string points;
    points.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (utf16_char_length(text.substr(i)) == 2) {
            points.push_back(0x10000 + ((char32_t{unit} - 0xD800) << 10) +
                             (char32_t{text[i + 1]} - 0xDC00));
            ++i;
        } else if (is_high_surrogate(unit) || is_low_surrogate(unit)) {
            points.push_back(replacement_character);
        } else {
            points.push_back(unit);
        }
    }
    return points;
}

std::string utf16_to_utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : utf16_to_code_points(text)) {
        append_utf8(out, c);
    }
    return out;
}

namespace {

std::u16string to_wide(UINT codePage, std::string_view bytes) {
    std::u16string out;
    while (!bytes.empty()) {
        // Cut only before a character's first byte, so no character is split.
        std::size_t take = bytes.size();
        if (take > piece_units) {
            take = 0;
            while (take < piece_units) {
                const std::size_t step = char_length(codePage, bytes.substr(take));
                take += step == 0 ? 1 : step;
            }
        }
        const int n = static_cast<int>(take);
        const int count = MultiByteToWideChar(codePage, 0, bytes.data(), n, nullptr, 0);
        if (count > 0) {
            const std::size_t start = out.size();
            out.resize(start + static_cast<std::size_t>(count));
            MultiByteToWideChar(codePage, 0, bytes.data(), n, out.data() + start, count);
        }
        bytes.remove_prefix(take);
    }
    return out;
}

std::string from_wide(UINT codePage, std::u16string_view text) {
    std::string out;
    while (!text.empty()) {
        std::size_t take = text.size();
        if (take > piece_units) {
            take = piece_units;
            if (is_low_surrogate(text[take]) && is_high_surrogate(text[take - 1])) --take;
        }
        const int n = static_cast<int>(take);
        const int count =
            WideCharToMultiByte(codePage, 0, text.data(), n, nullptr, 0, nullptr, nullptr);
        if (count > 0) {
            const std::size_t start = out.size();
            out.resize(start + static_cast<std::size_t>(count));
            WideCharToMultiByte(codePage, 0, text.data(), n, out.data() + start, count, nullptr,
                                nullptr);
        }
        text.remove_prefix(take);
    }
    return out;
}

}  // namespace

std::u16string utf8_to_utf16(std::string_view utf8) {
    return to_wide(CP_UTF8, utf8);
}

std::u16string acp_to_utf16(std::string_view bytes) {
    return to_wide(GetACP(), bytes);
}

std::string utf16_to_acp(std::u16string_view text) {
    return from_wide(GetACP(), text);
}
