// The message operations in each code page the program runs in, on text in
// the code page and on UTF-8: normalising a stored message, taking its lines
// in turn, multibyte-aware find and replace, and the round trip through the
// settings dialog's edit box, which must give every stored byte back.
//
// Input: one byte choosing the code page (and, from its fourth value on, UTF-8
// text), then a search string and a replacement, each ended by a zero byte,
// then the message (which may hold zero bytes). The message is at most what
// the dialog takes, the strings at most what the program searches for; the
// costly checks that compare every place of the text stay within that.
#include <string>
#include <vector>

#include "app/code_page_setup.h"
#include "config/message_edit.h"
#include "config/settings.h"
#include "fuzz_support.h"
#include "platform/portable/text/codepage.h"
#include "platform/shared/dbcs.h"
#include "platform/shared/profile_text.h"
#include "scene/sea_scene.h"
#include "text/byte_string.h"
#include "text/message.h"
#include "text/utf8.h"

namespace {

// Longer than any string the program searches for or puts in its place.
constexpr std::size_t max_needle = 16;
// The costly checks: lines taken in turn, and repeated searches.
constexpr std::size_t max_checked_lines = 8;
constexpr std::size_t max_walked_text = 64;

unsigned current_page = 0;
text_encoding encoding = text_encoding::ansi;

void use_code_page(unsigned page) {
    if (page == current_page) return;
    setenv("NUVEX_CODEPAGE", std::to_string(page).c_str(), 1);
    portable_reset_code_page();
    adopt_system_code_page();
    current_page = page;
}

// The length of the character at `at`, as the searches should step: in UTF-8
// one sequence; in a double-byte page a lead byte with a valid trail byte
// after it, else one byte.
FUZZ_ORACLE std::size_t step_at(std::string_view text, std::size_t at) {
    if (encoding == text_encoding::utf8 || current_page == 65001) {
        return utf8_sequence_length(text.substr(at));
    }
    const bool pair = current_page == 936 && at + 1 < text.size() &&
                      static_cast<unsigned char>(text[at]) >= 0x81 &&
                      static_cast<unsigned char>(text[at]) <= 0xFE &&
                      is_dbcs_trail_byte(936, static_cast<unsigned char>(text[at + 1]));
    return pair ? 2 : 1;
}

// Where characters begin (one byte per place: a bit vector costs more to walk).
using places = std::vector<unsigned char>;
FUZZ_ORACLE places boundaries(std::string_view text) {
    places starts(text.size() + 1, 0);
    std::size_t at = 0;
    while (at < text.size()) {
        starts[at] = 1;
        at += step_at(text, at);
    }
    starts[text.size()] = 1;
    return starts;
}

// Where `s` occurs starting a character: worked out once for all the checks.
// (The first byte is compared before the rest, so that the fuzzer's watch on
// whole comparisons sees only the likely ones.)
FUZZ_ORACLE places matches_of(std::string_view text, const places& starts, std::string_view s) {
    places found(text.size() + 1, 0);
    if (s.empty()) return found;
    for (std::size_t at = 0; at + s.size() <= text.size(); ++at) {
        found[at] = starts[at] && text[at] == s[0] && text.compare(at, s.size(), s) == 0;
    }
    return found;
}

// Whether a match of `s` always ends where the next character of the text
// begins: its last character could not take the text's next byte along.
FUZZ_ORACLE bool whole_characters(std::string_view s) {
    if (s.empty()) return true;
    std::size_t at = 0;
    while (at + step_at(s, at) < s.size()) at += step_at(s, at);
    // The last character is whole when no byte after it could join it.
    std::string probe(s.substr(at));
    const std::size_t length = probe.size();
    probe.push_back('\0');
    for (int next = 0; next < 256; ++next) {
        probe.back() = static_cast<char>(next);
        if (step_at(probe, 0) > length) return false;
    }
    return true;
}

// `at_match`: matches_of(text, boundaries(text), needle).
FUZZ_ORACLE void check_find(std::string_view text, const places& at_match, std::string_view needle,
                            std::size_t offset) {
    const std::size_t found = find_from(text, needle, offset, encoding);
    if (needle.empty()) {
        // Nothing to match: found where the search starts, if that is in the text.
        FUZZ_CHECK(found == (offset <= text.size() ? offset : std::string_view::npos));
        return;
    }
    // No match at a character start from the offset up to what it found.
    const std::size_t end = found == std::string_view::npos ? text.size() : found;
    for (std::size_t at = offset; at < end; ++at) FUZZ_CHECK(!at_match[at]);
    if (found == std::string_view::npos) return;
    FUZZ_CHECK(found >= offset);
    FUZZ_CHECK(found + needle.size() <= text.size());
    FUZZ_CHECK(at_match[found]);
}

// replace_all agrees with replacing, one by one, what find_from finds.
FUZZ_ORACLE void check_replace(std::string_view text, const places& at_match, std::string_view from,
                               std::string_view to) {
    const std::string replaced = replace_all(text, from, to, encoding);
    if (from.empty()) {
        FUZZ_CHECK(replaced == text);
        return;
    }
    if (!whole_characters(from)) return;
    // What the character boundaries say: each match at a character's start
    // replaced, left to right.
    std::string expected;
    for (std::size_t at = 0; at < text.size();) {
        if (at_match[at]) {
            expected.append(to);
            at += from.size();
        } else {
            expected.push_back(text[at++]);
        }
    }
    FUZZ_CHECK(replaced == expected);
    // And what find_from finds, one by one (each search walks the text from
    // its start, so only on short texts).
    if (text.size() > max_walked_text) return;
    expected.clear();
    std::size_t at = 0;
    for (std::size_t found; (found = find_from(text, from, at, encoding)) != std::string_view::npos;
         at = found + from.size()) {
        expected.append(text.substr(at, found - at));
        expected.append(to);
    }
    expected.append(text.substr(at));
    FUZZ_CHECK(replaced == expected);
}

// The lines come out in order, each the text up to the next line break that
// starts a character, and the first follows the last.
FUZZ_ORACLE void check_lines(const std::string& stored) {
    static SeaScene scene;
    set_message(scene, stored, encoding);
    if (scene.encoding != encoding) return;  // an empty message took the built-in one
    const std::string text = scene.text;
    FUZZ_CHECK(!text.empty() && text.back() == '\n');
    FUZZ_CHECK(scene.cursor == 0);
    const places starts = boundaries(text);
    auto next_break = [&](std::size_t from) {
        for (std::size_t at = from; at < text.size(); ++at) {
            if (starts[at] && text[at] == '\n') return at;
        }
        return std::string::npos;
    };
    std::size_t breaks = 0;
    for (char c : text) breaks += c == '\n';
    // Each line taken searches the text from its start: all of them, and the
    // turn back to the first, for a message of a few lines; the first few of
    // a long one.
    const std::size_t taking = breaks <= max_checked_lines ? breaks + 1 : max_checked_lines;
    std::size_t start = 0;
    for (std::size_t taken = 0; taken <= taking; ++taken) {
        advance_line(scene);
        FUZZ_CHECK(scene.emit_count == 0 && scene.lift == 0);
        std::size_t end = next_break(start);
        if (end == std::string::npos) {
            start = 0;
            end = next_break(0);
        }
        if (end == std::string::npos) {
            // Not one line break starts a character: nothing to show.
            FUZZ_CHECK(scene.line.empty() && scene.cursor == 0);
            continue;
        }
        FUZZ_CHECK(scene.line == text.substr(start, end - start));
        FUZZ_CHECK(static_cast<std::size_t>(scene.cursor) == end + 1);
        start = end + 1;
    }
}

// What an edit box gives back of a text: up to its first zero (where a
// Windows edit control's text ends), with a lone "\r" as a line break (as a
// GTK text buffer takes it).
FUZZ_ORACLE wide_text through_edit_box(const wide_text& text) {
    wide_text out;
    for (std::size_t i = 0; i < text.size() && text[i] != 0; ++i) {
        out.push_back(text[i]);
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) out.push_back('\n');
    }
    return out;
}

