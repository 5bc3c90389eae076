// One saver run: the two window geometries, the single-instance check, the
// order of loading the verifier and the running state around the loop.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "host/host_fixture.h"
#include "host/saver_host.h"

namespace {

using hosttest::as_entry;

BOOL WINAPI accept_all(HWND) {
    return TRUE;
}

// A fake input-method module, already loaded into the process: its entry is
// called at window creation, which lets a test see the state at that moment
// and queue input for the new window.
struct FakeImm {
    static inline HWND created = nullptr;
    static inline size_t runningChangesAtCreation = 0;
    static inline std::vector<UINT> inputAfterCreation;
    static inline int calls = 0;
    static inline HIMC lastContext = nullptr;

    static HIMC WINAPI associate(HWND window, HIMC context) {
        ++calls;
        lastContext = context;
        if (!created) {
            created = window;
            runningChangesAtCreation = nullmode::system_parameter_calls().size();
            for (UINT message : inputAfterCreation) PostMessageA(window, message, 0, 0);
        }
        return reinterpret_cast<HIMC>(static_cast<ULONG_PTR>(0x77));
    }
    static void install() {
        created = nullptr;
        runningChangesAtCreation = 0;
        calls = 0;
        lastContext = nullptr;
        nullmode::add_library("IMM32.DLL", {{"ImmAssociateContext", as_entry(&associate)}}, true);
    }
};

class RunSaverWindowTest : public hosttest::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        FakeImm::inputAfterCreation.clear();
        FakeImm::install();
    }
    static RECT window_rect(HWND window) {
        RECT r{};
        GetWindowRect(window, &r);
        return r;
    }
    static void use_9x_with_password() {
        SaverHostState.win9xFamily = true;
        nullmode::set_registry_dword("Control Panel\\Desktop", "ScreenSaveUsePassword", 1);
        nullmode::add_library("PASSWORD.CPL", {{"VerifyScreenSavePwd", as_entry(&accept_all)}},
                              false);
    }
};

TEST_F(RunSaverWindowTest, FullScreenCoversTheVirtualScreenAndComesToTheFront) {
    nullmode::set_virtual_screen(-1280, -24, 3200, 1104);
    PostQuitMessage(5);
    EXPECT_EQ(RunSaverWindow(nullptr), 5);
    const HWND saver = SaverHostState.saverWindow;
    ASSERT_NE(saver, nullptr);
    const RECT r = window_rect(saver);
    EXPECT_EQ(r.left, -1280);
    EXPECT_EQ(r.top, -24);
    EXPECT_EQ(r.right - r.left, 3200);
    EXPECT_EQ(r.bottom - r.top, 1104);
    EXPECT_EQ(GetForegroundWindow(), saver);
    EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", "Screen Saver"), saver);
    EXPECT_EQ(GetParent(saver), nullptr);
    EXPECT_FALSE(SaverHostState.previewMode);
}

TEST_F(RunSaverWindowTest, WithoutAVirtualScreenTheScreenClipBoxIsCovered) {
    nullmode::set_screen_size(1024, 768);
    nullmode::set_virtual_screen(0, 0, 0, 768);
    PostQuitMessage(0);
    RunSaverWindow(nullptr);
    const RECT r = window_rect(SaverHostState.saverWindow);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 1024);
    EXPECT_EQ(r.bottom, 768);
}

TEST_F(RunSaverWindowTest, PreviewFillsTheParentAndStaysInTheBackground) {
    const HWND parent = nullmode::create_foreign_window(152, 112);
    const HWND before = GetForegroundWindow();
    SaverHostState.win9xFamily = true;
    nullmode::set_registry_dword("Control Panel\\Desktop", "ScreenSaveUsePassword", 1);
    PostQuitMessage(0);
    EXPECT_EQ(RunSaverWindow(parent), 0);
    const HWND saver = SaverHostState.saverWindow;
    ASSERT_NE(saver, nullptr);
    EXPECT_TRUE(SaverHostState.previewMode);
    EXPECT_EQ(GetParent(saver), parent);
    RECT client{};
    GetClientRect(saver, &client);
    EXPECT_EQ(client.right, 152);
    EXPECT_EQ(client.bottom, 112);
    EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", "Preview"), saver);
    EXPECT_EQ(GetForegroundWindow(), before);
    // No single-instance check, no registry, no verifier, no running state...
    EXPECT_EQ(nullmode::registry_open_count(), 0);
    EXPECT_TRUE(nullmode::loaded_libraries().empty());
    EXPECT_TRUE(nullmode::system_parameter_calls().empty());
    EXPECT_EQ(SaverHostState.lastAcLineStatus, 255);
    // ...but the AutoPlay query is registered in the 9x family.
    EXPECT_EQ(SaverHostState.autoPlayQueryMessage, RegisterWindowMessageA("QueryCancelAutoPlay"));
}

