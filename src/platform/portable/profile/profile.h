// Where the portable profile functions keep their INI files (and, through
// profile_file.h, a hook for tests that need to stop a write between its two
// steps). Nothing outside platform/portable/ and its tests includes this.
#pragma once

#include <string>

#include "platform/portable/profile/profile_file.h"

// The folder for bare file names: $XDG_CONFIG_HOME/nuvex, else ~/.config/nuvex.
// No trailing slash; the folder need not exist.
std::string portable_profile_folder();
// The file a profile function with this file name works on. A name with a
// slash is used as given; a bare name lives in portable_profile_folder().
std::string portable_profile_path(const char* fileName);
