// UTF-16, the text of the W functions, and its conversions to what the other
// parts of the portable platform work in: code points (FreeType), UTF-8 (GTK,
// fontconfig) and the ANSI code page (the A functions). Nothing outside
// platform/portable/ includes this.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/portable/windows.h"

// Units in a zero-terminated UTF-16 string; 0 for null.
std::size_t wide_length(LPCWSTR text);

// Units of the character at the front: 2 for a surrogate pair, else 1; 0 only
// for empty input.
std::size_t utf16_char_length(std::u16string_view text);

// A lone surrogate becomes U+FFFD; everything else converts exactly.
std::u32string utf16_to_code_points(std::u16string_view text);
std::string utf16_to_utf8(std::u16string_view text);
// Invalid UTF-8 becomes U+FFFD.
std::u16string utf8_to_utf16(std::string_view utf8);

// Through the ANSI code page as the A functions meet W text: bytes that form
// no character become U+FFFD, characters the page cannot hold become '?'.
std::u16string acp_to_utf16(std::string_view bytes);
std::string utf16_to_acp(std::u16string_view text);
