#include "text/byte_string.h"

#include "text/utf8.h"

namespace {

ansi_code_page ansi{};

}  // namespace

void set_ansi_code_page(const ansi_code_page& page) {
    ansi = page;
}

bool is_lead_byte(unsigned char byte) {
    return ansi.lead[byte];
}

std::size_t char_length(std::string_view text, std::size_t at, text_encoding encoding) {
    if (encoding == text_encoding::utf8 || ansi.utf8) return utf8_sequence_length(text.substr(at));
    const auto lead = static_cast<unsigned char>(text[at]);
    const bool pair = ansi.lead[lead] && at + 1 < text.size() &&
                      ansi.trail[static_cast<unsigned char>(text[at + 1])];
    return pair ? 2 : 1;
}

std::size_t find_from(std::string_view text, std::string_view needle, std::size_t offset,
                      text_encoding encoding) {
    if (needle.empty()) return offset <= text.size() ? offset : std::string_view::npos;
    // Walk the characters from the start so that `offset` inside a character
    // cannot make a trail byte look like a boundary.
    std::size_t at = 0;
    while (at < offset && at < text.size()) at += char_length(text, at, encoding);
    for (; at + needle.size() <= text.size(); at += char_length(text, at, encoding)) {
        if (text.compare(at, needle.size(), needle) == 0) return at;
    }
    return std::string_view::npos;
}

std::string replace_all(std::string_view text, std::string_view from, std::string_view to,
                        text_encoding encoding) {
    std::string result;
    result.reserve(text.size());
    if (from.empty()) return std::string(text);
    std::size_t at = 0;
    while (at < text.size()) {
        if (text.compare(at, from.size(), from) == 0) {
            result.append(to);
            at += from.size();
        } else {
            const std::size_t n = char_length(text, at, encoding);
            result.append(text.substr(at, n));
            at += n;
        }
    }
    return result;
}

std::size_t character_boundary_at_most(std::string_view text, std::size_t limit,
                                       text_encoding encoding) {
    if (text.size() <= limit) return text.size();
    std::size_t at = 0;
    for (;;) {
        const std::size_t next = at + char_length(text, at, encoding);
        if (next > limit) return at;
        at = next;
    }
}
