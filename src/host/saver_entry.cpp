// Process entry: the command tail, the two process-wide facts, the mode named
// by the command line and the exit code.
#include <cstdint>

#include "app/code_page_setup.h"
#include "config/config_dialog.h"
#include "host/host_state.h"
#include "host/saver_host.h"
#include "platform/command_line_usage.h"
#include "platform/failure_report.h"
#include "platform/fault_guard.h"
#include "platform/win32.h"

namespace {

bool is_blank_byte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x01 && byte <= 0x20;
}

int unusable_command_line(const SaverMode& mode, LPCSTR commandTail) {
    switch (mode.windowFault) {
        case WindowIdFault::too_large:
            ReportWindowIdTooLarge(mode.windowId);
            break;
        case WindowIdFault::no_such_window:
            ReportNoSuchWindow(mode.window);
            break;
        case WindowIdFault::none:
            ReportUnusableCommandLine(commandTail);
            break;
    }
    return -1;
}

// The value of the decimal digits at `text`, and whether it exceeds 32 bits
// (then the value is 0). All digits are read either way.
std::uint32_t read_window_id(LPCSTR text, bool* tooLarge) {
    std::uint64_t value = 0;
    bool large = false;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10u + static_cast<std::uint64_t>(*text - '0');
        if (value > 0xFFFFFFFFu) {
            large = true;
            value = 0xFFFFFFFFu;  // stays above the limit with the next digit; no overflow
        }
    }
    if (tooLarge) *tooLarge = large;
    return large ? 0u : static_cast<std::uint32_t>(value);
}

LPCSTR skip_spaces(LPCSTR cursor) {
    while (*cursor == ' ') ++cursor;
    return cursor;
}

int run_saver_mode(const SaverMode& mode, LPCSTR commandTail) {
    switch (mode.kind) {
        case SaverModeKind::config:
            return ShowConfigDialog(mode.window);
        case SaverModeKind::saver:
        case SaverModeKind::preview:
            return RunSaverWindow(mode.window);
        case SaverModeKind::change_password:
            ChangeSaverPassword(mode.window);
            return 0;
        case SaverModeKind::unusable:
            break;
    }
    return unusable_command_line(mode, commandTail);
}

int RunGuardedMode(void* commandTail) {
    const auto tail = static_cast<LPCSTR>(commandTail);
    return run_saver_mode(DecodeSaverMode(tail), tail);
}

// A fault must not leave the system believing that a saver still runs.
void OnModeFault() {
    SetSaverRunning(false);
}

}  // namespace

// The first mode letter decides; separators before it are skipped one byte at
// a time, and nothing after the mode's own argument is looked at.
SaverMode DecodeSaverMode(LPCSTR commandTail) {
    LPCSTR cursor = commandTail;
    for (;;) {
        switch (*cursor) {
            case '\0':
                return {SaverModeKind::config, nullptr};
            case ' ':
            case '-':
            case '/':
                ++cursor;
                continue;
            case 'S':
            case 's':
                return {SaverModeKind::saver, nullptr};
            case 'P':
            case 'p':
            case 'L':
            case 'l': {
                const LPCSTR id = skip_spaces(cursor + 1);
                if (WindowIdTooLarge(id)) {
                    return {SaverModeKind::unusable, nullptr, WindowIdFault::too_large, id};
                }
                const HWND parent = ParseWindowHandle(id);
                if (!parent) return {SaverModeKind::unusable, nullptr};
                if (!IsWindow(parent)) {
                    return {SaverModeKind::unusable, parent, WindowIdFault::no_such_window, id};
                }
                return {SaverModeKind::preview, parent};
            }
            case 'C':
            case 'c': {
                ++cursor;
                HWND owner = nullptr;
                if (*cursor == ':') owner = ParseWindowHandle(cursor + 1);
                if (!owner || !IsWindow(owner)) owner = GetForegroundWindow();
                return {SaverModeKind::config, owner};
            }
            case 'A':
            case 'a': {
                if (!SaverHostState.win9xFamily) return {SaverModeKind::unusable, nullptr};
                HWND owner = ParseWindowHandle(skip_spaces(cursor + 1));
                if (!owner || !IsWindow(owner)) owner = GetForegroundWindow();
                return {SaverModeKind::change_password, owner};
            }
            default:
                return {SaverModeKind::unusable, nullptr};
        }
    }
}

LPCSTR SkipProgramName(LPCSTR commandLine) {
    LPCSTR cursor = commandLine;
    if (*cursor == '"') {
        do {
            cursor = CharNextA(cursor);
        } while (*cursor != '\0' && *cursor != '"');
        if (*cursor == '"') ++cursor;
    } else if (static_cast<unsigned char>(*cursor) > 0x20) {
        while (static_cast<unsigned char>(*cursor) > 0x20) cursor = CharNextA(cursor);
    }
    while (is_blank_byte(*cursor)) ++cursor;
    return cursor;
}

void SaverStartup() {
    const LPCSTR commandTail = SkipProgramName(GetCommandLineA());
    const int result = SaverMain(GetModuleHandleA(nullptr), commandTail);
    ExitProcess(static_cast<UINT>(result));
}

int SaverMain(HINSTANCE instance, LPCSTR commandTail) {
    return RunSaverMode(instance, &RunGuardedMode, const_cast<char*>(commandTail));
}

int RunSaverMode(HINSTANCE instance, int (*mode)(void* context), void* context) {
    // The built-in texts and the lead-byte table follow the system's code page;
    // settle them before any text is read.
    adopt_system_code_page();

    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_TAB_CLASSES;
    InitCommonControlsEx(&controls);

    SaverHostState.instance = instance;

    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    SaverHostState.win9xFamily =
        GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;

    return RunFaultGuarded(mode, context, &OnModeFault);
}

HWND ParseWindowHandle(LPCSTR text) {
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(read_window_id(text, nullptr)));
}

bool WindowIdTooLarge(LPCSTR text) {
    bool tooLarge = false;
    read_window_id(text, &tooLarge);
    return tooLarge;
}

int ShowConfigDialog(HWND owner) {
    if (RegisterCustomClasses(SaverHostState.instance) == 0) return 0;
    // A Unicode dialog: its texts show whatever the code page.
    const int result = static_cast<int>(DialogBoxParamW(
        SaverHostState.instance, MAKEINTRESOURCEW(config_dialog_id), owner, ConfigDialogProc, 0));
    if (result == -1) ReportNoConfigDialog();
    return result;
}
