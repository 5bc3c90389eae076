// The text of a profile (INI) file as Windows' profile functions read and
// write it, without touching any file: sections in brackets, "key=value"
// lines, names that match without regard to case, values trimmed and
// unquoted, and edits that change one line and keep every other byte.
//
// A file comes in one of two forms. An ANSI file is bytes in the system's
// code page and is worked on as it is. A file that starts with a byte-order
// mark (UTF-16 little- or big-endian, or UTF-8) is Unicode; it is worked on as
// UTF-8 and written back in its own encoding, so that text any code page
// lacks survives. Lines end in "\r\n" or "\n"; a file without any "\n" whose
// lines end in a lone "\r" is read and written back that way.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace profile_text {

enum class Form { ansi, unicode };
// How a Unicode file holds its text: the byte-order mark it starts with.
enum class Encoding { utf16le, utf16be, utf8 };

// The length in bytes of the character that starts `bytes` (1 or more, never
// past its end): how names are stepped through in the file's text.
using CharLength = std::size_t (*)(std::string_view bytes);

struct Text {
    Form form = Form::ansi;
    Encoding encoding = Encoding::utf16le;  // of a Unicode file
    // The file's lines end in a lone "\r"; `text` holds them as "\n".
    bool cr_line_ends = false;
    // False when the bytes do not read one way only: a zero byte outside a
    // value (UTF-16 without its byte-order mark, say, or zeros before the
    // first section), or a UTF-8 file that is not UTF-8. Such a file is
    // decoded as well as it goes, so that it can be given back, but what it
    // holds is not to be trusted or added to.
    bool understood = true;
    std::string text;  // the bytes of an ANSI file; UTF-8 for a Unicode file
    // A UTF-16 file of odd length keeps its last byte here, to be written back.
    std::optional<char> odd_byte;
};

// A file's bytes as text. A lone surrogate of a Unicode file is kept as its
// own three-byte sequence, so that decoding and encoding give the file back;
// so do the line ends of a file whose lines end in "\r".
Text decode_file(std::string_view bytes);
std::string encode_file(const Text& text);

// UTF-16 (as little-endian byte pairs or code units) to UTF-8 and back, with
// lone surrogates kept as above. from_utf8 reads a broken sequence as U+FFFD.
std::string utf8_from_utf16(const char16_t* units, std::size_t count);
std::u16string utf16_from_utf8(std::string_view utf8);

// The value of `key` in `section`, as the profile functions return it; none
// when the section or the key is absent.
std::optional<std::string_view> find_value(std::string_view text, std::string_view section,
                                           std::string_view key, CharLength step);
// The names of the sections, or of one section's keys, in file order.
std::vector<std::string_view> section_names(std::string_view text);
std::vector<std::string_view> key_names(std::string_view text, std::string_view section,
                                        CharLength step);

// Sets `key` in `section` to `value`: the key's line is rewritten in place (the
// key keeps its spelling), a new key goes after the section's last non-blank
// line, a new section at the end. Without a value the key is removed; without
// a key the whole section is. New lines take the file's first line ending,
// "\r\n" when it has none.
void set_value(std::string& text, std::string_view section, std::optional<std::string_view> key,
               std::optional<std::string_view> value, CharLength step);

}  // namespace profile_text
