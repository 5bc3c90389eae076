#include "config/settings.h"

#include <cstdio>
#include <cstring>

#include "text/builtin_strings.h"
#include "text/byte_string.h"

char settings_section[section_name_size];
char settings_file[file_name_size];
char message_buffer[message_buffer_size];
LONG follow_value;
char number_buffer[number_buffer_size];

namespace {

constexpr UINT section_string_id = 1007;
constexpr UINT file_string_id = 1001;
constexpr const char* text_key = "NuvexScr_Text";
constexpr const char* follow_key = "NuvexScr_Follow";

}  // namespace

std::size_t character_boundary_at_most(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    // Step character by character, so that the cut never falls between the
    // bytes of one character.
    const char* start = text.data();
    const char* p = start;
    for (;;) {
        const char* next = CharNextA(p);
        const auto offset = static_cast<std::size_t>(next - start);
        if (next == p || offset > limit) break;
        p = next;
    }
    return static_cast<std::size_t>(p - start);
}

void load_settings() {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    LoadStringA(instance, section_string_id, settings_section, section_name_size);
    LoadStringA(instance, file_string_id, settings_file, file_name_size);

    // Read a few bytes more than are kept, so that a value longer than the
    // limit is cut at a character boundary rather than inside a character.
    char longer[message_text_limit + 8];
    const std::string& fallback = default_message();
    GetPrivateProfileStringA(settings_section, text_key, fallback.c_str(), longer, sizeof longer,
                             settings_file);
    const std::string_view read(longer);
    const std::size_t kept = character_boundary_at_most(read, message_text_limit);
    std::memcpy(message_buffer, longer, kept);
    message_buffer[kept] = '\0';

    follow_value = static_cast<LONG>(GetPrivateProfileIntA(settings_section, follow_key, 0, settings_file));
}

SaveResult save_settings(const std::string& stored) {
    if (!WritePrivateProfileStringA(settings_section, text_key, stored.c_str(), settings_file)) {
        return SaveResult::text_failed;
    }
    const int written = std::snprintf(number_buffer, sizeof number_buffer, "%ld",
                                      static_cast<long>(follow_value));
    if (written < 0 || written >= number_buffer_size) return SaveResult::ok;
    if (!WritePrivateProfileStringA(settings_section, follow_key, number_buffer, settings_file)) {
        return SaveResult::follow_failed;
    }
    return SaveResult::ok;
}

std::string text_for_edit(std::string_view stored) { return replace_all(stored, "^n", "\r\n"); }

std::string text_from_edit(std::string_view edit) {
    std::string stored = replace_all(replace_all(edit, "\r", ""), "\n", "^n");
    if (stored.empty()) stored = default_message();
    return stored;
}
