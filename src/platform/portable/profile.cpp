// The private profile (INI file) functions, with the semantics Windows gives
// them: a missing file, section or key yields the default, names match without
// regard to case, and a write changes one line and keeps every other byte of
// the file as it was. A write replaces the file in one rename, so a crash
// leaves either the old file or the new one.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/codepage.h"
#include "platform/portable/profile.h"

void (*portable_profile_before_rename)() = nullptr;

namespace {

// One line of the file: [begin, end) is its text, next is where the following
// line starts (after "\n", "\r\n" or at the end of the file).
struct Line {
    std::size_t begin;
    std::size_t end;
    std::size_t next;
};

std::vector<Line> split_lines(const std::string& text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t newline = text.find('\n', pos);
        if (newline == std::string::npos) {
            lines.push_back({pos, text.size(), text.size()});
            break;
        }
        std::size_t end = newline;
        if (end > pos && text[end - 1] == '\r') --end;
        lines.push_back({pos, end, newline + 1});
        pos = newline + 1;
    }
    return lines;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-insensitive for the single-byte characters of the ANSI code page; the
// bytes of a double-byte character compare exactly, so a trail byte that
// happens to be a letter is not folded.
bool names_equal(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const UINT page = GetACP();
    std::size_t pos = 0;
    while (pos < a.size()) {
        std::size_t length = char_length(page, a.substr(pos));
        if (length == 0) length = 1;  // a zero byte inside a name
        if (length == 1) {
            if (ascii_lower(a[pos]) != ascii_lower(b[pos])) return false;
        } else if (a.compare(pos, length, b, pos, length) != 0) {
            return false;
        }
        pos += length;
    }
    return true;
}

// What a line holds, as the profile functions see it.
struct Parsed {
    enum Kind { other, section, entry } kind = other;
    std::string_view name;   // section name or key
    std::string_view value;  // entries only, trimmed
};

Parsed parse_line(std::string_view line) {
    const std::string_view body = trim(line);
    if (!body.empty() && body.front() == '[') {
        std::string_view name = body.substr(1);
        const std::size_t close = name.find(']');
        if (close != std::string_view::npos) name = name.substr(0, close);
        return {Parsed::section, trim(name), {}};
    }
    const std::size_t equals = body.find('=');
    if (equals == std::string_view::npos) return {};
    return {Parsed::entry, trim(body.substr(0, equals)), trim(body.substr(equals + 1))};
}

// A value written in matching quotes is read without them.
std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

struct Profile {
    std::string text;
    std::vector<Line> lines;

    std::string_view line(std::size_t i) const {
        return std::string_view(text).substr(lines[i].begin, lines[i].end - lines[i].begin);
    }
    Parsed parsed(std::size_t i) const { return parse_line(line(i)); }

    // Index of the section's header line, or npos.
    std::size_t find_section(std::string_view name) const {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const Parsed p = parsed(i);
            if (p.kind == Parsed::section && names_equal(p.name, name)) return i;
        }
        return std::string::npos;
    }
    // One past the section's last line (the next header or the end).
    std::size_t section_end(std::size_t header) const {
        std::size_t i = header + 1;
        while (i < lines.size() && parsed(i).kind != Parsed::section) ++i;
        return i;
    }
    std::size_t find_key(std::size_t header, std::string_view key) const {
        const std::size_t end = section_end(header);
        for (std::size_t i = header + 1; i < end; ++i) {
            const Parsed p = parsed(i);
            if (p.kind == Parsed::entry && names_equal(p.name, key)) return i;
        }
        return std::string::npos;
    }
    // The line ending new lines get: the file's first one, else CRLF as on Windows.
    std::string line_ending() const {
        const std::size_t newline = text.find('\n');
        if (newline == std::string::npos) return "\r\n";
        return (newline > 0 && text[newline - 1] == '\r') ? "\r\n" : "\n";
    }
};

enum class ReadResult { read, missing, failed };

ReadResult read_file(const std::string& path, std::string& text) {
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? ReadResult::missing : ReadResult::failed;
    char chunk[65536];
    ReadResult result = ReadResult::read;
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) result = ReadResult::failed;
        if (got <= 0) break;
        text.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (result == ReadResult::failed) text.clear();
    return result;
}

// The file's contents; a file that exists but cannot be read counts as
// empty for reading and stops a write (which would otherwise replace it).
Profile load(const std::string& path, ReadResult* result = nullptr) {
    Profile profile;
    const ReadResult r = read_file(path, profile.text);
    if (r == ReadResult::read) profile.lines = split_lines(profile.text);
    if (result) *result = r;
    return profile;
}

