// Reading a profile file whole, and replacing it whole in one rename: the
// file layer under the portable profile functions and the settings file.
// Nothing outside platform/portable/ and its tests includes this.
#pragma once

#include <optional>
#include <string>

#include "platform/settings_file.h"
#include "platform/shared/settings_profile.h"

// The file's bytes; `missing` when there is no such file (or no folder),
// `not_regular` for a folder, a device or a pipe (which are not read).
FileRead read_whole_file(const std::string& path, std::string& bytes);

// Replaces the file at `path` with `bytes`. A symbolic link is followed to the
// file it names, which is replaced while the link stays; a target that exists
// but is not a regular file is refused, and so is one marked read-only or
// that this user may not write. The new contents go to a temporary file
// beside the target (named by temporary_file_name), locked while it is
// written, synced, and renamed over the target; such files that an
// interrupted save left behind are removed first. A new file gets mode 0600;
// an existing one keeps its mode and owner. Missing folders are made (mode
// 0700).
ProfileWriteResult replace_whole_file(const std::string& path, const std::string& bytes);

// Called after the new contents are complete and synced in the temporary
// file, just before the rename makes them the file. Null except in tests.
extern void (*portable_profile_before_rename)();
