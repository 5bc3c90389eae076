// The saver's settings file: where it lives on this platform, how one value is
// read from it, and how values are written so that a save is all or nothing.
//
// The file has the format of Windows' profile functions, in either of their
// two forms: bytes in the system's ANSI code page, or UTF-16 with its
// byte-order mark for text that code page cannot hold (UTF-16 big-endian and
// UTF-8 with their marks are read and kept too). Paths are UTF-8.
// Implemented once per platform.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class ProfileForm { ansi, unicode };

struct SettingsLocation {
    std::string path;       // where the file is written
    std::string read_path;  // where it is read: `path`, or an older install's
                            // file while `path` does not exist yet
};

// The settings file for a bare file name (no folder, no extension).
SettingsLocation LocateSettingsFile(const char* fileName);

enum class ProfileWriteStatus {
    written,
    no_space,        // the disk or the user's quota is full
    access_denied,   // the folder or the file may not be written
    not_a_file,      // the path names a folder, a device or another non-file
    cannot_convert,  // the file must become Unicode but holds bytes that are not text
    unreadable,      // the file exists but could not be read, so it is not replaced
    unknown_form,    // the file's bytes do not read one way only, so nothing is added
    read_only,       // the file is marked read-only, which a save respects
    failed,          // anything else; `system_error` tells what
};

struct ProfileRead {
    bool readable = true;  // false: the file exists but could not be read
    // Why not: unreadable, not_a_file or unknown_form.
    ProfileWriteStatus problem = ProfileWriteStatus::written;
    bool found = false;                    // the section holds the key
    ProfileForm form = ProfileForm::ansi;  // the file's form; ansi when there is no file
    std::string value;  // trimmed and unquoted; ANSI bytes, or UTF-8 in a Unicode file
};

ProfileRead ReadProfileValue(const std::string& path, const char* section, const char* key);

// A value read as a number the way Windows' GetPrivateProfileInt reads it: a
// leading signed decimal number after blanks, anything after it ignored, no
// digits giving 0, wrapping like a 32-bit register; `defaultValue` when empty.
unsigned ProfileInteger(std::string_view value, int defaultValue);

struct ProfileEntry {
    std::string key;
    std::string value;  // in the form the write asks for: ANSI bytes or UTF-8
};

struct ProfileWriteResult {
    ProfileWriteStatus status = ProfileWriteStatus::written;
    int system_error = 0;  // the platform's own error number, for the record
    // Whether the file was there before: a failed save leaves it as it was,
    // or makes none.
    bool file_existed = true;
};

// Sets every entry in `section` and replaces the file in one step: the new
// contents are complete on disk before they take the file's place, so a
// failure or a crash leaves the old file as it was. The new file starts from
// `basePath`'s contents (normally `path` itself). A symbolic link is followed:
// its target is replaced and the link stays. An ANSI file becomes Unicode when
// `form` asks for it; a Unicode file stays Unicode (ANSI entries are then
// converted). A new file is readable by its owner only; an existing file keeps
// its permissions; one marked read-only (no write permission at all, or the
// read-only attribute) is not written. The save's temporary file has a name
// that only a save makes (see settings_profile.h), and only such files are
// ever removed.
ProfileWriteResult WriteProfileValues(const std::string& path, const std::string& basePath,
                                      const char* section, const std::vector<ProfileEntry>& entries,
                                      ProfileForm form);
