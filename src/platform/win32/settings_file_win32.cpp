// The settings file on Windows: %APPDATA%\Nuvex\<name>, the user's own folder,
// which every user may write whether or not the program runs elevated, and
// which the 32-bit and 64-bit modules share. Until that file exists, the
// settings of an older install are read from the Windows folder, where the
// file used to live (or from the copy that the system's file virtualisation
// made of it for a 32-bit program).
#include <shlobj.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/settings_file.h"
#include "platform/shared/dbcs.h"
#include "platform/shared/settings_profile.h"
#include "platform/win32.h"
#include "text/utf8.h"

namespace {

std::wstring widen(std::string_view utf8) {
    if (utf8.empty()) return std::wstring();
    const int n = static_cast<int>(utf8.size());
    const int count = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(count > 0 ? count : 0), L'\0');
    if (count > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, wide.data(), count);
    return wide;
}

std::string narrow(std::wstring_view wide) {
    if (wide.empty()) return std::string();
    const int n = static_cast<int>(wide.size());
    const int count = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(count > 0 ? count : 0), '\0');
    if (count > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, utf8.data(), count, nullptr, nullptr);
    return utf8;
}

std::size_t acp_char_length(std::string_view bytes) {
    if (bytes.empty()) return 0;
    const UINT page = GetACP();
    if (page == CP_UTF8) return utf8_sequence_length(bytes);
    const auto lead = static_cast<BYTE>(bytes[0]);
    if (bytes.size() > 1 && IsDBCSLeadByte(lead) &&
        is_dbcs_trail_byte(page, static_cast<unsigned char>(bytes[1]))) {
        return 2;
    }
    return 1;
}

bool acp_to_utf8(std::string_view ansi, std::string& utf8) {
    utf8.clear();
    if (ansi.empty()) return true;
    const int n = static_cast<int>(ansi.size());
    const int count = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), n, nullptr, 0);
    if (count <= 0) return false;
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), n, wide.data(), count);
    utf8 = narrow(wide);
    return true;
}

bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring known_folder(int csidl) {
    wchar_t folder[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder))) {
        return std::wstring();
    }
    return folder;
}

std::wstring windows_folder() {
    wchar_t folder[MAX_PATH] = L"";
    const UINT n = GetWindowsDirectoryW(folder, MAX_PATH);
    return (n == 0 || n >= MAX_PATH) ? std::wstring() : std::wstring(folder, n);
}

FileRead read_whole_file(const std::string& utf8_path, std::string& bytes) {
    bytes.clear();
    const std::wstring path = widen(utf8_path);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? FileRead::missing
                                                                                : FileRead::failed;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileRead::not_regular;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FileRead::failed;
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return FileRead::not_regular;
    }
    char chunk[65536];
    FileRead result = FileRead::read;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) {
            result = FileRead::failed;
            break;
        }
        if (got == 0) break;
        bytes.append(chunk, got);
    }
    CloseHandle(file);
    if (result == FileRead::failed) bytes.clear();
    return result;
}

ProfileWriteResult failure(DWORD error) {
    ProfileWriteResult result;
    result.system_error = static_cast<int>(error);
    switch (error) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            result.status = ProfileWriteStatus::no_space;
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            result.status = ProfileWriteStatus::access_denied;
            break;
        default:
            result.status = ProfileWriteStatus::failed;
            break;
    }
    return result;
}

// The file a path finally names when it is a symbolic link (or another
// reparse point); the path itself otherwise, or when the link leads nowhere.
std::wstring follow_link(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return path;
    }
    const HANDLE file =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return path;
    wchar_t final_path[MAX_PATH * 4];
    const DWORD n = GetFinalPathNameByHandleW(file, final_path, MAX_PATH * 4, FILE_NAME_NORMALIZED);
    CloseHandle(file);
    return (n == 0 || n >= MAX_PATH * 4) ? path : std::wstring(final_path, n);
}

