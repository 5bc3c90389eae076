// Byte strings in a known encoding: the system's ANSI code page, or UTF-8 for
// text that page cannot hold. Searches are multibyte-aware: a match begins
// only at a character boundary, so the trail byte of a double-byte character
// never starts one.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "scene/text_encoding.h"

// Text together with the encoding its bytes are in.
struct encoded_text {
    std::string bytes;
    text_encoding encoding = text_encoding::ansi;
};

// How the ANSI code page delimits characters: which bytes lead a double-byte
// character and which may follow one (a lead byte before any other byte is a
// broken character of its own), or whether the page is UTF-8 itself. A single-
// byte page until set.
struct ansi_code_page {
    std::array<bool, 256> lead{};
    std::array<bool, 256> trail{};
    bool utf8 = false;
};
void set_ansi_code_page(const ansi_code_page& page);
bool is_lead_byte(unsigned char byte);

// Length of the character starting at `at` (at least 1, never past the end).
std::size_t char_length(std::string_view text, std::size_t at, text_encoding encoding);
// Offset of the first match of `needle` at or after `offset`, or npos.
std::size_t find_from(std::string_view text, std::string_view needle, std::size_t offset,
                      text_encoding encoding);
// Every match, left to right, without rescanning the replacement.
std::string replace_all(std::string_view text, std::string_view from, std::string_view to,
                        text_encoding encoding);
// The length of the longest prefix of `text` that is at most `limit` bytes
// and ends at a character boundary.
std::size_t character_boundary_at_most(std::string_view text, std::size_t limit,
                                       text_encoding encoding);
