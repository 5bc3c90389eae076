// The test mode's system: a clock that is a counter, and a platform family,
// power supply, libraries and registry values as tests set them, with every
// library load and registry open recorded. There is no desktop window and no
// display memory, and dialogs have no face: the test script plays the user,
// and message boxes are recorded and answered IDOK.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/portable/dialog/dialog.h"
#include "platform/portable/dialog/dialog_internal.h"
#include "platform/portable/nullmode/null_mode_internal.h"
#include "platform/portable/system_backend.h"
#include "platform/portable/text/unicode_text.h"
#include "platform/portable/user/user_internal.h"

namespace portable {
namespace {

using nullstate::FakeLibrary;
using nullstate::state;
using nullstate::upper;

std::string base_name(const char* path) {
    std::string s(path ? path : "");
    std::size_t slash = s.find_last_of("\\/");
    return slash == std::string::npos ? s : s.substr(slash + 1);
}

HMODULE handle_of(FakeLibrary& lib) {
    return reinterpret_cast<HMODULE>(&lib);
}

FakeLibrary* library_of(HMODULE module, std::string* name = nullptr) {
    for (auto& [key, lib] : state().libraries) {
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

std::vector<dialogs::MessageBoxCall>& recorded_boxes() {
    static std::vector<dialogs::MessageBoxCall> boxes;
    return boxes;
}

class NullSystem final : public SystemBackend {
public:
    std::uint64_t clock_ms() override { return state().ticks; }
    void sleep_ms(DWORD ms) override {
        state().sleeps.push_back(ms);
        state().ticks += ms;
    }
    DWORD platform_id() override { return state().platformId; }
    bool power_status(BYTE* acLineStatus) override {
        if (!state().powerCallSucceeds) {
            return false;
        }
        *acLineStatus = state().acLineStatus;
        return true;
    }

    HMODULE load_library(const char* name) override {
        state().loadedLibraries.emplace_back(name);
        auto& libs = state().libraries;
        auto it = libs.find(upper(base_name(name)));
        if (it != libs.end()) {
            ++it->second.loadCount;
            return handle_of(it->second);
        }
        set_last_error(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    HMODULE module_handle(const char* name) override {
        auto& libs = state().libraries;
        auto it = libs.find(upper(base_name(name)));
        if (it != libs.end() && (it->second.alreadyLoaded || it->second.loadCount > 0)) {
            return handle_of(it->second);
        }
        set_last_error(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    FARPROC proc_address(HMODULE module, const char* name) override {
        FakeLibrary* lib = library_of(module);
        if (!lib) {
            set_last_error(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        auto it = lib->entries.find(name);
        if (it == lib->entries.end() || !it->second) {
            set_last_error(ERROR_PROC_NOT_FOUND);
            return nullptr;
        }
        return it->second;
    }
    BOOL free_library(HMODULE module) override {
        std::string name;
        FakeLibrary* lib = library_of(module, &name);
        if (!lib) {
            set_last_error(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (lib->loadCount > 0) {
            --lib->loadCount;
        }
        state().freedLibraries.push_back(name);
        return TRUE;
    }

    // Only HKEY_CURRENT_USER holds keys, and only DWORD values.
    LSTATUS reg_open(HKEY key, const char* subKey, HKEY* result) override {
        ++state().registryOpens;
        if (key != HKEY_CURRENT_USER || !subKey) {
            return ERROR_FILE_NOT_FOUND;
        }
        const std::string wanted = upper(subKey);
        for (auto& [name, values] : state().registry) {
            if (upper(name) == wanted) {
                auto& keys = open_keys();
                const std::uintptr_t handle = keys.next++;
                keys.keys[handle] = wanted;
                *result = reinterpret_cast<HKEY>(handle);
                return ERROR_SUCCESS;
            }
        }
        return ERROR_FILE_NOT_FOUND;
    }
    LSTATUS reg_query(HKEY key, const char* valueName, DWORD* type, BYTE* data,
                      DWORD* dataSize) override {
        auto& keys = open_keys().keys;
        auto k = keys.find(reinterpret_cast<std::uintptr_t>(key));
        if (k == keys.end()) {
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
    LSTATUS reg_close(HKEY key) override {
        auto& keys = open_keys().keys;
        return keys.erase(reinterpret_cast<std::uintptr_t>(key)) ? ERROR_SUCCESS
                                                                 : ERROR_INVALID_HANDLE;
    }

    HWND desktop_window() override { return nullptr; }
    std::uint32_t* alloc_shared_pixels(std::size_t) override { return nullptr; }
    // The stand-in display is always there.
    std::string display_unreachable_reason() override { return {}; }

    bool dialogs_available() override { return true; }
    void build_dialog(Dialog&) override {}
    // Nobody but the script could end it.
    void run_dialog(Dialog& dialog) override { dialog.result = -1; }
    int message_box(HWND owner, const std::u16string& text, const std::u16string& caption,
                    UINT type) override {
        recorded_boxes().push_back(
            {owner, utf16_to_acp(text), utf16_to_acp(caption), type, text, caption});
        return IDOK;
    }
};

}  // namespace

namespace nullstate {

void registry_reset() {
    open_keys() = OpenKeys{};
}

}  // namespace nullstate

SystemBackend& null_system() {
    static NullSystem s;
    return s;
}

}  // namespace portable

namespace dialogs {

std::vector<MessageBoxCall> message_boxes() {
    return portable::recorded_boxes();
}
void clear_message_boxes() {
    portable::recorded_boxes().clear();
}

}  // namespace dialogs
