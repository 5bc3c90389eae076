// The real system behind the portable platform, the same with a display and
// without one: the monotonic clock, an NT-family version, the power supply as
// the kernel reports it, no loadable modules and no registry (nothing off
// Windows offers the password or input-method modules the saver looks for),
// the display's desktop window and shared pixel memory (display_choice.h),
// and GTK dialogs.
#include "platform/portable/dialog/dialog_internal.h"
#include "platform/portable/system_backend.h"
#include "platform/portable/user/display_choice.h"
#include "platform/portable/user/user_internal.h"

namespace portable {
namespace {

class RealSystem final : public SystemBackend {
public:
    std::uint64_t clock_ms() override { return monotonic_ms(); }
    void sleep_ms(DWORD ms) override { sleep_real(ms); }
    DWORD platform_id() override { return VER_PLATFORM_WIN32_NT; }
    bool power_status(BYTE* acLineStatus) override {
        *acLineStatus = mains_line_status();
        return true;
    }

    HMODULE load_library(const char*) override { return no_module(); }
    HMODULE module_handle(const char*) override { return no_module(); }
    FARPROC proc_address(HMODULE, const char*) override {
        set_last_error(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    BOOL free_library(HMODULE) override {
        set_last_error(ERROR_INVALID_HANDLE);
        return FALSE;
    }

    LSTATUS reg_open(HKEY, const char*, HKEY*) override { return ERROR_FILE_NOT_FOUND; }
    // No key is ever open.
    LSTATUS reg_query(HKEY, const char*, DWORD*, BYTE*, DWORD*) override {
        return ERROR_INVALID_HANDLE;
    }
    LSTATUS reg_close(HKEY) override { return ERROR_INVALID_HANDLE; }

    HWND desktop_window() override { return display_desktop_window(); }
    std::uint32_t* alloc_shared_pixels(std::size_t count) override {
        return display_alloc_shared(count);
    }
    std::string display_unreachable_reason() override {
        return portable::display_unreachable_reason();
    }

    bool dialogs_available() override { return gtk_available(); }
    void build_dialog(Dialog& dialog) override { gtk_build_dialog(dialog); }
    void run_dialog(Dialog& dialog) override { gtk_run_dialog(dialog); }
    int message_box(HWND owner, const std::u16string& text, const std::u16string& caption,
                    UINT type) override {
        if (!gtk_available()) return 0;
        // The owning dialog takes no input while the box is up.
        Dialog* ownerDialog = find_dialog(owner);
        if (ownerDialog) ownerDialog->enabled = false;
        const int answer = gtk_message_box(owner, text, caption, type);
        if (ownerDialog) ownerDialog->enabled = true;
        return answer;
    }

private:
    static HMODULE no_module() {
        set_last_error(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
};

}  // namespace

SystemBackend& real_system() {
    static RealSystem s;
    return s;
}

}  // namespace portable
