// Shared set-up of the host and driver tests: the window system's test mode,
// a fresh host record, a private settings folder, and helpers that make fake
// system entry points and read back what the saver did.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/saver_window.h"
#include "host/host_state.h"
#include "host/saver_host.h"
#include "platform/portable/nullmode/null_mode.h"
#include "platform/win32.h"
#include "scene/sea_scene.h"

namespace hosttest {

// Settings are read from a folder of our own, never from the user's.
inline void use_private_settings_folder() {
    static const bool done = [] {
        char pattern[] = "/tmp/nuvex-host-test-XXXXXX";
        const char* folder = mkdtemp(pattern);
        if (folder) setenv("XDG_CONFIG_HOME", folder, 1);
        return true;
    }();
    (void)done;
}

template <typename Function>
FARPROC as_entry(Function* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

inline int count_posted(HWND window, UINT message) {
    int n = 0;
    for (const auto& m : nullmode::posted()) {
        if (m.hwnd == window && m.message == message) ++n;
    }
    return n;
}

inline int count_default_calls(UINT message) {
    int n = 0;
    for (const auto& m : nullmode::default_calls()) {
        if (m.message == message) ++n;
    }
    return n;
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        use_private_settings_folder();
        nullmode::enable();
        SaverHostState = SaverHostRecord{};
        SetSaverDefaultProc(DefaultSaverProc);  // as a saver run wires them
    }
    // Each test leaves the animation as a fresh program has it: a saver
    // window is made once per process, and its surfaces are released here
    // while the platform still knows them.
    void TearDown() override { start_afresh(); }

    static void start_afresh() {
        release_frame_bitmap(frame_bitmap, frame_surface);
        std::destroy_at(&scene);
        std::construct_at(&scene);
        nullmode::reset();
        SaverHostState = SaverHostRecord{};
    }

    // A window whose own procedure is `proc`: lets the host's procedures run
    // against a real window of the test mode without the animation behind them.
    static HWND make_window(WNDPROC proc, HWND parent = nullptr) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = proc;
        windowClass.lpszClassName = "NuvexHostTestWindow";
        RegisterClassA(&windowClass);
        const DWORD style = parent ? (WS_CHILD | WS_VISIBLE) : (WS_POPUP | WS_VISIBLE);
        return CreateWindowExA(0, "NuvexHostTestWindow", "host test", style, 0, 0, 640, 480, parent,
                               nullptr, nullptr, nullptr);
    }
};

}  // namespace hosttest
