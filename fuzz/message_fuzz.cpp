// The message operations in each code page the program runs in: normalising
// a stored message, taking its lines in turn, multibyte-aware find and
// replace, and the conversions between the stored and the edit form.
//
// Input: one byte choosing the code page, then the message, a search string
// and a replacement, separated by zero bytes.
#include <string>
#include <vector>

#include "app/code_page_setup.h"
#include "config/settings.h"
#include "fuzz_support.h"
#include "platform/portable/codepage.h"
#include "scene/sea_scene.h"
#include "text/byte_string.h"
#include "text/message.h"

namespace {

unsigned current_page = 0;

void use_code_page(unsigned page) {
    if (page == current_page) return;
    setenv("NUVEX_CODEPAGE", std::to_string(page).c_str(), 1);
    portable_reset_code_page();
    adopt_system_code_page();
    current_page = page;
}

// Where characters begin, stepping as the searches do: a lead byte takes the
// byte after it along.
std::vector<bool> boundaries(std::string_view text) {
    std::vector<bool> starts(text.size() + 1, false);
    std::size_t at = 0;
    while (at < text.size()) {
        starts[at] = true;
        at += is_lead_byte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
    }
    starts[text.size()] = true;
    return starts;
}

// Whether `s` ends with a whole character, so that a match of it ends where
// the next character of the text begins.
bool whole_characters(std::string_view s) {
    std::size_t at = 0;
    while (at < s.size()) {
        const bool lead = is_lead_byte(static_cast<unsigned char>(s[at]));
        if (lead && at + 1 == s.size()) return false;  // it would take the text's next byte
        at += lead ? 2 : 1;
    }
    return true;
}

void check_find(std::string_view text, std::string_view needle, std::size_t offset) {
    const std::size_t found = find_from(text, needle, offset);
    if (needle.empty()) {
        // Nothing to match: found where the search starts, if that is in the text.
        FUZZ_CHECK(found == (offset <= text.size() ? offset : std::string_view::npos));
        return;
    }
    const std::vector<bool> starts = boundaries(text);
    if (found == std::string_view::npos) {
        // No match at any character start from the offset on.
        for (std::size_t at = offset; at + needle.size() <= text.size(); ++at) {
            FUZZ_CHECK(!starts[at] || text.compare(at, needle.size(), needle) != 0);
        }
        return;
    }
    FUZZ_CHECK(found >= offset);
    FUZZ_CHECK(found + needle.size() <= text.size());
    FUZZ_CHECK(starts[found]);
    FUZZ_CHECK(text.compare(found, needle.size(), needle) == 0);
}

// replace_all agrees with replacing, one by one, what find_from finds.
void check_replace(std::string_view text, std::string_view from, std::string_view to) {
    const std::string replaced = replace_all(text, from, to);
    FUZZ_CHECK(replace_all(text, from, from) == text);
    if (from.empty()) {
        FUZZ_CHECK(replaced == text);
        return;
    }
    if (!whole_characters(from)) return;
    std::string expected;
    std::size_t at = 0;
    for (std::size_t found; (found = find_from(text, from, at)) != std::string_view::npos;
         at = found + from.size()) {
        expected.append(text.substr(at, found - at));
        expected.append(to);
    }
    expected.append(text.substr(at));
    FUZZ_CHECK(replaced == expected);
}

// The lines come out in order, each the text up to the next line break that
// starts a character, and the first follows the last.
void check_lines(const std::string& stored) {
    static SeaScene scene;
    set_message(scene, stored);
    const std::string text = scene.text;
    FUZZ_CHECK(!text.empty() && text.back() == '\n');
    FUZZ_CHECK(scene.cursor == 0);
    const std::vector<bool> starts = boundaries(text);
    auto next_break = [&](std::size_t from) {
        for (std::size_t at = from; at < text.size(); ++at) {
            if (starts[at] && text[at] == '\n') return at;
        }
        return std::string::npos;
    };
    std::size_t breaks = 0;
    for (char c : text) breaks += c == '\n';
    std::size_t start = 0;
    for (std::size_t taken = 0; taken <= breaks + 1; ++taken) {
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

// A stored message without line-break bytes survives the round trip through
// the edit box unchanged.
void check_edit_round_trip(const std::string& stored) {
    const std::string edit = text_for_edit(stored);
    FUZZ_CHECK(text_from_edit(edit).size() > 0);
    if (stored.empty() || stored.find_first_of("\r\n") != std::string::npos) return;
    FUZZ_CHECK(text_from_edit(edit) == stored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    use_code_page(fuzzing::code_page_of(data[0]));
    const auto fields = fuzzing::split_fields(fuzzing::as_text(data + 1, size - 1), 2);
    const std::string& message = fields[0];
    const std::string& needle = fields[1];
    const std::string& replacement = fields[2];

    check_lines(message);
    check_edit_round_trip(message);
    for (std::size_t offset :
         {std::size_t{0}, std::size_t{1}, message.size() / 2, message.size()}) {
        check_find(message, needle, offset);
    }
    check_replace(message, needle, replacement);
    check_replace(message, "^n", "\n");
    return 0;
}
