// The settings file off Windows: $XDG_CONFIG_HOME/nuvex/<name> (else
// ~/.config/nuvex/<name>), read and replaced through the portable file layer.
#include "platform/portable/profile/profile.h"
#include "platform/portable/profile/profile_file.h"
#include "platform/portable/text/codepage.h"
#include "platform/settings_file.h"
#include "platform/shared/settings_profile.h"

namespace {

std::size_t acp_char_length(std::string_view bytes) {
    return char_length(GetACP(), bytes);
}

const ProfileFiles files{&read_whole_file, &replace_whole_file,
                         AnsiCodec{&acp_char_length, &acp_to_utf8_strict}};

}  // namespace

SettingsLocation LocateSettingsFile(const char* fileName) {
    SettingsLocation location;
    location.path = portable_profile_path(fileName);
    location.read_path = location.path;
    return location;
}

const ProfileFiles& platform_profile_files() {
    return files;
}