// A stored message opened in the dialog and confirmed unchanged gives every
// stored byte back, even bytes that are no text (the dialog shows those as
// replacement characters) and zeros and lone "\r" (shown as symbols, since
// the edit box would lose or change them); only an empty message becomes the
// default one.
FUZZ_ORACLE void check_edit_round_trip(const std::string& stored) {
    if (stored.find('\n') != std::string::npos) return;  // a stored value is one line
    const encoded_text before{stored, encoding};
    bool clean = false;
    const wide_text shown = edit_text_for(before, clean);
    FUZZ_CHECK(through_edit_box(shown) == shown);
    const EditedMessage back = stored_from_edit(through_edit_box(shown), before);
    FUZZ_CHECK(back.untextual_line == 0);
    if (stored.empty()) return;
    FUZZ_CHECK(back.stored.bytes == stored);
    FUZZ_CHECK(back.stored.encoding == encoding);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    use_code_page(fuzzing::code_page_of(data[0]));
    encoding = data[0] % 6 >= 3 ? text_encoding::utf8 : text_encoding::ansi;
    const auto fields = fuzzing::split_fields(fuzzing::as_text(data + 1, size - 1), 2);
    const std::string& needle = fields[0];
    const std::string& replacement = fields[1];
    const std::string& message = fields[2];
    if (message.size() > std::size_t{message_text_limit} || needle.size() > max_needle ||
        replacement.size() > max_needle) {
        return 0;
    }

    check_lines(message);
    check_edit_round_trip(message);
    const places starts = boundaries(message);
    const places at_needle = matches_of(message, starts, needle);
    for (std::size_t offset :
         {std::size_t{0}, std::size_t{1}, message.size() / 2, message.size()}) {
        check_find(message, at_needle, needle, offset);
    }
    FUZZ_CHECK(replace_all(message, needle, needle, encoding) == message);
    check_replace(message, at_needle, needle, replacement);
    check_replace(message, matches_of(message, starts, "^n"), "^n",
                  "\r\n");  // (to "\n": in check_lines)
    return 0;
}
