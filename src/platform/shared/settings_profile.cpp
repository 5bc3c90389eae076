#include "platform/shared/settings_profile.h"

#include "text/utf8.h"

namespace {

profile_text::CharLength step_for(const profile_text::Text& text, const AnsiCodec& codec) {
    return text.form == profile_text::Form::unicode ? &utf8_sequence_length : codec.step;
}

constexpr std::string_view temporary_marker = ".nuvex-save-";

std::string hex(std::uint64_t value, int digits) {
    std::string out(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) {
        out[static_cast<std::size_t>(i)] = "0123456789abcdef"[value & 0xF];
    }
    return out;
}

// FNV-1a over the base name and the unique part: what ties a temporary
// file's name to the file it was made for.
std::string name_check(std::string_view base, std::string_view unique) {
    std::uint32_t hash = 2166136261u;
    const auto mix = [&](std::string_view bytes) {
        for (char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    };
    mix(base);
    mix(temporary_marker);
    mix(unique);
    return hex(hash, 8);
}

}  // namespace

ProfileRead read_profile_value(const std::optional<std::string>& bytes, const char* section,
                               const char* key, const AnsiCodec& codec) {
    ProfileRead read;
    if (!bytes) return read;
    const profile_text::Text text = profile_text::decode_file(*bytes);
    read.form = text.form == profile_text::Form::unicode ? ProfileForm::unicode : ProfileForm::ansi;
    if (!text.understood) {
        read.readable = false;
        read.problem = ProfileWriteStatus::unknown_form;
        return read;
    }
    const auto value = profile_text::find_value(text.text, section, key, step_for(text, codec));
    if (value) {
        read.found = true;
        read.value.assign(*value);
    }
    return read;
}

ProfileWriteStatus build_profile(const std::optional<std::string>& base, const char* section,
                                 const std::vector<ProfileEntry>& entries, ProfileForm form,
                                 const AnsiCodec& codec, std::string& out) {
    profile_text::Text text;
    if (base) text = profile_text::decode_file(*base);
    if (!text.understood) return ProfileWriteStatus::unknown_form;
    const bool convert_file = form == ProfileForm::unicode && text.form == profile_text::Form::ansi;
    if (convert_file) {
        std::string utf8;
        if (!codec.to_utf8(text.text, utf8)) return ProfileWriteStatus::cannot_convert;
        text.text = std::move(utf8);
        text.form = profile_text::Form::unicode;
    }
    // ANSI entries for a file that is (or stays) Unicode are converted.
    const bool convert_entries =
        form == ProfileForm::ansi && text.form == profile_text::Form::unicode;
    const profile_text::CharLength step = step_for(text, codec);
    for (const ProfileEntry& entry : entries) {
        std::string key = entry.key;
        std::string value = entry.value;
        if (convert_entries &&
            (!codec.to_utf8(entry.key, key) || !codec.to_utf8(entry.value, value))) {
            return ProfileWriteStatus::cannot_convert;
        }
        profile_text::set_value(text.text, section, std::string_view(key), std::string_view(value),
                                step);
    }
    out = profile_text::encode_file(text);
    return ProfileWriteStatus::written;
}

ProfileRead ReadProfileValue(const std::string& path, const char* section, const char* key) {
    const ProfileFiles& files = platform_profile_files();
    std::string bytes;
    const FileRead read = files.read(path, bytes);
    if (read == FileRead::failed || read == FileRead::not_regular) {
        ProfileRead unreadable;
        unreadable.readable = false;
        unreadable.problem = read == FileRead::failed ? ProfileWriteStatus::unreadable
                                                      : ProfileWriteStatus::not_a_file;
        return unreadable;
    }
    return read_profile_value(
        read == FileRead::read ? std::optional<std::string>(std::move(bytes)) : std::nullopt,
        section, key, files.codec);
}

ProfileWriteResult WriteProfileValues(const std::string& path, const std::string& basePath,
                                      const char* section, const std::vector<ProfileEntry>& entries,
                                      ProfileForm form) {
    const ProfileFiles& files = platform_profile_files();
    std::string bytes;
    const FileRead read = files.read(basePath, bytes);
    ProfileWriteResult result;
    // Where the file is read from elsewhere (an older install's), the file
    // to be written is not there yet.
    result.file_existed = read != FileRead::missing && basePath == path;
    if (read == FileRead::failed || read == FileRead::not_regular) {
        // A file that cannot be read is not replaced: its contents would be lost.
        result.status = read == FileRead::failed ? ProfileWriteStatus::unreadable
                                                 : ProfileWriteStatus::not_a_file;
        return result;
    }
    std::string updated;
    result.status = build_profile(
        read == FileRead::read ? std::optional<std::string>(std::move(bytes)) : std::nullopt,
        section, entries, form, files.codec, updated);
    if (result.status != ProfileWriteStatus::written) return result;
    ProfileWriteResult replaced = files.replace(path, updated);
    replaced.file_existed = result.file_existed;
    return replaced;
}

std::string temporary_file_name(std::string_view base, std::uint64_t unique) {
    const std::string number = hex(unique, 16);
    std::string name(1, '.');
    name.append(base).append(temporary_marker).append(number);
    name.append(1, '-').append(name_check(base, number));
    return name;
}

bool is_temporary_file_name(std::string_view name, std::string_view base) {
    const std::size_t prefix = 1 + base.size() + temporary_marker.size();
    if (name.size() != prefix + 16 + 1 + 8 || name[0] != '.' ||
        name.substr(1, base.size()) != base ||
        name.substr(1 + base.size(), temporary_marker.size()) != temporary_marker ||
        name[prefix + 16] != '-') {
        return false;
    }
    const std::string_view number = name.substr(prefix, 16);
    return number.find_first_not_of("0123456789abcdef") == std::string_view::npos &&
           name.substr(prefix + 17) == name_check(base, number);
}

unsigned ProfileInteger(std::string_view value, int defaultValue) {
    if (value.empty()) return static_cast<unsigned>(defaultValue);
    std::size_t p = 0;
    while (p < value.size() && (value[p] == ' ' || value[p] == '\t')) ++p;
    bool negative = false;
    if (p < value.size() && (value[p] == '-' || value[p] == '+')) negative = value[p++] == '-';
    unsigned result = 0;
    while (p < value.size() && value[p] >= '0' && value[p] <= '9') {
        result = result * 10u + static_cast<unsigned>(value[p++] - '0');
    }
    return negative ? 0u - result : result;
}
