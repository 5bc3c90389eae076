// Text as the Unicode ("W") functions of the platform take it, converted from
// bytes in a known encoding. Only code that calls the platform directly
// includes this; the animation works on bytes.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.h"
#include "render/text_encoding.h"

using wide_text = std::basic_string<WCHAR>;

// The bytes as UTF-16; bytes that are not text in their encoding become the
// system's replacement character.
wide_text to_wide(std::string_view bytes, text_encoding encoding);
