// Texts built into the program. The messages are written here in code page
// 936 (GBK) and converted once at start for the system: to its ANSI code page
// when that page can hold them, else to UTF-8, so they are never shown as
// question marks.
#pragma once

#include <string>
#include <string_view>

#include "scene/sea_scene.h"  // fallback_message_gbk
#include "text/byte_string.h"

// "生日快乐^nHappy Birthday^n永远美丽^n天天开心^n珍爱每一天^n": the message
// used when none is set, already in stored form (lines joined by "^n").
inline const std::string default_message_gbk =
    "\xc9\xfa\xc8\xd5\xbf\xec\xc0\xd6^nHappy Birthday^n\xd3\xc0\xd4\xb6\xc3\xc0\xc0\xf6^n"
    "\xcc\xec\xcc\xec\xbf\xaa\xd0\xc4^n\xd5\xe4\xb0\xae\xc3\xbf\xd2\xbb\xcc\xec^n";
// "华文彩云", the face of the message fonts, in UTF-8: the Unicode font
// functions take it whatever the code page.
inline const std::string message_face_utf8 = "\xe5\x8d\x8e\xe6\x96\x87\xe5\xbd\xa9\xe4\xba\x91";

// The messages as the system shows them (GBK, read as the ANSI code page, until
// converted).
const encoded_text& fallback_message();
const encoded_text& default_message();
const std::string& message_face();  // UTF-8

// Converts the built-in messages with `from_gbk` (GBK bytes to the form the
// system shows them in).
void convert_builtin_strings(encoded_text (*from_gbk)(std::string_view));
