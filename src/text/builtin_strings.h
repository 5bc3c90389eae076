// Texts built into the program. They are written here in code page 936 (GBK)
// and converted once at start to the system's ANSI code page.
#pragma once

#include <string>
#include <string_view>

// "生日快乐\nHappy Birthday\n": stands wherever an empty message would.
inline const std::string fallback_message_gbk =
    "\xc9\xfa\xc8\xd5\xbf\xec\xc0\xd6\nHappy Birthday\n";
// "生日快乐^nHappy Birthday^n永远美丽^n天天开心^n珍爱每一天^n": the message
// used when none is set, already in stored form (lines joined by "^n").
inline const std::string default_message_gbk =
    "\xc9\xfa\xc8\xd5\xbf\xec\xc0\xd6^nHappy Birthday^n\xd3\xc0\xd4\xb6\xc3\xc0\xc0\xf6^n"
    "\xcc\xec\xcc\xec\xbf\xaa\xd0\xc4^n\xd5\xe4\xb0\xae\xc3\xbf\xd2\xbb\xcc\xec^n";
// "华文彩云": the face of the message fonts.
inline const std::string message_face_gbk = "\xbb\xaa\xce\xc4\xb2\xca\xd4\xc6";

// The same texts in the ANSI code page (GBK until converted).
const std::string& fallback_message();
const std::string& default_message();
const std::string& message_face();

// Converts the built-in texts with `from_gbk` (GBK bytes to ANSI-code-page bytes).
void convert_builtin_strings(std::string (*from_gbk)(std::string_view));
