#include "platform/shared/profile_text.h"

#include "text/utf8.h"

namespace profile_text {

namespace {

// One line of the text: [begin, end) is its content, next is where the
// following line starts (after "\n", "\r\n" or at the end of the text).
struct Line {
    std::size_t begin;
    std::size_t end;
    std::size_t next;
};

std::vector<Line> split_lines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t newline = text.find('\n', pos);
        if (newline == std::string_view::npos) {
            lines.push_back({pos, text.size(), text.size()});
            break;
        }
        std::size_t end = newline;
        if (end > pos && text[end - 1] == '\r') --end;
        lines.push_back({pos, end, newline + 1});
        pos = newline + 1;
    }
    return lines;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

char ascii_lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case-insensitive for single-byte characters; the bytes of a multibyte
// character compare exactly, so a trail byte that happens to be a letter is
// not folded.
bool names_equal(std::string_view a, std::string_view b, CharLength step) {
    if (a.size() != b.size()) return false;
    std::size_t pos = 0;
    while (pos < a.size()) {
        std::size_t length = step(a.substr(pos));
        if (length == 0 || pos + length > a.size()) length = 1;
        if (length == 1) {
            if (ascii_lower(a[pos]) != ascii_lower(b[pos])) return false;
        } else if (a.compare(pos, length, b, pos, length) != 0) {
            return false;
        }
        pos += length;
    }
    return true;
}

struct Parsed {
    enum Kind { other, section, entry } kind = other;
    std::string_view name;   // section name or key
    std::string_view value;  // entries only, trimmed
};

Parsed parse_line(std::string_view line) {
    const std::string_view body = trim(line);
    if (!body.empty() && body.front() == '[') {
        std::string_view name = body.substr(1);
        const std::size_t close = name.find(']');
        if (close != std::string_view::npos) name = name.substr(0, close);
        return {Parsed::section, trim(name), {}};
    }
    const std::size_t equals = body.find('=');
    if (equals == std::string_view::npos) return {};
    return {Parsed::entry, trim(body.substr(0, equals)), trim(body.substr(equals + 1))};
}

// A value written in matching quotes is read without them.
std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

constexpr std::size_t none = std::string_view::npos;

class Document {
public:
    Document(std::string_view text, CharLength step)
        : text_(text), lines_(split_lines(text)), step_(step) {}

    std::size_t count() const { return lines_.size(); }
    const Line& line_at(std::size_t i) const { return lines_[i]; }
    std::string_view line(std::size_t i) const {
        return text_.substr(lines_[i].begin, lines_[i].end - lines_[i].begin);
    }
    Parsed parsed(std::size_t i) const { return parse_line(line(i)); }

    std::size_t find_section(std::string_view name) const {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const Parsed p = parsed(i);
            if (p.kind == Parsed::section && names_equal(p.name, name, step_)) return i;
        }
        return none;
    }
    // One past the section's last line (the next header or the end).
    std::size_t section_end(std::size_t header) const {
        std::size_t i = header + 1;
        while (i < lines_.size() && parsed(i).kind != Parsed::section) ++i;
        return i;
    }
    std::size_t find_key(std::size_t header, std::string_view key) const {
        const std::size_t end = section_end(header);
        for (std::size_t i = header + 1; i < end; ++i) {
            const Parsed p = parsed(i);
            if (p.kind == Parsed::entry && names_equal(p.name, key, step_)) return i;
        }
        return none;
    }
    // The line ending new lines get: the text's first one, else CRLF as on Windows.
    std::string line_ending() const {
        const std::size_t newline = text_.find('\n');
        if (newline == none) return "\r\n";
        return (newline > 0 && text_[newline - 1] == '\r') ? "\r\n" : "\n";
    }

private:
    std::string_view text_;
    std::vector<Line> lines_;
    CharLength step_;
};

// The line break that ends a last line which had none, chosen so that the line
// reads the same afterwards: a "\r" at its end would otherwise become part of
// the new break, which reading strips, and a section or value the user did not
// touch would change.
std::string closing_break(const std::string& text, std::size_t end, const std::string& eol) {
    return end > 0 && text[end - 1] == '\r' ? "\r\n" : eol;
}

