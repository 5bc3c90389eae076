// The window system when no display can be opened: no windows can be made,
// but time, timers and sleeping follow the real clock, so a program that only
// counts time still works.
#include "platform/portable/user/user_internal.h"

namespace portable {
namespace {

class HeadlessBackend final : public Backend {
public:
    bool create_native(Window&, HWND) override { return false; }
    void destroy_native(Window&) override {}
    void show_native(Window&, bool) override {}
    void set_native_title(Window&) override {}
    void move_native(Window&, int, int) override {}
    bool wait(std::int64_t timeoutMs) override {
        if (timeoutMs < 0) {
            // Nothing outside can post to this thread; waiting would never end.
            return false;
        }
        if (timeoutMs > 0) {
            sleep_real(static_cast<DWORD>(timeoutMs));
        }
        return true;
    }
    void present(Window&, int, int, int, int, const std::uint32_t*, int) override {}
    RECT primary_screen() override { return RECT{0, 0, 0, 0}; }
    RECT virtual_screen() override { return RECT{0, 0, 0, 0}; }
    bool cursor_pos(POINT* p) override {
        *p = POINT{0, 0};
        return false;
    }
    void show_cursor(bool) override {}
    bool foreign_exists(HWND) override { return false; }
    bool foreign_rect(HWND, RECT*, RECT*) override { return false; }
    HWND find_foreign(const char*, const char*) override { return nullptr; }
    bool raise(Window* own, HWND) override { return own != nullptr; }
    bool post_foreign(HWND, UINT, WPARAM, LPARAM) override { return false; }
    bool makes_windows() override { return false; }
    bool shift_held() override { return false; }
};

}  // namespace

Backend& headless_backend() {
    static HeadlessBackend b;
    return b;
}

}  // namespace portable
