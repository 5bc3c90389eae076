// Byte strings in the system's ANSI code page. Searches are multibyte-aware:
// a match begins only at a character boundary, so the trail byte of a
// double-byte character never starts one.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// Which bytes lead a double-byte character in the current code page; none
// until set (a single-byte page).
void set_lead_bytes(const std::array<bool, 256>& table);
bool is_lead_byte(unsigned char byte);

// Offset of the first match of `needle` at or after `offset`, or npos.
std::size_t find_from(std::string_view text, std::string_view needle, std::size_t offset);
// Every match, left to right, without rescanning the replacement.
std::string replace_all(std::string_view text, std::string_view from, std::string_view to);
