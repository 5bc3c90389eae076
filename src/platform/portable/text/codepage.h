// The ANSI code page of the portable platform and conversions between it and
// Unicode, for the portable parts that hand text to non-Win32 libraries
// (FreeType, GTK). Nothing outside platform/portable/ includes this.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/portable/windows.h"

// Bytes in the ANSI code page to UTF-8 and back. Invalid input becomes U+FFFD
// (towards UTF-8) or '?' (towards the code page); neither direction fails.
std::string acp_to_utf8(std::string_view bytes);
std::string utf8_to_acp(std::string_view utf8);
// Bytes in the ANSI code page to UTF-8 when every one of them is text there.
bool acp_to_utf8_strict(std::string_view bytes, std::string& utf8);

// Bytes in the ANSI code page to Unicode code points, one per character, with
// U+FFFD for bytes that form no character. This is what text drawing looks up.
std::u32string acp_to_code_points(std::string_view bytes);

// The code page a locale's character set name stands for: UTF-8 and plain
// ASCII give 65001, the GB family 936, anything else 1252.
UINT code_page_for_codeset(std::string_view codeset);

// CP_ACP (and CP_OEMCP) become the decided ANSI code page; 936, 65001 and
// 1252 stand for themselves; any other page gives 0 (not supported).
UINT effective_code_page(UINT codePage);

// Length in bytes of the character at the start of `bytes` in the given code
// page, as CharNextA steps: in 936 two for a lead byte followed by a valid
// trail byte, else one; one UTF-8 sequence in 65001; 1 in 1252. Stops before a zero byte and never
// exceeds `bytes.size()`; 0 only for empty input.
std::size_t char_length(UINT codePage, std::string_view bytes);

// Forgets the decided code page, so that the next GetACP reads NUVEX_CODEPAGE
// and the locale again. For tests; not safe while other threads convert text.
void portable_reset_code_page();
