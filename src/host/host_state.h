// The host's one process-wide record: the module, the platform family, the
// mode of the run, the password verifier, the close bookkeeping, the cursor
// reference, the power status and the input-method bookkeeping. The host's
// procedures are called by the platform one at a time on the GUI thread, so
// they meet only here.
#pragma once

#include "platform/win32.h"

// "VerifyScreenSavePwd": shows the system's password prompt owned by the
// window; nonzero when the password was accepted.
using VerifyScreenSavePwdEntry = BOOL(WINAPI*)(HWND window);
// "ImmAssociateContext": associates a context with the window and returns the
// one it had before.
using ImmAssociateContextEntry = HIMC(WINAPI*)(HWND window, HIMC context);

// An entry point looked up by name, in the type the host calls it with.
template <typename Entry>
Entry entry_point_cast(FARPROC address) {
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(address));
}

constexpr DWORD never_verified = 0xFFFFFFFFu;
constexpr BYTE unknown_ac_line_status = 255;

struct SaverHostRecord {
    HINSTANCE instance = nullptr;
    bool win9xFamily = false;
    bool previewMode = false;
    HWND saverWindow = nullptr;
    UINT autoPlayQueryMessage = 0;  // 0: not registered
    BYTE lastAcLineStatus = unknown_ac_line_status;
    HMODULE verifierModule = nullptr;
    VerifyScreenSavePwdEntry verifierEntry = nullptr;
    bool closeApproved = false;
    bool verifyInProgress = false;
    DWORD lastVerifyTick = never_verified;
    POINT recordedCursor = {0, 0};
    DWORD mouseCloseThreshold = 4;
    HMODULE imeModule = nullptr;
    ImmAssociateContextEntry imeAssociate = nullptr;
    HIMC savedInputContext = nullptr;
};

extern SaverHostRecord SaverHostState;
