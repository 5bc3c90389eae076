#include "platform/shared/settings_profile.h"

#include "text/utf8.h"

namespace {

profile_text::CharLength step_for(const profile_text::Text& text, const AnsiCodec& codec) {
    return text.form == profile_text::Form::unicode ? &utf8_sequence_length : codec.step;
}

}  // namespace

ProfileRead read_profile_value(const std::optional<std::string>& bytes, const char* section,
                               const char* key, const AnsiCodec& codec) {
    ProfileRead read;
    if (!bytes) return read;
    const profile_text::Text text = profile_text::decode_file(*bytes);
    read.form = text.form == profile_text::Form::unicode ? ProfileForm::unicode : ProfileForm::ansi;
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
    return files.replace(path, updated);
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
