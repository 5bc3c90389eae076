// Command-line values shared by the developer tools.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// "WxH" with both sides in [minimum, maximum].
inline bool parse_size(const char* text, int& w, int& h, unsigned minimum = 1,
                       unsigned maximum = 16384) {
    unsigned a = 0, b = 0;
    char tail = 0;
    if (std::sscanf(text, "%ux%u%c", &a, &b, &tail) != 2 || a < minimum || b < minimum ||
        a > maximum || b > maximum) {
        return false;
    }
    w = static_cast<int>(a);
    h = static_cast<int>(b);
    return true;
}

// Pairs of hex digits to bytes (a message in stored form, byte for byte).
inline bool parse_hex(std::string_view hex, std::string& bytes) {
    if (hex.size() % 2 != 0) return false;
    bytes.clear();
    for (std::size_t k = 0; k < hex.size(); k += 2) {
        unsigned value = 0;
        for (std::size_t d = k; d < k + 2; ++d) {
            const char c = hex[d];
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                value |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                value |= static_cast<unsigned>(c - 'A' + 10);
            else
                return false;
        }
        bytes.push_back(static_cast<char>(value));
    }
    return true;
}

// Bytes as lowercase hex.
inline std::string to_hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        hex.push_back(digits[b >> 4]);
        hex.push_back(digits[b & 15]);
    }
    return hex;
}
