// The password-change mode: the system's own password-change dialog for the
// screen-saver provider. The saver keeps no password of its own.
#include "host/host_state.h"
#include "host/saver_host.h"
#include "platform/win32.h"

namespace {
using PwdChangePasswordEntry = DWORD(WINAPI*)(LPCSTR provider, HWND owner, DWORD reserved1,
                                              DWORD reserved2);
}

void ChangeSaverPassword(HWND owner) {
    const HMODULE router = LoadLibraryA("MPR.DLL");
    if (!router) return;
    const auto changePassword =
        entry_point_cast<PwdChangePasswordEntry>(GetProcAddress(router, "PwdChangePasswordA"));
    if (changePassword) changePassword("SCRSAVE", owner, 0, 0);  // result deliberately unused
    FreeLibrary(router);
}
