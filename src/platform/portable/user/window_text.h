// Window text held as UTF-16 and served in both forms: to WM_SETTEXT,
// WM_GETTEXT and WM_GETTEXTLENGTH sent with SendMessageW (`wide`) exactly, and
// to those sent with SendMessageA through the ANSI code page, where a
// character the page cannot hold reads as '?' and the held text keeps it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/portable/windows.h"

// The text a WM_SETTEXT carries; null is empty.
std::u16string window_text_argument(LPARAM text, bool wide);
// WM_GETTEXT: at most count - 1 units (or bytes) of whole characters and a
// terminating zero into the buffer; returns what was copied, zero excluded.
LRESULT window_text_copy(std::u16string_view text, WPARAM count, LPARAM buffer, bool wide);
// WM_GETTEXTLENGTH: units, or bytes in the ANSI code page.
LRESULT window_text_length(std::u16string_view text, bool wide);

// Bytes of whole ANSI characters of `text` that fit within `room`.
std::size_t whole_ansi_characters(std::string_view text, std::size_t room);
// Units of whole UTF-16 characters of `text` that fit within `room`: a
// surrogate pair is never split.
std::size_t whole_wide_characters(std::u16string_view text, std::size_t room);
