// UTF-8 as every part of the program reads and writes it: one place for the
// length of a sequence and for the bytes of a code point.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The length of the character that starts `bytes`: its lead byte's length,
// cut short at the first byte that does not continue it, so a truncated or
// broken sequence ends there and the next character starts at that byte.
// A byte that cannot lead (a stray continuation, 0xC0, 0xC1, 0xF5 and up) is
// a character of its own. 0 for no bytes.
inline std::size_t utf8_sequence_length(std::string_view bytes) {
    if (bytes.empty()) return 0;
    const auto lead = static_cast<unsigned char>(bytes[0]);
    std::size_t expected = 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        expected = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        expected = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        expected = 4;
    }
    std::size_t length = 1;
    while (length < expected && length < bytes.size()) {
        const auto next = static_cast<unsigned char>(bytes[length]);
        if (next < 0x80 || next > 0xBF) break;
        ++length;
    }
    return length;
}

// Appends the UTF-8 bytes of `c` (up to 0x10FFFF; callers decide what becomes
// of surrogates).
inline void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}
