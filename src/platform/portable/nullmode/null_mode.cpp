// The test mode: a window system without a display. Windows exist only in the
// table, time is a counter that moves only when the program waits or sleeps,
// and everything the saver asks of the system is answered from settings that
// tests make and recorded so that tests can read it back.
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/portable/nullmode/null_mode_internal.h"
#include "platform/portable/system_backend.h"
#include "platform/portable/user/user_internal.h"

namespace portable {
namespace nullstate {

State& state() {
    static State s;
    return s;
}

std::string upper(const std::string& s) {
    std::string out = s;
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace nullstate

namespace {

bool& explicitly_enabled() {
    static bool on = false;
    return on;
}

bool environment_asks_for_null() {
    static const bool asked = [] {
        const char* v = std::getenv("NUVEX_VIDEO");
        return v && std::strcmp(v, "null") == 0;
    }();
    return asked;
}

struct ForeignInfo {
    std::string className;
    std::string title;
};

std::map<std::uint32_t, ForeignInfo>& foreign_info() {
    static std::map<std::uint32_t, ForeignInfo> info;
    return info;
}

class NullBackend final : public Backend {
public:
    bool create_native(Window& w, HWND foreignParent) override {
        return !foreignParent || find_window(foreignParent) || foreign_exists(foreignParent);
    }
    void destroy_native(Window&) override {}
    // A top-level window that is shown takes the keyboard at once, as a
    // window manager would give it.
    void show_native(Window& w, bool show) override {
        if (show && !(w.style & WS_CHILD)) {
            set_foreground_window(w.hwnd);
        }
    }
    void set_native_title(Window&) override {}
    void move_native(Window&, int, int) override {}
    bool wait(std::int64_t timeoutMs) override {
        if (timeoutMs < 0) {
            return false;
        }
        nullstate::state().ticks += static_cast<std::uint64_t>(timeoutMs);
        return true;
    }
    void present(Window&, int, int, int, int, const std::uint32_t*, int) override {}
    RECT primary_screen() override { return nullstate::state().screen; }
    RECT virtual_screen() override { return nullstate::state().virtualScreen; }
    bool cursor_pos(POINT* p) override {
        *p = nullstate::state().cursor;
        return true;
    }
    void show_cursor(bool show) override { nullstate::state().cursorShown = show; }
    bool foreign_exists(HWND hwnd) override {
        return nullstate::state().foreignWindows.count(handle_value(hwnd)) != 0;
    }
    bool foreign_rect(HWND hwnd, RECT* screen, RECT* client) override {
        auto& windows = nullstate::state().foreignWindows;
        auto it = windows.find(handle_value(hwnd));
        if (it == windows.end()) {
            return false;
        }
        *screen = RECT{0, 0, it->second.cx, it->second.cy};
        *client = *screen;
        return true;
    }
    HWND find_foreign(const char* className, const char* title) override {
        for (auto& [id, info] : foreign_info()) {
            if (!foreign_exists(handle_from(id)) || info.className.empty()) {
                continue;
            }
            if (className && nullstate::upper(className) != nullstate::upper(info.className)) {
                continue;
            }
            if (title && info.title != title) {
                continue;
            }
            return handle_from(id);
        }
        return nullptr;
    }
    bool raise(Window* own, HWND foreign) override { return own || foreign_exists(foreign); }
    bool post_foreign(HWND hwnd, UINT, WPARAM, LPARAM) override { return foreign_exists(hwnd); }
    bool makes_windows() override { return true; }
    bool shift_held() override { return false; }
};

}  // namespace

bool null_mode_on() {
    return explicitly_enabled() || environment_asks_for_null();
}

Backend& null_backend() {
    static NullBackend b;
    return b;
}

void record_post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (null_mode_on()) {
        nullstate::state().posted.push_back({hwnd, msg, wParam, lParam});
    }
}

void record_default_call(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (null_mode_on()) {
        nullstate::state().defaultCalls.push_back({hwnd, msg, wParam, lParam});
    }
}

void record_cursor_change(HCURSOR cursor) {
    if (null_mode_on()) {
        nullstate::state().cursorChanges.push_back(cursor);
    }
}

void record_present() {
    if (null_mode_on()) {
        ++nullstate::state().presents;
    }
}

void record_system_parameter(UINT action, UINT param) {
    if (null_mode_on()) {
        nullstate::state().systemParameterCalls.push_back({action, param});
    }
}

void record_stall() {
    if (null_mode_on()) {
        ++nullstate::state().stalls;
    }
}

}  // namespace portable

namespace nullmode {

using portable::nullstate::state;

void enable() {
    portable::explicitly_enabled() = true;
    reset();
}

bool enabled() {
    return portable::null_mode_on();
}

void reset() {
    portable::clear_windows();
    portable::queue_clear();
    portable::timers_clear();
    portable::window_state_reset();
    portable::nullstate::registry_reset();
    portable::foreign_info().clear();
    state() = portable::nullstate::State{};
}

void set_cursor(POINT position) {
    state().cursor = position;
}

void set_tick_count(DWORD ticks) {
    // The clock behind the count never runs backwards (timers are due on it):
    // a smaller count is reached by passing the next wrap of 32 bits.
    std::uint64_t& clock = state().ticks;
    std::uint64_t high = clock & ~std::uint64_t{0xFFFFFFFFu};
    if (ticks < static_cast<DWORD>(clock)) {
        high += std::uint64_t{1} << 32;
    }
    clock = high | ticks;
}

void advance_ticks(DWORD milliseconds) {
    state().ticks += milliseconds;
}

void set_power_status(bool callSucceeds, BYTE acLineStatus) {
    state().powerCallSucceeds = callSucceeds;
    state().acLineStatus = acLineStatus;
}

void set_platform_id(DWORD platformId) {
    state().platformId = platformId;
}

void set_screen_size(int width, int height) {
    state().screen = RECT{0, 0, width, height};
}

void set_virtual_screen(int x, int y, int width, int height) {
    state().virtualScreen = RECT{x, y, x + width, y + height};
}

void set_registry_dword(const std::string& subKey, const std::string& value, DWORD data) {
    state().registry[subKey][value] = data;
}

void add_library(const std::string& name, const std::map<std::string, FARPROC>& entries,
                 bool alreadyLoaded) {
    auto& lib = state().libraries[portable::nullstate::upper(name)];
    lib.entries = entries;
    lib.alreadyLoaded = alreadyLoaded;
}

HWND create_foreign_window(int width, int height, const std::string& className,
                           const std::string& title) {
    auto& s = state();
    const std::uint32_t id = s.nextForeign++;
    s.foreignWindows[id] = SIZE{width, height};
    portable::foreign_info()[id] = {className, title};
    return portable::handle_from(id);
}

void destroy_foreign_window(HWND hwnd) {
    state().foreignWindows.erase(portable::handle_value(hwnd));
    portable::foreign_info().erase(portable::handle_value(hwnd));
    // Windows made inside it go with it, as children do.
    for (HWND h : portable::window_handles()) {
        portable::Window* w = portable::find_window(h);
        if (w && w->created && w->parent == hwnd) {
            DestroyWindow(h);
        }
    }
}

void resize_foreign_window(HWND hwnd, int width, int height) {
    auto& windows = state().foreignWindows;
    auto it = windows.find(portable::handle_value(hwnd));
    if (it == windows.end()) {
        return;
    }
    it->second = SIZE{width, height};
    portable::follow_foreign_parent(hwnd);
}

void announce_display_change() {
    portable::announce_display_change();
}

std::vector<Message> posted() {
    return state().posted;
}

std::vector<HCURSOR> cursor_changes() {
    return state().cursorChanges;
}

std::vector<Message> default_calls() {
    return state().defaultCalls;
}

int present_count() {
    return state().presents;
}

std::vector<std::string> loaded_libraries() {
    return state().loadedLibraries;
}

std::vector<std::string> freed_libraries() {
    return state().freedLibraries;
}

std::vector<SystemParameterCall> system_parameter_calls() {
    return state().systemParameterCalls;
}

int registry_open_count() {
    return state().registryOpens;
}

int stall_count() {
    return state().stalls;
}

bool cursor_visible() {
    return state().cursorShown;
}

}  // namespace nullmode
