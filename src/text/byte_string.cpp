#include "text/byte_string.h"

namespace {
std::array<bool, 256> lead_bytes{};
}

void set_lead_bytes(const std::array<bool, 256>& table) { lead_bytes = table; }

bool is_lead_byte(unsigned char byte) { return lead_bytes[byte]; }

namespace {

// Length of the character starting at `at`: two bytes for a lead byte that has
// a trail byte after it, else one.
std::size_t char_length(std::string_view text, std::size_t at) {
    return (is_lead_byte(static_cast<unsigned char>(text[at])) && at + 1 < text.size()) ? 2 : 1;
}

}  // namespace

std::size_t find_from(std::string_view text, std::string_view needle, std::size_t offset) {
    if (needle.empty()) return offset <= text.size() ? offset : std::string_view::npos;
    // Walk the characters from the start so that `offset` inside a character
    // cannot make a trail byte look like a boundary.
    std::size_t at = 0;
    while (at < offset && at < text.size()) at += char_length(text, at);
    for (; at + needle.size() <= text.size(); at += char_length(text, at)) {
        if (text.compare(at, needle.size(), needle) == 0) return at;
    }
    return std::string_view::npos;
}

std::string replace_all(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    result.reserve(text.size());
    if (from.empty()) return std::string(text);
    std::size_t at = 0;
    while (at < text.size()) {
        if (text.compare(at, from.size(), from) == 0) {
            result.append(to);
            at += from.size();
        } else {
            const std::size_t n = char_length(text, at);
            result.append(text.substr(at, n));
            at += n;
        }
    }
    return result;
}
