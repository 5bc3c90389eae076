// The part of reading and writing the settings file that is the same on every
// platform: finding a value in the file's bytes, and making the new bytes of
// a save. Reading the file and replacing it are each platform's own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_file.h"
#include "platform/shared/profile_text.h"

enum class FileRead { read, missing, not_regular, failed };

// What the system's ANSI code page means for the settings file.
struct AnsiCodec {
    profile_text::CharLength step;  // how its characters are delimited
    // Its bytes as UTF-8; false when some of them are not text in it.
    bool (*to_utf8)(std::string_view ansi, std::string& utf8);
};

// The value of `key` in `section` of a file with these bytes (none: no file).
ProfileRead read_profile_value(const std::optional<std::string>& bytes, const char* section,
                               const char* key, const AnsiCodec& codec);

// The bytes of the file after a save: `base` (none: no file yet) with every
// entry set. Fails with cannot_convert when the file must become Unicode and
// holds bytes that are not text, or when ANSI entries for a Unicode file are
// not; with unknown_form when `base` does not read one way only.
ProfileWriteStatus build_profile(const std::optional<std::string>& base, const char* section,
                                 const std::vector<ProfileEntry>& entries, ProfileForm form,
                                 const AnsiCodec& codec, std::string& out);

// The name of a save's temporary file beside the file `base`:
// ".<base>.nuvex-save-<16 hex digits>-<8 hex digits>", the first number
// `unique`, the second a check of both. A user's own file (a backup, a copy
// with a suffix) never has that shape by chance, so a save that removes what
// an interrupted one left behind removes only names this function made.
std::string temporary_file_name(std::string_view base, std::uint64_t unique);
bool is_temporary_file_name(std::string_view name, std::string_view base);

// The platform's side: reading a file whole (`not_regular` for a folder or a
// device, which are not read) and replacing one whole.
struct ProfileFiles {
    FileRead (*read)(const std::string& path, std::string& bytes);
    ProfileWriteResult (*replace)(const std::string& path, const std::string& bytes);
    AnsiCodec codec;
};

// This platform's files, which ReadProfileValue and WriteProfileValues work
// on (each platform defines it beside its file functions).
const ProfileFiles& platform_profile_files();
