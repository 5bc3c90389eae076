// The private profile (INI) functions, with the semantics Windows gives them:
// a missing file, section or key yields the default, names match without
// regard to case, and a write changes one line and keeps every other byte of
// the file as it was. Both of Windows' file forms are read and written: ANSI
// files, and UTF-16 files with a byte-order mark; the ANSI functions convert
// text to and from a Unicode file, the Unicode functions to and from an ANSI
// one, as Windows does. A write replaces the file in one rename, so a crash
// leaves either the old file or the new one.
#include "platform/portable/profile/profile.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/profile/profile_file.h"
#include "platform/portable/text/codepage.h"
#include "platform/settings_file.h"
#include "platform/shared/profile_text.h"
#include "text/utf8.h"

namespace {

std::size_t acp_char_length(std::string_view bytes) {
    return char_length(GetACP(), bytes);
}

// How the text of a file is stepped through.
profile_text::CharLength step_for(const profile_text::Text& text) {
    return text.form == profile_text::Form::unicode ? &utf8_sequence_length : &acp_char_length;
}

// A name or value as the caller gives it: ANSI bytes (the A functions) or
// UTF-8 (converted from the W functions' UTF-16).
struct Given {
    std::string bytes;
    bool utf8 = false;
};

// `given` in the form of the file's text.
std::string in_file_form(const Given& given, const profile_text::Text& text) {
    const bool file_utf8 = text.form == profile_text::Form::unicode;
    if (given.utf8 == file_utf8) return given.bytes;
    return file_utf8 ? acp_to_utf8(given.bytes) : utf8_to_acp(given.bytes);
}

// A piece of the file's text in the caller's form.
std::string in_caller_form(std::string_view piece, const profile_text::Text& text, bool utf8) {
    const bool file_utf8 = text.form == profile_text::Form::unicode;
    if (utf8 == file_utf8) return std::string(piece);
    return file_utf8 ? utf8_to_acp(piece) : acp_to_utf8(piece);
}

profile_text::Text load(const std::string& path, FileRead* result = nullptr) {
    std::string bytes;
    const FileRead read = read_whole_file(path, bytes);
    if (result) *result = read;
    // A file that cannot be read counts as empty for reading.
    return profile_text::decode_file(read == FileRead::read ? bytes : std::string());
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// The answer to a read, before it is copied out: a value, or a list of names
// each ended by a zero (the enumerating forms).
struct Answer {
    std::string text;
    bool list = false;
};

Answer read_profile(const Given* section, const Given* key, const Given& fallback,
                    const char* fileName, bool utf8) {
    const profile_text::Text text = load(portable_profile_path(fileName));
    Answer answer;
    if (!section || !key) {
        answer.list = true;
        const std::vector<std::string_view> names =
            section
                ? profile_text::key_names(text.text, in_file_form(*section, text), step_for(text))
                : profile_text::section_names(text.text);
        for (std::string_view name : names) {
            answer.text += in_caller_form(name, text, utf8);
            answer.text.push_back('\0');
        }
        return answer;
    }
    const auto value = profile_text::find_value(text.text, in_file_form(*section, text),
                                                in_file_form(*key, text), step_for(text));
    if (value) {
        answer.text = in_caller_form(*value, text, utf8);
    } else {
        // Windows drops trailing blanks of the default.
        answer.text = fallback.bytes;
        while (!answer.text.empty() && is_blank(answer.text.back())) answer.text.pop_back();
    }
    return answer;
}

// Copies a value (at most size - 1 units and a zero) or a list of names (each
// ended by a zero, the list by another; cut to fit with both zeros kept), as
// Windows does. Returns the units copied, not counting the final zero.
template <typename Unit>
DWORD copy_answer(const std::basic_string<Unit>& text, bool list, Unit* buffer, DWORD size) {
    if (buffer == nullptr || size == 0) return 0;
    if (!list) {
        const std::size_t count = text.size() < size - 1 ? text.size() : size - 1;
        std::memcpy(buffer, text.data(), count * sizeof(Unit));
        buffer[count] = 0;
        return static_cast<DWORD>(count);
    }
    if (size == 1) {
        buffer[0] = 0;
        return 0;
    }
    if (text.size() + 1 <= size) {
        std::memcpy(buffer, text.data(), text.size() * sizeof(Unit));
        buffer[text.size()] = 0;
        return static_cast<DWORD>(text.size());
    }
    std::memcpy(buffer, text.data(), (size - 2) * sizeof(Unit));
    buffer[size - 2] = 0;
    buffer[size - 1] = 0;
    return size - 2;
}

BOOL write_profile(const Given* section, const Given* key, const Given* value,
                   const char* fileName) {
    if (section == nullptr) return TRUE;  // Windows: a request to flush its cache
    if (fileName == nullptr || fileName[0] == '\0') {
        errno = EINVAL;
        return FALSE;
    }
    // A value is one line of the file; a line break inside it would become
    // a different key on the next read.
    if (value && value->bytes.find_first_of("\r\n") != std::string::npos) {
        errno = EINVAL;
        return FALSE;
    }
    const std::string path = portable_profile_path(fileName);
    FileRead read = FileRead::read;
    profile_text::Text text = load(path, &read);
    if (read == FileRead::failed || read == FileRead::not_regular) return FALSE;
    const std::string section_text = in_file_form(*section, text);
    std::optional<std::string> key_text;
    std::optional<std::string> value_text;
    if (key) key_text = in_file_form(*key, text);
    if (value) value_text = in_file_form(*value, text);
    profile_text::set_value(
        text.text, section_text,
        key_text ? std::optional<std::string_view>(*key_text) : std::nullopt,
        value_text ? std::optional<std::string_view>(*value_text) : std::nullopt, step_for(text));
    const ProfileWriteResult result = replace_whole_file(path, profile_text::encode_file(text));
    if (result.status != ProfileWriteStatus::written) {
        errno = result.system_error != 0 ? result.system_error : EINVAL;
        return FALSE;
    }
    return TRUE;
}

std::optional<Given> given_ansi(LPCSTR text) {
    if (!text) return std::nullopt;
    return Given{text, false};
}

std::optional<Given> given_wide(LPCWSTR text) {
    if (!text) return std::nullopt;
    std::size_t length = 0;
    while (text[length] != 0) ++length;
    return Given{profile_text::utf8_from_utf16(text, length), true};
}

const Given* pointer(const std::optional<Given>& given) {
    return given ? &*given : nullptr;
}

std::string file_name_utf8(LPCWSTR fileName) {
    const std::optional<Given> name = given_wide(fileName);
    return name ? name->bytes : std::string();
}

}  // namespace

std::string portable_profile_folder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return std::string(config) + "/nuvex";
    const char* home = std::getenv("HOME");
    std::string base = (home && home[0]) ? home : "";
    if (base.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid())) base = entry->pw_dir;
    }
    return base + "/.config/nuvex";
}

