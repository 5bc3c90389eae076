#include "platform/portable/profile/profile_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

void (*portable_profile_before_rename)() = nullptr;

namespace {

constexpr int max_link_depth = 40;  // as the kernel allows when it follows links

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

ProfileWriteResult failure(int error) {
    ProfileWriteResult result;
    result.system_error = error;
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            result.status = ProfileWriteStatus::no_space;
            break;
        case EACCES:
        case EPERM:
        case EROFS:
            result.status = ProfileWriteStatus::access_denied;
            break;
        case EISDIR:
            result.status = ProfileWriteStatus::not_a_file;
            break;
        default:
            result.status = ProfileWriteStatus::failed;
            break;
    }
    return result;
}

bool make_folders(const std::string& folder) {
    // Every missing level, like mkdir -p; settings folders are private.
    for (std::size_t slash = 1; slash <= folder.size(); ++slash) {
        if (slash != folder.size() && folder[slash] != '/') continue;
        const std::string level = folder.substr(0, slash);
        if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// The file a path finally names, following symbolic links; it need not exist
// (a link may name a file that is yet to be made).
bool follow_links(const std::string& path, std::string& target) {
    target = path;
    for (int depth = 0; depth < max_link_depth; ++depth) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0) return errno == ENOENT;
        if (!S_ISLNK(info.st_mode)) return true;
        std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 256) + 1, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) return false;
        link.resize(static_cast<std::size_t>(n));
        target = (!link.empty() && link[0] == '/') ? link : folder_of(target) + "/" + link;
    }
    errno = ELOOP;
    return false;
}

bool write_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            if (wrote == 0) errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// Temporary files of saves that were interrupted (killed, or the machine
// stopped): only names a save makes, in files of this user with no other
// link to them. A save in progress holds a lock on its file, so only files
// that nobody holds are removed.
void remove_stale_temp_files(const std::string& folder, const std::string& base) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        if (!is_temporary_file_name(entry->d_name, base)) continue;
        const std::string path = folder + "/" + entry->d_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            info.st_nlink == 1 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlink(path.c_str());
        }
        ::close(fd);
    }
    ::closedir(dir);
}

// A new temporary file for `base` in `folder`, mode 0600; its path in `temp`.
int make_temp_file(const std::string& folder, const std::string& base, std::string& temp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::uint64_t unique = 0;
        if (::getrandom(&unique, sizeof unique, 0) != static_cast<ssize_t>(sizeof unique)) {
            unique = static_cast<std::uint64_t>(::getpid()) << 32 ^
                     static_cast<std::uint64_t>(attempt) ^ reinterpret_cast<std::uintptr_t>(&temp);
        }
        temp = folder + "/" + temporary_file_name(base, unique);
        const int fd =
            ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

FileRead read_whole_file(const std::string& path, std::string& bytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return FileRead::missing;
        return errno == EISDIR ? FileRead::not_regular : FileRead::failed;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        // A device, a pipe or a folder holds no settings; reading one could
        // block or never end.
        ::close(fd);
        return FileRead::not_regular;
    }
    char chunk[65536];
    FileRead result = FileRead::read;
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) result = FileRead::failed;
        if (got <= 0) break;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (result == FileRead::failed) bytes.clear();
    return result;
}

ProfileWriteResult replace_whole_file(const std::string& path, const std::string& bytes) {
    std::string target;
    if (!follow_links(path, target)) return failure(errno);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        ProfileWriteResult refused;
        refused.status = ProfileWriteStatus::not_a_file;
        return refused;
    }
    // A file the user marked read-only (no write permission for anyone), or
    // one this user may not write, is refused, as Windows refuses to write
    // such a file, rather than replaced through its folder.
    if (exists && (old.st_mode & 0222) == 0) {
        ProfileWriteResult refused = failure(EACCES);
        refused.status = ProfileWriteStatus::read_only;
        return refused;
    }
    if (exists && ::access(target.c_str(), W_OK) != 0) return failure(errno);
    const std::string folder = folder_of(target);
    const std::string base = name_of(target);
    if (!exists && !make_folders(folder)) return failure(errno);
    remove_stale_temp_files(folder, base);

    std::string temp;
    const int fd = make_temp_file(folder, base, temp);
    if (fd < 0) return failure(errno);
    ::flock(fd, LOCK_EX);  // tells a later save that this file is in use
    bool ok = write_all(fd, bytes);
    if (ok && exists) {
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
        // Only the super-user can give a file away; for anyone else the file
        // is theirs already.
        if (ok && geteuid() == 0) (void)::fchown(fd, old.st_uid, old.st_gid);
    }
    ok = ok && ::fsync(fd) == 0;
    int error = errno;
    if (ok && portable_profile_before_rename) portable_profile_before_rename();
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) ::unlink(temp.c_str());
    ::close(fd);
    if (!ok) return failure(error);
    // Make the rename itself durable.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}
