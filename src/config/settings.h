// The two user settings (the message and the drift choice), kept in one section
// of a private INI file, and the conversions of the message between its stored
// form (lines joined by "^n") and the edit form (lines joined by "\r\n").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings_names.h"
#include "platform/settings_file.h"
#include "platform/win32.h"
#include "text/byte_string.h"

constexpr int section_name_size = 80;
constexpr int file_name_size = 13;
constexpr int message_buffer_size = 4096;
constexpr int number_buffer_size = 20;

// The names the resources give the settings file and its section
// (settings_names.h), loaded into the buffers above.
inline constexpr char settings_file_name[] = NUVEX_SETTINGS_FILE_NAME;
inline constexpr char settings_section_name[] = NUVEX_SETTINGS_SECTION;

// A name that did not fit its buffer would be cut when loaded, and the saver
// would read and write a file no other version knows; ASCII, so that it takes
// one byte a character in every code page.
constexpr bool fits_as_ascii(std::string_view name, int buffer_size) {
    if (name.size() + 1 > static_cast<std::size_t>(buffer_size)) return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) {
            return false;
        }
    }
    return true;
}
static_assert(fits_as_ascii(settings_file_name, file_name_size),
              "the settings file name must be ASCII and fit its buffer with its zero");
static_assert(fits_as_ascii(settings_section_name, section_name_size),
              "the settings section name must be ASCII and fit its buffer with its zero");

// The INI keys of the two settings.
inline constexpr char text_key[] = "NuvexScr_Text";
inline constexpr char follow_key[] = "NuvexScr_Follow";

// Module-level settings, shared by the saver window and the configuration dialog.
extern char settings_section[section_name_size];
extern char settings_file[file_name_size];
// The message as the saver shows it, in stored form and `message_encoding`.
extern char message_buffer[message_buffer_size];
extern text_encoding message_encoding;
extern LONG follow_value;
extern char number_buffer[number_buffer_size];

// The most bytes of message text the saver takes (the buffer less its
// terminating zero and one byte that Windows' count of 4095 leaves unused).
constexpr int message_text_limit = 4094;

// What the settings file held when it was read, so that a save can change
// exactly what the user changed and keep every other byte.
struct StoredSettings {
    SettingsLocation location;
    bool readable = true;  // false: the file exists but could not be read
    ProfileWriteStatus problem = ProfileWriteStatus::written;  // why not, when not
    ProfileForm form = ProfileForm::ansi;
    bool text_found = false;
    encoded_text text;  // the whole stored value (the default message when absent)
    bool follow_found = false;
    std::string follow_text;  // as the file spells it
    LONG follow = 0;          // as the saver reads it
};
extern StoredSettings stored_settings;

// Loads the section and file names, then the message (default: the default
// message; the saver takes at most message_text_limit bytes of it, cut between
// characters) and the follow value (default 0).
void load_settings();

// Writes what differs from what was read: the message (stored form) when it is
// new or changed, the follow value (formatted "%ld") when it is new or changed,
// both in one replacement of the file, so that either both land or the file
// stays as it was. Text in UTF-8 makes the file Unicode. Saving nothing new
// writes nothing. After a save, what was read is what was written.
ProfileWriteResult save_settings(const encoded_text& stored);

// The message in stored form, split at its "^n" separators (which a trail byte
// of a double-byte character never starts); always at least one line.
std::vector<std::string> stored_lines(const encoded_text& stored);

// Every "^n" becomes "\r\n" (the edit box's line break).
std::string text_for_edit(std::string_view stored, text_encoding encoding);
