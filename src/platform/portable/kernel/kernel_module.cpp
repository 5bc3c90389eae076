// Loadable modules and the registry. The arguments every system rejects are
// checked here; what a module or key holds is the system backend's to say
// (the real system has neither, the test mode stands in fakes for both).
#include "platform/portable/system_backend.h"
#include "platform/portable/user/user_internal.h"

namespace portable {
namespace {

// The program's own module handle: any stable non-null value.
int ownModuleTag;

}  // namespace
}  // namespace portable

HMODULE LoadLibraryA(LPCSTR name) {
    if (!name) {
        portable::set_last_error(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return portable::system_backend().load_library(name);
}

HMODULE GetModuleHandleA(LPCSTR name) {
    if (!name) {
        return reinterpret_cast<HMODULE>(&portable::ownModuleTag);
    }
    return portable::system_backend().module_handle(name);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (!module || !name || IS_INTRESOURCE(name)) {
        portable::set_last_error(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return portable::system_backend().proc_address(module, name);
}

BOOL FreeLibrary(HMODULE module) {
    if (!module) {
        portable::set_last_error(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return portable::system_backend().free_library(module);
}

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result) {
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    return portable::system_backend().reg_open(key, subKey, result);
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize) {
    return portable::system_backend().reg_query(key, valueName, type, data, dataSize);
}

LSTATUS RegCloseKey(HKEY key) {
    return portable::system_backend().reg_close(key);
}
