// The settings file reader and writer on any file content: every read stays
// within its buffer, and a key written reads back as written while every
// other key keeps its value.
//
// Input: section, key and value, each ended by a zero byte, then one byte
// choosing the code page, then the file as it stands before the write.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "platform/portable/codepage.h"
#include "platform/win32.h"

namespace {

constexpr const char* file_name = "fuzz.ini";
std::string folder_path;
std::string file_path;

// The private folder goes when the run ends (a fuzzer starts many runs).
void remove_folder() {
    std::filesystem::remove_all(folder_path);
}

void write_file(std::string_view content) {
    std::ofstream out(file_path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string read_file() {
    std::ifstream in(file_path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A value as GetPrivateProfileStringA gives it (all the bytes it counts, zero
// bytes in the file included), or "<missing>" for none.
std::string value_of(const std::string& section, const std::string& key) {
    static char buffer[65536];
    const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), "<missing>", buffer,
                                                  sizeof buffer, file_name);
    FUZZ_CHECK(length < sizeof buffer && buffer[length] == '\0');
    return std::string(buffer, length);
}

// The zero-separated list the enumerating reads return, as strings.
std::vector<std::string> names(const char* section) {
    static char buffer[65536];
    const DWORD length =
        GetPrivateProfileStringA(section, nullptr, "", buffer, sizeof buffer, file_name);
    FUZZ_CHECK(length < sizeof buffer);
    FUZZ_CHECK(buffer[length] == '\0');
    std::vector<std::string> out;
    for (const char* p = buffer; p < buffer + length; p += std::strlen(p) + 1) out.emplace_back(p);
    return out;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// Names match without regard to ASCII case (and double-byte characters match
// exactly, which this looser test also lets through).
bool same_name(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool trimmed(const std::string& s) {
    return s.empty() || (!is_blank(s.front()) && !is_blank(s.back()));
}

bool one_line(const std::string& s) {
    return s.find_first_of("\r\n") == std::string::npos;
}

// What a settings file can hold so that it reads back unchanged: names and
// values on one line, without the blanks that reading trims, a section name
// without the "]" that ends it, a key without "=" that does not look like a
// section header, a value not in the quotes that reading strips.
bool writable(const std::string& section, const std::string& key, const std::string& value) {
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return !section.empty() && one_line(section) && trimmed(section) &&
           section.find(']') == std::string::npos && !key.empty() && one_line(key) &&
           trimmed(key) && key.find('=') == std::string::npos && key.front() != '[' &&
           one_line(value) && trimmed(value) && !quoted;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A private settings folder on a memory file system where there is one.
    char pattern[] = "/dev/shm/nuvex-fuzz-ini-XXXXXX";
    char fallback[] = "/tmp/nuvex-fuzz-ini-XXXXXX";
    const char* folder = mkdtemp(pattern);
    if (!folder) folder = mkdtemp(fallback);
    if (!folder) std::abort();
    setenv("XDG_CONFIG_HOME", folder, 1);
    folder_path = folder;
    std::atexit(remove_folder);
    const std::string settings = folder_path + "/nuvex";
    mkdir(settings.c_str(), 0700);
    file_path = settings + "/" + file_name;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto fields = fuzzing::split_fields(fuzzing::as_text(data, size), 3);
    const std::string& section = fields[0];
    const std::string& key = fields[1];
    const std::string& value = fields[2];
    std::string_view content = fields[3];
    unsigned page = 1252;
    if (!content.empty()) {
        page = fuzzing::code_page_of(static_cast<std::uint8_t>(content.front()));
        content.remove_prefix(1);
    }
    setenv("NUVEX_CODEPAGE", std::to_string(page).c_str(), 1);
    portable_reset_code_page();
    write_file(content);

    // Reads with buffers too small for the value: a cut copy, ended by a zero.
    const std::string whole = value_of(section, key);
    for (DWORD size_given : {1u, 2u, 7u}) {
        char small[8];
        std::memset(small, 'x', sizeof small);
        const DWORD got = GetPrivateProfileStringA(section.c_str(), key.c_str(), "<missing>", small,
                                                   size_given, file_name);
        FUZZ_CHECK(got < size_given);
        FUZZ_CHECK(small[got] == '\0' && small[size_given] == 'x');
        FUZZ_CHECK(whole.compare(0, got, small, got) == 0);
    }
    GetPrivateProfileIntA(section.c_str(), key.c_str(), -7, file_name);

    // Every key of the first few sections, as it reads before the write.
    std::vector<std::pair<std::string, std::string>> keys;
    for (const std::string& s : names(nullptr)) {
        for (const std::string& k : names(s.c_str())) {
            if (keys.size() < 8) keys.emplace_back(s, k);
        }
    }
    std::vector<std::string> before;
    for (const auto& [s, k] : keys) before.push_back(value_of(s, k));

    if (!writable(section, key, value)) return 0;
    FUZZ_CHECK(WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file_name));
    FUZZ_CHECK(value_of(section, key) == value);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string& s = keys[i].first;
        const std::string& k = keys[i].second;
        if (same_name(s, section) && same_name(k, key)) continue;  // the key written
        FUZZ_CHECK(value_of(s, k) == before[i]);
    }
    // Writing the same value again changes no byte of the file.
    const std::string written = read_file();
    FUZZ_CHECK(WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file_name));
    FUZZ_CHECK(read_file() == written);
    return 0;
}
