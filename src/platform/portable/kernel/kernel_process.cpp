// The process as KERNEL describes it: its command line, its end, the system's
// version, the millisecond clock, sleeping and the power supply.
#include <dirent.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "platform/portable/bridge.h"
#include "platform/portable/system_backend.h"
#include "platform/portable/user/user_internal.h"

namespace portable {
namespace {

std::string& command_line() {
    static std::string line;
    return line;
}

bool& command_line_set() {
    static bool set = false;
    return set;
}

// Quotes an argument the way the Windows C runtime splits it again: inside
// quotes a double quote is escaped with a backslash, and backslashes are
// doubled only where they come before a quote.
std::string quote_argument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
        return arg;
    }
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

std::string build_command_line(const std::vector<std::string>& args) {
    std::string line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i == 0) {
            // The program name is taken up to the next quote by the reader, so
            // it is only wrapped, never escaped.
            const std::string& name = args[0];
            line = name.find_first_of(" \t") == std::string::npos ? name : "\"" + name + "\"";
        } else {
            line += ' ';
            line += quote_argument(args[i]);
        }
    }
    return line;
}

// Without portable_init_process (a test program, say) the kernel's own record
// of the arguments serves.
std::vector<std::string> arguments_of_this_process() {
    std::vector<std::string> args;
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string arg;
    while (std::getline(in, arg, '\0')) {
        args.push_back(arg);
    }
    return args;
}

thread_local DWORD lastError = 0;

std::string read_first_line(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

// The AC line as the kernel's power-supply class reports it: 1 when any mains
// supply is online, 0 when there are mains supplies and none is, 255 when the
// machine reports none.
BYTE mains_line_status() {
    DIR* dir = opendir("/sys/class/power_supply");
    if (!dir) {
        return 255;
    }
    bool sawMains = false;
    bool online = false;
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') {
            continue;
        }
        const std::string base = std::string("/sys/class/power_supply/") + e->d_name;
        if (read_first_line(base + "/type") != "Mains") {
            continue;
        }
        const std::string state = read_first_line(base + "/online");
        if (state.empty()) {
            continue;
        }
        sawMains = true;
        online = online || state != "0";
    }
    closedir(dir);
    if (!sawMains) {
        return 255;
    }
    return online ? 1 : 0;
}

std::uint64_t monotonic_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

std::uint64_t now_ms() {
    // Asking the clock must not start the display.
    return system_backend().clock_ms();
}

void set_last_error(DWORD error) {
    lastError = error;
}

}  // namespace portable

void portable_init_process(int argc, char** argv) {
    // A message line's particle array grows a hundred records at a time, and
    // each growth takes a larger block and frees the old one. Left to itself
    // the C library serves every such block with fresh pages from the kernel
    // (the block is always larger than the last one it freed), so each
    // growth page-faults through megabytes. Blocks up to 64 MiB from the
    // heap, and a heap that keeps its freed memory, make the later growths
    // and lines reuse memory already in place.
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
    std::vector<std::string> args;
    for (int i = 0; i < argc && argv && argv[i]; ++i) {
        args.emplace_back(argv[i]);
    }
    portable::command_line() = portable::build_command_line(args);
    portable::command_line_set() = true;
    portable_prefetch_message_font();
}

LPSTR GetCommandLineA() {
    if (!portable::command_line_set()) {
        portable::command_line() =
            portable::build_command_line(portable::arguments_of_this_process());
        portable::command_line_set() = true;
    }
    return portable::command_line().data();
}

void ExitProcess(UINT exitCode) {
    // Only the buffered output is saved: no destructors or exit handlers run.
    std::fflush(nullptr);
    _exit(static_cast<int>(exitCode));
}

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        return FALSE;
    }
    const DWORD platform = portable::system_backend().platform_id();
    const bool nineX = platform == VER_PLATFORM_WIN32_WINDOWS;
    info->dwMajorVersion = nineX ? 4 : 10;
    info->dwMinorVersion = nineX ? 10 : 0;
    info->dwBuildNumber = 0;
    info->dwPlatformId = platform;
    std::memset(info->szCSDVersion, 0, sizeof(info->szCSDVersion));
    return TRUE;
}

DWORD GetTickCount() {
    return static_cast<DWORD>(portable::now_ms());
}

void Sleep(DWORD milliseconds) {
    portable::system_backend().sleep_ms(milliseconds);
}

BOOL GetSystemPowerStatus(LPSYSTEM_POWER_STATUS status) {
    if (!status) {
        return FALSE;
    }
    BYTE ac = 255;
    if (!portable::system_backend().power_status(&ac)) {
        return FALSE;
    }
    status->ACLineStatus = ac;
    status->BatteryFlag = 255;
    status->BatteryLifePercent = 255;
    status->SystemStatusFlag = 0;
    status->BatteryLifeTime = 0xFFFFFFFFu;
    status->BatteryFullLifeTime = 0xFFFFFFFFu;
    return TRUE;
}

DWORD GetLastError() {
    return portable::lastError;
}

namespace portable {

// Sleeping with the real clock, for the display and headless backends.
void sleep_real(DWORD milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec ts{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

}  // namespace portable

HANDLE GetCurrentProcess() {
    // As on Windows: a pseudo-handle that means "this process".
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
}

BOOL GetProcessTimes(HANDLE process, LPFILETIME creation, LPFILETIME exit, LPFILETIME kernel,
                     LPFILETIME user) {
    if (process != GetCurrentProcess() || !kernel || !user) {
        return FALSE;
    }
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) {
        return FALSE;
    }
    auto to_filetime = [](const timeval& t) {
        const std::uint64_t units = static_cast<std::uint64_t>(t.tv_sec) * 10000000u +
                                    static_cast<std::uint64_t>(t.tv_usec) * 10u;
        return FILETIME{static_cast<DWORD>(units), static_cast<DWORD>(units >> 32)};
    };
    *kernel = to_filetime(usage.ru_stime);
    *user = to_filetime(usage.ru_utime);
    if (creation) {
        *creation = FILETIME{0, 0};
    }
    if (exit) {
        *exit = FILETIME{0, 0};
    }
    return TRUE;
}
