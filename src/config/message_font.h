// The font the message is drawn in: the decorative face "华文彩云" at a cell
// height of 48 pixels. Where the system lacks that face it substitutes one,
// chosen by character set; for text beyond the ANSI code page the character
// set is chosen so that the substitute draws the text's own script.
#pragma once

#include <string_view>

#include "scene/text_encoding.h"

struct HFONT__;

// `sample` is the text the font will draw (the whole message). Text in the
// ANSI code page gets the default character set, as it always has; UTF-8 text
// gets whichever of the default set and its scripts' own sets leaves the
// fewest of its characters without a glyph.
HFONT__* create_message_font(int weight, std::string_view face_utf8, std::string_view sample,
                             text_encoding encoding);