std::string portable_profile_path(const char* fileName) {
    const std::string name = fileName ? fileName : "";
    if (name.find('/') != std::string::npos) return name;
    return portable_profile_folder() + "/" + name;
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    const std::string folder = portable_profile_folder();
    if (buffer == nullptr || size <= folder.size()) return static_cast<UINT>(folder.size() + 1);
    std::memcpy(buffer, folder.c_str(), folder.size() + 1);
    return static_cast<UINT>(folder.size());
}

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName) {
    if (buffer == nullptr || size == 0) return 0;
    const Answer answer =
        read_profile(pointer(given_ansi(section)), pointer(given_ansi(key)),
                     Given{defaultValue ? defaultValue : "", false}, fileName, false);
    return copy_answer(answer.text, answer.list, buffer, size);
}

DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer,
                               DWORD size, LPCWSTR fileName) {
    if (buffer == nullptr || size == 0) return 0;
    const std::optional<Given> fallback = given_wide(defaultValue);
    const Answer answer = read_profile(pointer(given_wide(section)), pointer(given_wide(key)),
                                       fallback ? *fallback : Given{"", true},
                                       file_name_utf8(fileName).c_str(), true);
    // A list's zeros convert as themselves, so the names keep their ends.
    const std::u16string units = profile_text::utf16_from_utf8(answer.text);
    const std::basic_string<WCHAR> copy(units.begin(), units.end());
    return copy_answer(copy, answer.list, buffer, size);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName) {
    char value[64];
    const DWORD n = GetPrivateProfileStringA(section, key, "", value, sizeof value, fileName);
    return ProfileInteger(std::string_view(value, n), defaultValue);
}

UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR fileName) {
    WCHAR value[64];
    const WCHAR empty[1] = {0};
    const DWORD n = GetPrivateProfileStringW(section, key, empty, value, 64, fileName);
    std::string digits;
    for (DWORD i = 0; i < n; ++i)
        digits.push_back(value[i] < 0x80 ? static_cast<char>(value[i]) : 'x');
    return ProfileInteger(digits, defaultValue);
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    return write_profile(pointer(given_ansi(section)), pointer(given_ansi(key)),
                         pointer(given_ansi(value)), fileName);
}

BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR fileName) {
    return write_profile(pointer(given_wide(section)), pointer(given_wide(key)),
                         pointer(given_wide(value)), file_name_utf8(fileName).c_str());
}
