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
    const auto lead = static_cast<unsigned char>(text[at]);
    if (encoding == text_encoding::utf8 || ansi.utf8) {
        // Most text is ASCII: a byte below 0x80 is a character of its own.
        return lead < 0x80 ? 1 : utf8_sequence_length(text.substr(at));
    }
    const bool pair = ansi.lead[lead] && at + 1 < text.size() &&
                      ansi.trail[static_cast<unsigned char>(text[at + 1])];
    return pair ? 2 : 1;
}

namespace {

// The first match of `needle` (not empty) that starts at a character
// boundary at or after `at`, which is one. Candidates are found by plain
// search; the walk from boundary to boundary moves only forward, so the whole
// text is walked at most once.
std::size_t next_match(std::string_view text, std::string_view needle, std::size_t at,
                       text_encoding encoding) {
    std::size_t candidate = text.find(needle, at);
    while (candidate != std::string_view::npos) {
        while (at < candidate) at += char_length(text, at, encoding);
        if (at == candidate) return candidate;
        // The candidate lies inside a character: the next match can start no
        // earlier than the boundary after it.
        candidate = text.find(needle, at);
    }
    return std::string_view::npos;
}

}  // namespace

std::size_t find_from(std::string_view text, std::string_view needle, std::size_t offset,
                      text_encoding encoding) {
    if (needle.empty()) return offset <= text.size() ? offset : std::string_view::npos;
    // Walk the characters from the start so that `offset` inside a character
    // cannot make a trail byte look like a boundary.
    std::size_t at = 0;
    while (at < offset && at < text.size()) at += char_length(text, at, encoding);
    if (at >= text.size()) return std::string_view::npos;
    return next_match(text, needle, at, encoding);
}

std::string replace_all(std::string_view text, std::string_view from, std::string_view to,
                        text_encoding encoding) {
    if (from.empty()) return std::string(text);
    std::string result;
    result.reserve(text.size());
    // Each search starts where the text after the last replacement begins,
    // which counts as a character boundary.
    std::size_t at = 0;
    for (std::size_t match;
         (match = next_match(text, from, at, encoding)) != std::string_view::npos;
         at = match + from.size()) {
        result.append(text.substr(at, match - at));
        result.append(to);
    }
    result.append(text.substr(at));
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
