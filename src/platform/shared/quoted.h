// Text from outside (an argument, an environment variable) as an error line
// echoes it: in double quotes, on one line, and harmless to the terminal that
// shows it. Control characters (escape sequences, line breaks, C1 controls),
// the characters that reorder text on screen, and bytes that are not UTF-8
// are written as escapes; a quote or backslash gets a backslash; a long text
// is cut at a character and its length in bytes follows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// At most `limit` bytes of `text` are shown.
std::string quoted(std::string_view text, std::size_t limit = 64);