bool make_folder(const std::string& folder) {
    // Creates every missing level, like mkdir -p.
    for (std::size_t slash = 1; slash <= folder.size(); ++slash) {
        if (slash != folder.size() && folder[slash] != '/') continue;
        const std::string level = folder.substr(0, slash);
        if (::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return true;
}

bool write_all(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// Replaces the file with `text`: a temporary file in the same folder gets the
// whole contents and is synced, then renamed over the file.
bool replace_file(const std::string& path, const std::string& text) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = folder + "/." + base + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;

    struct stat old {};
    mode_t mode = 0666;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    bool ok = write_all(fd, text) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    const int saved = errno;
    ok = (::close(fd) == 0) && ok;
    if (ok && portable_profile_before_rename) portable_profile_before_rename();
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        const int failure = ok ? errno : saved;
        ::unlink(temp.c_str());
        errno = failure;
        return false;
    }
    // Make the rename itself durable.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

// Copies a list of names, each ended by a zero, the list ended by another
// zero, as the enumerating forms of GetPrivateProfileStringA return them.
DWORD copy_name_list(const std::vector<std::string_view>& names, LPSTR buffer, DWORD size) {
    if (size == 0) return 0;
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    DWORD used = 0;
    for (std::string_view name : names) {
        for (char c : name) {
            if (used + 2 >= size) {
                buffer[used] = '\0';
                buffer[used + 1] = '\0';
                return size - 2;
            }
            buffer[used++] = c;
        }
        if (used + 2 >= size) {
            buffer[used] = '\0';
            buffer[used + 1] = '\0';
            return size - 2;
        }
        buffer[used++] = '\0';
    }
    buffer[used] = '\0';
    return used;
}

// The line break that ends a last line which has none (it ends at `end`), so
// that the line reads the same afterwards: a "\r" at its end would otherwise
// become part of the new break, which reading strips, and a section or value
// the user did not touch would change.
std::string closing_break(const std::string& text, std::size_t end, const std::string& eol) {
    return end > 0 && text[end - 1] == '\r' ? "\r\n" : eol;
}

DWORD copy_value(std::string_view value, LPSTR buffer, DWORD size) {
    if (size == 0 || buffer == nullptr) return 0;
    const std::size_t count = value.size() < size - 1 ? value.size() : size - 1;
    std::memcpy(buffer, value.data(), count);
    buffer[count] = '\0';
    return static_cast<DWORD>(count);
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
    const Profile profile = load(portable_profile_path(fileName));

    if (section == nullptr) {
        std::vector<std::string_view> names;
        for (std::size_t i = 0; i < profile.lines.size(); ++i) {
            const Parsed p = profile.parsed(i);
            if (p.kind == Parsed::section) names.push_back(p.name);
        }
        return copy_name_list(names, buffer, size);
    }
    const std::size_t header = profile.find_section(section);
    if (key == nullptr) {
        std::vector<std::string_view> names;
        if (header != std::string::npos) {
            const std::size_t end = profile.section_end(header);
            for (std::size_t i = header + 1; i < end; ++i) {
                const Parsed p = profile.parsed(i);
                if (p.kind == Parsed::entry) names.push_back(p.name);
            }
        }
        return copy_name_list(names, buffer, size);
    }
    if (header != std::string::npos) {
        const std::size_t line = profile.find_key(header, key);
        if (line != std::string::npos) return copy_value(unquote(profile.parsed(line).value), buffer, size);
    }
    // Windows drops trailing blanks of the default.
    std::string_view fallback = defaultValue ? defaultValue : "";
    while (!fallback.empty() && is_blank(fallback.back())) fallback.remove_suffix(1);
    return copy_value(fallback, buffer, size);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName) {
    char value[64];
    if (GetPrivateProfileStringA(section, key, "", value, sizeof value, fileName) == 0) {
        return static_cast<UINT>(defaultValue);
    }
    // A leading signed decimal number after blanks; anything after it is
    // ignored, no digits read as 0, and the value wraps like a 32-bit register.
    const char* p = value;
    while (is_blank(*p)) ++p;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = (*p++ == '-');
    UINT result = 0;
    while (*p >= '0' && *p <= '9') result = result * 10u + static_cast<UINT>(*p++ - '0');
    return negative ? 0u - result : result;
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    if (section == nullptr) return TRUE;  // Windows: a request to flush its cache
    if (fileName == nullptr || fileName[0] == '\0') {
        errno = EINVAL;
        return FALSE;
    }
    // A value is one line of the file; a line break inside it would become
    // a different key on the next read.
    if (value != nullptr && std::strpbrk(value, "\r\n") != nullptr) {
        errno = EINVAL;
        return FALSE;
    }
    const std::string path = portable_profile_path(fileName);
    ReadResult read = ReadResult::read;
    Profile profile = load(path, &read);
    if (read == ReadResult::failed) return FALSE;
    const std::string eol = profile.line_ending();
    std::string& text = profile.text;
    const std::size_t header = profile.find_section(section);

    if (key == nullptr || value == nullptr) {
        // Deleting a section or a key: nothing to do when it is not there.
        if (header == std::string::npos) return TRUE;
        if (key == nullptr) {
            const std::size_t end = profile.section_end(header);
            const std::size_t from = profile.lines[header].begin;
            const std::size_t to = end < profile.lines.size() ? profile.lines[end].begin : text.size();
            text.erase(from, to - from);
        } else {
            const std::size_t line = profile.find_key(header, key);
            if (line == std::string::npos) return TRUE;
            const Line& l = profile.lines[line];
            text.erase(l.begin, l.next - l.begin);
        }
    } else {
        const std::string entry = std::string(key) + "=" + value;
        if (header == std::string::npos) {
            if (!text.empty() && text.back() != '\n') text += closing_break(text, text.size(), eol);
            text += "[" + std::string(section) + "]" + eol + entry + eol;
        } else {
            const std::size_t line = profile.find_key(header, key);
            if (line != std::string::npos) {
                const Line& l = profile.lines[line];
                // Keep the key as the file spells it.
                const std::string kept(profile.parsed(line).name);
                text.replace(l.begin, l.end - l.begin, kept + "=" + value);
            } else {
                // After the section's last non-blank line.
                std::size_t last = header;
                const std::size_t end = profile.section_end(header);
                for (std::size_t i = header + 1; i < end; ++i) {
                    if (!trim(profile.line(i)).empty()) last = i;
                }
                const Line& l = profile.lines[last];
                if (l.next == l.end) {
                    // The last line of a file without a final line break.
                    text.insert(l.end, closing_break(text, l.end, eol) + entry + eol);
                } else {
                    text.insert(l.next, entry + eol);
                }
            }
        }
    }

    if (std::strchr(fileName, '/') == nullptr && !make_folder(portable_profile_folder())) {
        return FALSE;
    }
    return replace_file(path, text) ? TRUE : FALSE;
}
