// Loadable modules and the registry. Off Windows there are no system password
// or input-method modules and no registry: every lookup answers "absent". The
// test mode stands in fake modules and registry values for both.
#include <cctype>
#include <cstring>
#include <map>
#include <string>

#include "platform/portable/nullmode/null_mode_internal.h"
#include "platform/portable/user/user_internal.h"

#define ERROR_INVALID_HANDLE 6L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_MORE_DATA 234L
#define REG_DWORD 4

namespace portable {
namespace {

// The program's own module handle: any stable non-null value.
int ownModuleTag;

std::string base_name(const char* path) {
    std::string s(path ? path : "");
    std::size_t slash = s.find_last_of("\\/");
    return slash == std::string::npos ? s : s.substr(slash + 1);
}

HMODULE handle_of(nullstate::FakeLibrary& lib) {
    return reinterpret_cast<HMODULE>(&lib);
}

nullstate::FakeLibrary* library_of(HMODULE module, std::string* name = nullptr) {
    for (auto& [key, lib] : nullstate::state().libraries) {
        if (handle_of(lib) == module) {
            if (name) {
                *name = key;
            }
            return &lib;
        }
    }
    return nullptr;
}

struct OpenKeys {
    std::map<std::uintptr_t, std::string> keys;  // handle -> upper-cased subkey
    std::uintptr_t next = 0x1000;
};

OpenKeys& open_keys() {
    static OpenKeys k;
    return k;
}

}  // namespace

void registry_reset() {
    open_keys() = OpenKeys{};
}

}  // namespace portable

using portable::nullstate::state;
using portable::nullstate::upper;

HMODULE LoadLibraryA(LPCSTR name) {
    if (!name) {
        portable::set_last_error(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (portable::null_mode_on()) {
        state().loadedLibraries.emplace_back(name);
        auto& libs = state().libraries;
        auto it = libs.find(upper(portable::base_name(name)));
        if (it != libs.end()) {
            ++it->second.loadCount;
            return portable::handle_of(it->second);
        }
    }
    portable::set_last_error(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

HMODULE GetModuleHandleA(LPCSTR name) {
    if (!name) {
        return reinterpret_cast<HMODULE>(&portable::ownModuleTag);
    }
    if (portable::null_mode_on()) {
        auto& libs = state().libraries;
        auto it = libs.find(upper(portable::base_name(name)));
        if (it != libs.end() && (it->second.alreadyLoaded || it->second.loadCount > 0)) {
            return portable::handle_of(it->second);
        }
    }
    portable::set_last_error(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (!module || !name || IS_INTRESOURCE(name) || !portable::null_mode_on()) {
        portable::set_last_error(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    portable::nullstate::FakeLibrary* lib = portable::library_of(module);
    if (!lib) {
        portable::set_last_error(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto it = lib->entries.find(name);
    if (it == lib->entries.end() || !it->second) {
        portable::set_last_error(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return it->second;
}

BOOL FreeLibrary(HMODULE module) {
    if (!module || !portable::null_mode_on()) {
        portable::set_last_error(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::string name;
    portable::nullstate::FakeLibrary* lib = portable::library_of(module, &name);
    if (!lib) {
        portable::set_last_error(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (lib->loadCount > 0) {
        --lib->loadCount;
    }
    state().freedLibraries.push_back(name);
    return TRUE;
}

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result) {
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    if (!portable::null_mode_on()) {
        return ERROR_FILE_NOT_FOUND;
    }
    ++state().registryOpens;
    if (key != HKEY_CURRENT_USER || !subKey) {
        return ERROR_FILE_NOT_FOUND;
    }
    const std::string wanted = upper(subKey);
    for (auto& [name, values] : state().registry) {
        if (upper(name) == wanted) {
            auto& keys = portable::open_keys();
            const std::uintptr_t handle = keys.next++;
            keys.keys[handle] = wanted;
            *result = reinterpret_cast<HKEY>(handle);
            return ERROR_SUCCESS;
        }
    }
    return ERROR_FILE_NOT_FOUND;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize) {
    auto& keys = portable::open_keys().keys;
    auto k = keys.find(reinterpret_cast<std::uintptr_t>(key));
    if (!portable::null_mode_on() || k == keys.end()) {
        return ERROR_INVALID_HANDLE;
    }
    if (data && !dataSize) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::string wantedValue = upper(valueName ? valueName : "");
    for (auto& [name, values] : state().registry) {
        if (upper(name) != k->second) {
            continue;
        }
        for (auto& [value, dword] : values) {
            if (upper(value) != wantedValue) {
                continue;
            }
            if (type) {
                *type = REG_DWORD;
            }
            if (data) {
                if (*dataSize < sizeof(DWORD)) {
                    *dataSize = sizeof(DWORD);
                    return ERROR_MORE_DATA;
                }
                std::memcpy(data, &dword, sizeof(DWORD));
            }
            if (dataSize) {
                *dataSize = sizeof(DWORD);
            }
            return ERROR_SUCCESS;
        }
    }
    return ERROR_FILE_NOT_FOUND;
}

LSTATUS RegCloseKey(HKEY key) {
    auto& keys = portable::open_keys().keys;
    return keys.erase(reinterpret_cast<std::uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