// Whether every zero byte of the text lies in the value of a "key=value"
// line. Anywhere else (in a name, a section header, a line of its own) it
// means the file is not what it seems: text in UTF-16 without its byte-order
// mark, or a header that a zero byte hides, would be read as no section and
// then get a second one.
bool zeros_only_in_values(std::string_view text) {
    std::size_t zero = text.find('\0');
    while (zero != std::string_view::npos) {
        const std::size_t newline = text.rfind('\n', zero);
        const std::size_t begin = newline == std::string_view::npos ? 0 : newline + 1;
        const std::string_view before = text.substr(begin, zero - begin);
        if (before.find('=') == std::string_view::npos) return false;
        // The rest of this line is value: on to the next line's first zero.
        const std::size_t end = text.find('\n', zero);
        if (end == std::string_view::npos) break;
        zero = text.find('\0', end);
    }
    return true;
}

}  // namespace

std::string utf8_from_utf16(const char16_t* units, std::size_t count) {
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            append_utf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) +
                                 (char32_t{units[i + 1]} - 0xDC00));
            ++i;
        } else {
            append_utf8(out, unit);  // a lone surrogate keeps its own value
        }
    }
    return out;
}

std::u16string utf16_from_utf8(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t length = utf8_sequence_length(utf8.substr(pos));
        const auto lead = static_cast<unsigned char>(utf8[pos]);
        const auto tail = [&](std::size_t k) { return char32_t(utf8[pos + k] & 0x3F); };
        char32_t c = 0xFFFD;  // a broken or cut-off sequence
        if (lead < 0x80) {
            c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF && length == 2) {
            c = (char32_t{lead} & 0x1F) << 6 | tail(1);
        } else if (lead >= 0xE0 && lead <= 0xEF && length == 3) {
            c = (char32_t{lead} & 0x0F) << 12 | tail(1) << 6 | tail(2);
            if (c < 0x800) c = 0xFFFD;
        } else if (lead >= 0xF0 && lead <= 0xF4 && length == 4) {
            c = (char32_t{lead} & 0x07) << 18 | tail(1) << 12 | tail(2) << 6 | tail(3);
            if (c < 0x10000 || c > 0x10FFFF) c = 0xFFFD;
        }
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
        pos += length;
    }
    return out;
}

Text decode_file(std::string_view bytes) {
    Text result;
    const auto starts_with = [&](std::string_view mark) {
        return bytes.substr(0, mark.size()) == mark;
    };
    if (starts_with("\xFF\xFE") || starts_with("\xFE\xFF")) {
        result.form = Form::unicode;
        result.encoding = bytes[0] == '\xFF' ? Encoding::utf16le : Encoding::utf16be;
        const int low = result.encoding == Encoding::utf16le ? 0 : 1;
        const std::size_t count = (bytes.size() - 2) / 2;
        std::u16string units(count, u'\0');
        for (std::size_t i = 0; i < count; ++i) {
            const auto byte = [&](int k) {
                return static_cast<unsigned char>(bytes[2 + 2 * i + static_cast<std::size_t>(k)]);
            };
            units[i] = static_cast<char16_t>(byte(low) | byte(1 - low) << 8);
        }
        result.text = utf8_from_utf16(units.data(), units.size());
        if ((bytes.size() - 2) % 2 != 0) result.odd_byte = bytes.back();
        // Read in the other byte order than its mark says, a profile has not
        // one line break, bracket or "=": only characters from elsewhere.
        result.understood =
            result.text.empty() || result.text.find_first_of("\n[=") != std::string::npos;
    } else if (starts_with("\xEF\xBB\xBF")) {
        result.form = Form::unicode;
        result.encoding = Encoding::utf8;
        result.text.assign(bytes.substr(3));
        // Bytes that are not UTF-8 would come back as other bytes.
        const std::u16string units = utf16_from_utf8(result.text);
        result.understood = utf8_from_utf16(units.data(), units.size()) == result.text;
    } else {
        result.text.assign(bytes);
    }
    if (result.text.find('\r') != std::string::npos &&
        result.text.find('\n') == std::string::npos) {
        result.cr_line_ends = true;
        for (char& c : result.text) {
            if (c == '\r') c = '\n';
        }
    }
    result.understood = result.understood && zeros_only_in_values(result.text);
    return result;
}