bool make_folders(const std::wstring& folder) {
    for (std::size_t at = 0; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != L'\\' && folder[at] != L'/') continue;
        const std::wstring level = folder.substr(0, at);
        // Drive roots ("C:") and the "\\?\" prefix are not folders to make.
        if (level.empty() || level.back() == L':' || level.back() == L'?' || level == L"\\\\")
            continue;
        if (!CreateDirectoryW(level.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    return true;
}

// A number for a temporary file's name that no other save is likely to pick.
std::uint64_t unique_number() {
    static std::uint64_t counter = 0;
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    std::uint64_t value = static_cast<std::uint64_t>(now.QuadPart) ^
                          static_cast<std::uint64_t>(GetCurrentProcessId()) << 40 ^ ++counter;
    // A 64-bit mix (splitmix64), so that close counts give unlike names.
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9u;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBu;
    return value ^ (value >> 31);
}

// Temporary files of saves that were interrupted (killed, or the machine
// stopped): only names a save makes. A save in progress holds its file open
// without sharing, so deleting that one fails and it is left alone.
void remove_stale_temp_files(const std::wstring& prefix, const std::wstring& base) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((prefix + L"." + base + L".nuvex-save-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
            is_temporary_file_name(narrow(found.cFileName), narrow(base))) {
            DeleteFileW((prefix + found.cFileName).c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

ProfileWriteResult replace_whole_file(const std::string& path, const std::string& bytes) {
    const std::wstring target = follow_link(widen(path));
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool present = attributes != INVALID_FILE_ATTRIBUTES;
    if (present && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ProfileWriteResult refused;
        refused.status = ProfileWriteStatus::not_a_file;
        return refused;
    }
    const std::size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder =
        slash == std::wstring::npos ? std::wstring() : target.substr(0, slash);
    if (!present && !folder.empty() && !make_folders(folder)) return failure(GetLastError());

    if (present && (attributes & FILE_ATTRIBUTE_READONLY)) {
        ProfileWriteResult refused = failure(ERROR_ACCESS_DENIED);
        refused.status = ProfileWriteStatus::read_only;
        return refused;
    }
    const std::wstring base = target.substr(slash == std::wstring::npos ? 0 : slash + 1);
    const std::wstring prefix = folder.empty() ? std::wstring() : folder + L"\\";
    remove_stale_temp_files(prefix, base);

    // A name of its own for the file being written, which only a save makes,
    // so that no file of the user's is ever taken for it.
    std::wstring temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp = prefix + widen(temporary_file_name(narrow(base), unique_number()));
        file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (file == INVALID_HANDLE_VALUE) return failure(GetLastError());
    DWORD error = ERROR_SUCCESS;
    std::size_t done = 0;
    while (done < bytes.size() && error == ERROR_SUCCESS) {
        const DWORD chunk =
            static_cast<DWORD>(bytes.size() - done < (1u << 20) ? bytes.size() - done : (1u << 20));
        DWORD wrote = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
            error = GetLastError();
            if (error == ERROR_SUCCESS) error = ERROR_DISK_FULL;
        }
        done += wrote;
    }
    if (error == ERROR_SUCCESS && !FlushFileBuffers(file)) error = GetLastError();
    CloseHandle(file);
    if (error == ERROR_SUCCESS &&
        !MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
    }
    if (error != ERROR_SUCCESS) {
        DeleteFileW(temp.c_str());
        return failure(error);
    }
    return {};
}

const ProfileFiles files{&read_whole_file, &replace_whole_file,
                         AnsiCodec{&acp_char_length, &acp_to_utf8}};

std::wstring joined(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) return name;
    return folder + (folder.back() == L'\\' ? L"" : L"\\") + name;
}

}  // namespace

SettingsLocation LocateSettingsFile(const char* fileName) {
    const std::wstring name = widen(fileName ? fileName : "");
    const std::wstring roaming = known_folder(CSIDL_APPDATA);
    const std::wstring windows = windows_folder();
    SettingsLocation location;
    const std::wstring path =
        roaming.empty() ? joined(windows, name) : joined(joined(roaming, L"Nuvex"), name);
    location.path = narrow(path);
    location.read_path = location.path;
    if (exists(path)) return location;

    std::wstring older;
    const std::wstring local = known_folder(CSIDL_LOCAL_APPDATA);
    if (!local.empty() && windows.size() > 2 && windows[1] == L':') {
        // The system keeps a 32-bit program's writes to C:\Windows in
        // %LOCALAPPDATA%\VirtualStore\Windows; that copy is the newer one.
        const std::wstring virtual_copy =
            joined(joined(local, L"VirtualStore") + windows.substr(2), name);
        if (exists(virtual_copy)) older = virtual_copy;
    }
    if (older.empty() && exists(joined(windows, name))) older = joined(windows, name);
    if (!older.empty()) location.read_path = narrow(older);
    return location;
}

const ProfileFiles& platform_profile_files() {
    return files;
}