TEST_F(RunSaverWindowTest, SecondFullScreenSaverRaisesTheFirstAndCreatesNothing) {
    use_9x_with_password();
    const HWND other =
        nullmode::create_foreign_window(800, 600, "WindowsScreenSaverClass", "Screen Saver");
    EXPECT_EQ(RunSaverWindow(nullptr), 0);
    EXPECT_EQ(GetForegroundWindow(), other);
    EXPECT_EQ(SaverHostState.saverWindow, nullptr);
    EXPECT_EQ(FakeImm::created, nullptr);
    EXPECT_EQ(nullmode::registry_open_count(), 0);
    EXPECT_TRUE(nullmode::loaded_libraries().empty());
    EXPECT_TRUE(nullmode::system_parameter_calls().empty());
}

TEST_F(RunSaverWindowTest, PowerStatusIsNotedForFullScreen) {
    nullmode::set_power_status(true, 0);
    PostQuitMessage(0);
    RunSaverWindow(nullptr);
    EXPECT_EQ(SaverHostState.lastAcLineStatus, 0);

    start_afresh();
    SaverHostState.lastAcLineStatus = 1;
    nullmode::set_power_status(false, 0);
    PostQuitMessage(0);
    RunSaverWindow(nullptr);
    EXPECT_EQ(SaverHostState.lastAcLineStatus, 255);
}

TEST_F(RunSaverWindowTest, OutsideThe9xFamilyNoAutoPlayQueryAndNoVerifier) {
    nullmode::set_registry_dword("Control Panel\\Desktop", "ScreenSaveUsePassword", 1);
    PostQuitMessage(0);
    RunSaverWindow(nullptr);
    EXPECT_EQ(SaverHostState.autoPlayQueryMessage, 0u);
    EXPECT_EQ(nullmode::registry_open_count(), 0);
    EXPECT_TRUE(nullmode::system_parameter_calls().empty());
}

TEST_F(RunSaverWindowTest, RunningStateIsSetBeforeTheWindowAndClearedAfterTheLoop) {
    use_9x_with_password();
    // A key press right after creation: the whole close path runs through the
    // loop, the prompt (which accepts) and the destruction.
    FakeImm::inputAfterCreation = {WM_KEYDOWN};
    EXPECT_EQ(RunSaverWindow(nullptr), 0);
    ASSERT_NE(FakeImm::created, nullptr);
    EXPECT_EQ(FakeImm::runningChangesAtCreation, 1u);
    const auto calls = nullmode::system_parameter_calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].param, 1u);
    EXPECT_EQ(calls[1].param, 0u);
    EXPECT_TRUE(SaverHostState.closeApproved);
    EXPECT_FALSE(IsWindow(FakeImm::created));
    EXPECT_EQ(SaverHostState.verifierModule, nullptr);
    EXPECT_EQ(nullmode::freed_libraries(), (std::vector<std::string>{"PASSWORD.CPL"}));
}

TEST_F(RunSaverWindowTest, KeyPressEndsANormalRunWithZero) {
    FakeImm::inputAfterCreation = {WM_KEYDOWN};
    EXPECT_EQ(RunSaverWindow(nullptr), 0);
    EXPECT_FALSE(IsWindow(FakeImm::created));
    EXPECT_EQ(nullmode::stall_count(), 0) << "the loop ended at the quit message";
    // The input context taken at creation is given back at destruction.
    EXPECT_EQ(FakeImm::calls, 2);
    EXPECT_EQ(FakeImm::lastContext, reinterpret_cast<HIMC>(static_cast<ULONG_PTR>(0x77)));
}

TEST_F(RunSaverWindowTest, PreviewWhoseParentWentAwayIsReportedAsMissing) {
    const HWND parent = nullmode::create_foreign_window(152, 112);
    nullmode::destroy_foreign_window(parent);
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunSaverWindow(parent), -1);
    const std::string said = testing::internal::GetCapturedStderr();
    const std::string id = std::to_string(reinterpret_cast<ULONG_PTR>(parent));
    EXPECT_EQ(said.rfind("nuvex: no window " + id + " on display", 0), 0u) << said;
    EXPECT_EQ(SaverHostState.saverWindow, nullptr);
}

// A run that made no window is a failure, said in one line, not a success.
TEST_F(RunSaverWindowTest, ClassRegistrationFailureIsReportedAndUnloadsTheVerifier) {
    use_9x_with_password();
    WNDCLASSA taken{};
    taken.lpfnWndProc = DefWindowProcA;
    taken.lpszClassName = "WindowsScreenSaverClass";
    ASSERT_NE(RegisterClassA(&taken), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunSaverWindow(nullptr), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "nuvex: cannot make the saver window\n");
    EXPECT_EQ(SaverHostState.saverWindow, nullptr);
    const auto calls = nullmode::system_parameter_calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].param, 0u);
    EXPECT_EQ(SaverHostState.verifierModule, nullptr);
}

}  // namespace
