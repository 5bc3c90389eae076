// The message between its stored form and the configuration dialog's edit box.
// The box shows each stored line as text; when the user confirms, the lines
// they left as they were keep their stored bytes, even bytes that are no text
// in the system's code page, and only the lines they typed or changed are
// encoded anew. So confirming the dialog never rewrites what the user did not
// touch.
#pragma once

#include <cstddef>

#include "config/text_conversion.h"
#include "text/byte_string.h"

// What the edit box shows for a stored message ("^n" become line breaks).
// `clean` is false when some stored bytes are not text in their encoding (they
// are shown as the replacement character). `marked` is true when the text
// holds characters an edit box cannot keep: a zero (which would end its text)
// or a lone "\r" (which it would turn into a line break); they are shown as
// the symbols "␀" and "␍", and a line left as it was keeps them.
wide_text edit_text_for(const encoded_text& stored, bool& clean, bool& marked);
wide_text edit_text_for(const encoded_text& stored, bool& clean);

struct EditedMessage {
    encoded_text stored;
    // 0, or the 1-based number of a kept line whose bytes are not text, which
    // stops the message from being stored when another line needs UTF-8.
    std::size_t untextual_line = 0;
};

// The stored form of the edit box's text: every "\r" removed, lines joined by
// "^n", an empty text replaced by the default message; unchanged lines of
// `before` keep their bytes (lines are matched in order, as a line-by-line
// comparison pairs them). The result is in the ANSI code page when every line
// is, else in UTF-8 (and always in UTF-8 when `before` was).
EditedMessage stored_from_edit(const wide_text& edited, const encoded_text& before);
