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

// Loads the section and file names, then the message (default: the default
// message) and the follow value (default 0).
void load_settings();
// Writes the message (stored form), then the follow value. True when both
// keys were written.
bool save_settings(const std::string& stored);
std::string text_for_edit(std::string_view stored);
std::string text_from_edit(std::string_view edit);
