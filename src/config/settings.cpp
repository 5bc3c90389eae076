#include "config/settings.h"

#include <cstdio>
#include <cstring>

#include "config/nuvex_resource_ids.h"
#include "text/builtin_strings.h"

char settings_section[section_name_size];
char settings_file[file_name_size];
char message_buffer[message_buffer_size];
text_encoding message_encoding = text_encoding::ansi;
LONG follow_value;
char number_buffer[number_buffer_size];
StoredSettings stored_settings;

void load_settings() {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    LoadStringA(instance, IDS_SECTION, settings_section, section_name_size);
    LoadStringA(instance, IDS_FILE_NAME, settings_file, file_name_size);

    StoredSettings stored;
    stored.location = LocateSettingsFile(settings_file);
    const std::string& from = stored.location.read_path;
    const ProfileRead text = ReadProfileValue(from, settings_section, text_key);
    const ProfileRead follow = ReadProfileValue(from, settings_section, follow_key);
    stored.readable = text.readable && follow.readable;
    stored.problem = text.readable ? follow.problem : text.problem;
    stored.form = text.form;
    stored.text_found = text.found;
    if (text.found) {
        // A Unicode file holds UTF-8 here; an ANSI file its own bytes, exactly.
        stored.text = {text.value, text.form == ProfileForm::unicode ? text_encoding::utf8
                                                                     : text_encoding::ansi};
    } else {
        stored.text = default_message();
    }
    stored.follow_found = follow.found;
    stored.follow_text = follow.value;
    stored.follow = follow.found ? static_cast<LONG>(ProfileInteger(follow.value, 0)) : 0;
    stored_settings = std::move(stored);

    const encoded_text& message = stored_settings.text;
    const std::size_t kept =
        character_boundary_at_most(message.bytes, message_text_limit, message.encoding);
    std::memcpy(message_buffer, message.bytes.data(), kept);
    message_buffer[kept] = '\0';
    message_encoding = message.encoding;
    follow_value = stored_settings.follow;
}

ProfileWriteResult save_settings(const encoded_text& stored) {
    StoredSettings& now = stored_settings;
    const ProfileForm form =
        stored.encoding == text_encoding::utf8 ? ProfileForm::unicode : ProfileForm::ansi;
    std::vector<ProfileEntry> entries;
    const bool text_changed =
        !now.text_found || stored.bytes != now.text.bytes || stored.encoding != now.text.encoding;
    if (text_changed) entries.push_back({text_key, stored.bytes});
    const bool follow_changed = !now.follow_found || follow_value != now.follow;
    if (follow_changed) {
        const int written = std::snprintf(number_buffer, sizeof number_buffer, "%ld",
                                          static_cast<long>(follow_value));
        if (written > 0 && written < number_buffer_size)
            entries.push_back({follow_key, number_buffer});
    }
    if (entries.empty()) return {};

    const ProfileWriteResult result = WriteProfileValues(now.location.path, now.location.read_path,
                                                         settings_section, entries, form);
    if (result.status != ProfileWriteStatus::written) return result;
    // The file now holds what was just written.
    now.location.read_path = now.location.path;
    now.readable = true;
    now.problem = ProfileWriteStatus::written;
    if (form == ProfileForm::unicode) now.form = ProfileForm::unicode;
    if (text_changed) {
        now.text_found = true;
        now.text = stored;
    }
    if (follow_changed) {
        now.follow_found = true;
        now.follow_text = number_buffer;
        now.follow = follow_value;
    }
    return result;
}

std::vector<std::string> stored_lines(const encoded_text& stored) {
    std::vector<std::string> lines;
    std::string_view rest = stored.bytes;
    for (;;) {
        // A line starts at a character, so the search can start there too
        // rather than walk the text again from its beginning.
        const std::size_t separator = find_from(rest, "^n", 0, stored.encoding);
        if (separator == std::string::npos) break;
        lines.emplace_back(rest.substr(0, separator));
        rest.remove_prefix(separator + 2);
    }
    lines.emplace_back(rest);
    return lines;
}

std::string text_for_edit(std::string_view stored, text_encoding encoding) {
    return replace_all(stored, "^n", "\r\n", encoding);
}
