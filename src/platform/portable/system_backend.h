// What the portable platform asks of the system apart from windows: the
// clock, the version, the power supply, loadable modules, the registry, the
// desktop window, display memory and modal dialogs. It is the sibling of the
// window system's Backend (user/user_internal.h), and both are chosen in one
// place, user/display_choice.cpp: here the test mode's stand-ins when it is
// on, else the real system. Choosing it never starts a display, so asking the
// clock stays cheap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/portable/windows.h"

#define ERROR_INVALID_HANDLE 6L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_MORE_DATA 234L
#define REG_DWORD 4

struct Dialog;  // platform/portable/dialog/dialog_internal.h

namespace portable {

class SystemBackend {
public:
    virtual ~SystemBackend() = default;

    // Milliseconds behind GetTickCount and the timers; never runs backwards.
    virtual std::uint64_t clock_ms() = 0;
    virtual void sleep_ms(DWORD ms) = 0;
    // The platform family GetVersionExA reports (VER_PLATFORM_WIN32_*).
    virtual DWORD platform_id() = 0;
    // The AC line status for GetSystemPowerStatus; false when that call fails.
    virtual bool power_status(BYTE* acLineStatus) = 0;

    // The module functions once the arguments every system rejects alike are
    // checked (a null name or module). Each sets the last error on failure.
    virtual HMODULE load_library(const char* name) = 0;
    virtual HMODULE module_handle(const char* name) = 0;
    virtual FARPROC proc_address(HMODULE module, const char* name) = 0;
    virtual BOOL free_library(HMODULE module) = 0;

    // The registry functions; reg_open gets a result already set to null.
    virtual LSTATUS reg_open(HKEY key, const char* subKey, HKEY* result) = 0;
    virtual LSTATUS reg_query(HKEY key, const char* valueName, DWORD* type, BYTE* data,
                              DWORD* dataSize) = 0;
    virtual LSTATUS reg_close(HKEY key) = 0;

    virtual HWND desktop_window() = 0;
    // Pixel memory that the display shows without a copy; nullptr when there
    // is none, and the caller takes ordinary memory.
    virtual std::uint32_t* alloc_shared_pixels(std::size_t count) = 0;
    // Why no display can be reached, in words; empty when one can (or none is
    // needed).
    virtual std::string display_unreachable_reason() = 0;

    // Modal dialogs: whether they can be shown at all, giving a built dialog
    // its face, and running it after its procedure and the test script had
    // their turn and left it open.
    virtual bool dialogs_available() = 0;
    virtual void build_dialog(Dialog& dialog) = 0;
    virtual void run_dialog(Dialog& dialog) = 0;
    virtual int message_box(HWND owner, const std::u16string& text, const std::u16string& caption,
                            UINT type) = 0;
};

// The test mode's system when it is on, else the real one.
SystemBackend& system_backend();
SystemBackend& real_system();
SystemBackend& null_system();

}  // namespace portable
