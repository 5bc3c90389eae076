// The settings file reader and writer on any file content, in any form (ANSI
// bytes; UTF-16 in either order or UTF-8, with its byte-order mark; lines
// ended by CR alone): decoding and encoding give the file back byte for byte,
// a key written reads back as written while every other key keeps its value,
// the written file reads as it was made, and a file that does not read one
// way only is never added to.
//
// Input: section, key and value, each ended by a zero byte, then one byte
// choosing the code page, then the file as it stands before the write.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "platform/portable/text/codepage.h"
#include "platform/shared/profile_text.h"
#include "platform/shared/settings_profile.h"
#include "text/utf8.h"

namespace {

unsigned current_page = 0;

std::size_t ansi_step(std::string_view bytes) {
    return char_length(current_page, bytes);
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// Names match without regard to ASCII case (and multibyte characters match
// exactly, which this looser test also lets through).
FUZZ_ORACLE bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool trimmed(const std::string& s) {
    return s.empty() || (!is_blank(s.front()) && !is_blank(s.back()));
}

bool one_line(const std::string& s) {
    return s.find_first_of("\r\n") == std::string::npos;
}

// What a settings file can hold so that it reads back unchanged: names and
// values on one line, without the blanks that reading trims, a section name
// without the "]" that ends it, a key without "=" that does not look like a
// section header, a value not in the quotes that reading strips.
FUZZ_ORACLE bool writable(const std::string& section, const std::string& key,
                          const std::string& value) {
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return !section.empty() && one_line(section) && trimmed(section) &&
           section.find(']') == std::string::npos && !key.empty() && one_line(key) &&
           trimmed(key) && key.find('=') == std::string::npos && key.front() != '[' &&
           one_line(value) && trimmed(value) && !quoted;
}

// Text a Unicode file can hold as given: UTF-8 that converts to UTF-16 and back.
FUZZ_ORACLE bool unicode_text(const std::string& s) {
    const std::u16string units = profile_text::utf16_from_utf8(s);
    return profile_text::utf8_from_utf16(units.data(), units.size()) == s;
}

std::string value_or_missing(std::string_view text, std::string_view section, std::string_view key,
                             profile_text::CharLength step) {
    const auto value = profile_text::find_value(text, section, key, step);
    return value ? std::string(*value) : std::string("<missing>");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto fields = fuzzing::split_fields(fuzzing::as_text(data, size), 3);
    const std::string& section = fields[0];
    const std::string& key = fields[1];
    const std::string& value = fields[2];
    std::string_view content = fields[3];
    unsigned page = 1252;
    if (!content.empty()) {
        page = fuzzing::code_page_of(static_cast<std::uint8_t>(content.front()));
        content.remove_prefix(1);
    }
    if (page != current_page) {
        setenv("NUVEX_CODEPAGE", std::to_string(page).c_str(), 1);
        portable_reset_code_page();
        current_page = page;
    }

    const profile_text::Text file = profile_text::decode_file(content);
    FUZZ_CHECK(profile_text::encode_file(file) == content);
    const bool unicode = file.form == profile_text::Form::unicode;
    const profile_text::CharLength step = unicode ? &utf8_sequence_length : &ansi_step;

    // Every key of the first few sections, as it reads before the write.
    std::vector<std::pair<std::string, std::string>> keys;
    for (std::string_view s : profile_text::section_names(file.text)) {
        for (std::string_view k : profile_text::key_names(file.text, s, step)) {
            if (keys.size() < 8) keys.emplace_back(s, k);
        }
    }
    std::vector<std::string> before;
    for (const auto& [s, k] : keys) before.push_back(value_or_missing(file.text, s, k, step));

    if (!writable(section, key, value)) return 0;
    if (unicode && !(unicode_text(section) && unicode_text(key) && unicode_text(value))) return 0;
    std::string after = file.text;
    profile_text::set_value(after, section, std::string_view(key), std::string_view(value), step);
    FUZZ_CHECK(value_or_missing(after, section, key, step) == value);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string& s = keys[i].first;
        const std::string& k = keys[i].second;
        if (same_name(s, section) && same_name(k, key)) continue;  // the key written
        FUZZ_CHECK(value_or_missing(after, s, k, step) == before[i]);
    }
    // Writing the same value again changes no byte.
    std::string again = after;
    profile_text::set_value(again, section, std::string_view(key), std::string_view(value), step);
    FUZZ_CHECK(again == after);
    // What is written reads back as it was made.
    profile_text::Text written = file;
    written.text = after;
    FUZZ_CHECK(profile_text::decode_file(profile_text::encode_file(written)).text == after);

    // The settings file's own layer: a file that does not read one way only
    // is neither read nor added to; any other gets the value in its own form.
    const AnsiCodec codec{&ansi_step, &acp_to_utf8_strict};
    const std::optional<std::string> base{std::string(content)};
    const ProfileForm form = unicode ? ProfileForm::unicode : ProfileForm::ansi;
    std::string saved;
    const ProfileWriteStatus status =
        build_profile(base, section.c_str(), {{key, value}}, form, codec, saved);
    if (!file.understood) {
        FUZZ_CHECK(status == ProfileWriteStatus::unknown_form);
        FUZZ_CHECK(!read_profile_value(base, section.c_str(), key.c_str(), codec).readable);
        return 0;
    }
    FUZZ_CHECK(status == ProfileWriteStatus::written);
    FUZZ_CHECK(saved == profile_text::encode_file(written));
    const ProfileRead back = read_profile_value(saved, section.c_str(), key.c_str(), codec);
    FUZZ_CHECK(back.readable && back.found && back.value == value);
    return 0;
}
