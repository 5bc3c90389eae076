// Text between the forms the platform's functions take: UTF-16 for the
// Unicode ("W") functions, and bytes in the ANSI code page or UTF-8 for the
// message as the saver and its settings file hold it. A message keeps the
// ANSI code page's bytes whenever that page can hold it, so that text which
// fits the page is stored and drawn exactly as it always was; only text the
// page cannot hold takes UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.h"
#include "text/byte_string.h"

using wide_text = std::basic_string<WCHAR>;

// The bytes as UTF-16; bytes that are not text in their encoding become the
// system's replacement character.
wide_text to_wide(std::string_view bytes, text_encoding encoding);

// The text in the ANSI code page when that page holds every character of it
// (it converts back unchanged), else in UTF-8.
encoded_text encode_text(const wide_text& text);
// The text as UTF-8.
std::string utf8_from_wide(const wide_text& text);
// Whether every byte is text in the ANSI code page.
bool ansi_decodes(std::string_view bytes);
// GBK bytes (the built-in texts) as the system shows them: unchanged where the
// ANSI code page is GBK itself, else converted like any other text.
encoded_text from_gbk(std::string_view gbk);
// Plain text given in UTF-8 (names, numbers) as UTF-16.
wide_text widen(std::string_view utf8);
