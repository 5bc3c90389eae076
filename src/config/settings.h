// The two user settings (the message and the drift choice), kept in one section
// of a private INI file, and the conversions of the message between its stored
// form (lines joined by "^n") and the edit form (lines joined by "\r\n").
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.h"

constexpr int section_name_size = 80;
constexpr int file_name_size = 13;
constexpr int message_buffer_size = 4096;
constexpr int number_buffer_size = 20;

// Module-level settings, shared by the saver window and the configuration dialog.
extern char settings_section[section_name_size];
extern char settings_file[file_name_size];
extern char message_buffer[message_buffer_size];
extern LONG follow_value;
extern char number_buffer[number_buffer_size];

// The most bytes of message text kept (the buffer less its terminating zero
// and one byte that Windows' count of 4095 leaves unused).
constexpr int message_text_limit = 4094;

// Loads the section and file names, then the message (default: the default
// message) and the follow value (default 0).
void load_settings();
// Writes the message (stored form), then the follow value, and says which
// write failed, if one did (a failed text write skips the follow write).
enum class SaveResult { ok, text_failed, follow_failed };
SaveResult save_settings(const std::string& stored);
// Every "^n" becomes "\r\n".
std::string text_for_edit(std::string_view stored);
// Every "\r" removed, every "\n" made "^n"; empty becomes the default message.
std::string text_from_edit(std::string_view edit);

// The length of the longest prefix of `text` that is at most `limit` bytes
// and ends at a character boundary of the ANSI code page.
std::size_t character_boundary_at_most(std::string_view text, std::size_t limit);