std::string encode_file(const Text& text) {
    std::string lines = text.text;
    if (text.cr_line_ends) {
        for (char& c : lines) {
            if (c == '\n') c = '\r';
        }
    }
    if (text.form == Form::ansi) return lines;
    if (text.encoding == Encoding::utf8) return "\xEF\xBB\xBF" + lines;
    const std::u16string units = utf16_from_utf8(lines);
    const bool little = text.encoding == Encoding::utf16le;
    std::string bytes(little ? "\xFF\xFE" : "\xFE\xFF", 2);
    bytes.reserve(2 + units.size() * 2 + 1);
    for (char16_t unit : units) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        bytes.push_back(little ? low : high);
        bytes.push_back(little ? high : low);
    }
    if (text.odd_byte) bytes.push_back(*text.odd_byte);
    return bytes;
}

std::optional<std::string_view> find_value(std::string_view text, std::string_view section,
                                           std::string_view key, CharLength step) {
    const Document doc(text, step);
    const std::size_t header = doc.find_section(section);
    if (header == none) return std::nullopt;
    const std::size_t line = doc.find_key(header, key);
    if (line == none) return std::nullopt;
    return unquote(doc.parsed(line).value);
}

std::vector<std::string_view> section_names(std::string_view text) {
    std::vector<std::string_view> names;
    for (const Line& l : split_lines(text)) {
        const Parsed p = parse_line(text.substr(l.begin, l.end - l.begin));
        if (p.kind == Parsed::section) names.push_back(p.name);
    }
    return names;
}

std::vector<std::string_view> key_names(std::string_view text, std::string_view section,
                                        CharLength step) {
    std::vector<std::string_view> names;
    const Document doc(text, step);
    const std::size_t header = doc.find_section(section);
    if (header == none) return names;
    const std::size_t end = doc.section_end(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const Parsed p = doc.parsed(i);
        if (p.kind == Parsed::entry) names.push_back(p.name);
    }
    return names;
}

void set_value(std::string& text, std::string_view section, std::optional<std::string_view> key,
               std::optional<std::string_view> value, CharLength step) {
    const Document doc(text, step);
    const std::string eol = doc.line_ending();
    const std::size_t header = doc.find_section(section);

    if (!key || !value) {
        // Removing a section or a key: nothing to do when it is not there.
        if (header == none) return;
        if (!key) {
            const std::size_t end = doc.section_end(header);
            const std::size_t from = doc.line_at(header).begin;
            const std::size_t to = end < doc.count() ? doc.line_at(end).begin : text.size();
            text.erase(from, to - from);
        } else {
            const std::size_t line = doc.find_key(header, *key);
            if (line == none) return;
            const Line& l = doc.line_at(line);
            text.erase(l.begin, l.next - l.begin);
        }
        return;
    }

    std::string entry(*key);
    entry += '=';
    entry += *value;
    if (header == none) {
        if (!text.empty() && text.back() != '\n') text += closing_break(text, text.size(), eol);
        text += '[';
        text += section;
        text += ']';
        text += eol + entry + eol;
        return;
    }
    const std::size_t line = doc.find_key(header, *key);
    if (line != none) {
        const Line& l = doc.line_at(line);
        std::string kept(doc.parsed(line).name);  // the key as the file spells it
        kept += '=';
        kept += *value;
        text.replace(l.begin, l.end - l.begin, kept);
        return;
    }
    // After the section's last non-blank line.
    std::size_t last = header;
    const std::size_t end = doc.section_end(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (!trim(doc.line(i)).empty()) last = i;
    }
    const Line& l = doc.line_at(last);
    if (l.next == l.end) {
        // The last line of a text without a final line break.
        text.insert(l.end, closing_break(text, l.end, eol) + entry + eol);
    } else {
        text.insert(l.next, entry + eol);
    }
}

}  // namespace profile_text
