#include "platform/shared/quoted.h"

#include "text/utf8.h"

namespace {

void append_hex(std::string& out, const char* prefix, unsigned value, int digits) {
    out += prefix;
    for (int i = digits - 1; i >= 0; --i)
        out.push_back("0123456789abcdef"[(value >> (4 * i)) & 0xF]);
}

// The code point of a well-formed sequence of `length` bytes, or none.
bool decode(std::string_view bytes, std::size_t length, char32_t& c) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    if (length == 2 && byte(0) >= 0xC2 && byte(0) <= 0xDF) {
        c = (char32_t{byte(0)} & 0x1F) << 6 | (byte(1) & 0x3F);
        return true;
    }
    if (length == 3 && byte(0) >= 0xE0 && byte(0) <= 0xEF) {
        c = (char32_t{byte(0)} & 0x0F) << 12 | (char32_t{byte(1)} & 0x3F) << 6 | (byte(2) & 0x3F);
        return c >= 0x800 && (c < 0xD800 || c > 0xDFFF);
    }
    if (length == 4 && byte(0) >= 0xF0 && byte(0) <= 0xF4) {
        c = (char32_t{byte(0)} & 0x07) << 18 | (char32_t{byte(1)} & 0x3F) << 12 |
            (char32_t{byte(2)} & 0x3F) << 6 | (byte(3) & 0x3F);
        return c >= 0x10000 && c <= 0x10FFFF;
    }
    return false;
}

// Characters a terminal acts on rather than shows: C1 controls, and the
// marks and overrides that change the order in which text is laid out.
bool acts_on_terminal(char32_t c) {
    return (c >= 0x80 && c <= 0x9F) || c == 0x061C || (c >= 0x200E && c <= 0x200F) ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::string quoted(std::string_view text, std::size_t limit) {
    std::string out = "\"";
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t length = utf8_sequence_length(text.substr(at));
        if (at + length > limit) break;
        const auto lead = static_cast<unsigned char>(text[at]);
        char32_t c = 0;
        if (lead < 0x80) {
            switch (lead) {
                case '\n':
                    out += "\\n";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                case '\t':
                    out += "\\t";
                    break;
                case '"':
                case '\\':
                    out += '\\';
                    out += static_cast<char>(lead);
                    break;
                default:
                    if (lead < 0x20 || lead == 0x7F) {
                        append_hex(out, "\\x", lead, 2);
                    } else {
                        out += static_cast<char>(lead);
                    }
            }
        } else if (!decode(text.substr(at, length), length, c)) {
            for (std::size_t k = 0; k < length; ++k) {
                append_hex(out, "\\x", static_cast<unsigned char>(text[at + k]), 2);
            }
        } else if (acts_on_terminal(c)) {
            append_hex(out, "\\u", static_cast<unsigned>(c), 4);
        } else {
            out.append(text.substr(at, length));
        }
        at += length;
    }
    out += '"';
    if (at < text.size()) out += "... (" + std::to_string(text.size()) + " bytes)";
    return out;
}
