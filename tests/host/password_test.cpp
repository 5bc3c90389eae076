// The Windows 9x password paths, with fake system entries: the prompt on a
// close request and its debounce, loading the verifier, and the password
// change.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host_fixture.h"
#include "host/saver_host.h"

namespace {

using hosttest::as_entry;
using hosttest::count_default_calls;
using hosttest::count_posted;

// The system's prompt: takes some time, may see other messages meanwhile,
// and accepts or rejects.
struct FakePrompt {
    static inline int calls = 0;
    static inline BOOL answer = FALSE;
    static inline DWORD duration = 0;
    static inline HWND owner = nullptr;
    static inline bool inputDuringPrompt = false;

    static BOOL WINAPI verify(HWND window) {
        ++calls;
        owner = window;
        if (inputDuringPrompt) {
            // The prompt's own loop dispatches input and a queued close.
            DefaultSaverProc(window, WM_KEYDOWN, 'A', 0);
            DefaultSaverProc(window, WM_LBUTTONDOWN, 0, 0);
            EXPECT_EQ(DefaultSaverProc(window, WM_CLOSE, 0, 0), 0);
        }
        nullmode::advance_ticks(duration);
        return answer;
    }
    static void reset() {
        calls = 0;
        answer = FALSE;
        duration = 0;
        owner = nullptr;
        inputDuringPrompt = false;
    }
};

class PasswordPromptTest : public hosttest::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        FakePrompt::reset();
        SaverHostState.win9xFamily = true;
        SaverHostState.verifierEntry = &FakePrompt::verify;
        window = make_window(DefaultSaverProc);
        ASSERT_NE(window, nullptr);
    }
    LRESULT close() { return DefaultSaverProc(window, WM_CLOSE, 0, 0); }
    HWND window = nullptr;
};

TEST_F(PasswordPromptTest, AcceptedPasswordApprovesAndDestroys) {
    FakePrompt::answer = TRUE;
    close();
    EXPECT_EQ(FakePrompt::calls, 1);
    EXPECT_EQ(FakePrompt::owner, window);
    EXPECT_TRUE(SaverHostState.closeApproved);
    EXPECT_FALSE(SaverHostState.verifyInProgress);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(PasswordPromptTest, AnyNonzeroAnswerCountsAsAccepted) {
    FakePrompt::answer = 7;
    close();
    EXPECT_TRUE(SaverHostState.closeApproved);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(PasswordPromptTest, RejectedPasswordKeepsTheSaverRunning) {
    nullmode::set_tick_count(5000);
    FakePrompt::duration = 1200;
    nullmode::set_cursor({321, 123});
    EXPECT_EQ(close(), 0);

    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(SaverHostState.closeApproved);
    EXPECT_FALSE(SaverHostState.verifyInProgress);
    EXPECT_EQ(SaverHostState.lastVerifyTick, 6200u) << "taken when the prompt ended";
    ASSERT_FALSE(nullmode::cursor_changes().empty());
    EXPECT_EQ(nullmode::cursor_changes().back(), nullptr);
    EXPECT_EQ(SaverHostState.recordedCursor.x, 321);
    EXPECT_EQ(SaverHostState.recordedCursor.y, 123);
    EXPECT_EQ(count_default_calls(WM_CLOSE), 0);
}

TEST_F(PasswordPromptTest, InputAndCloseRequestsAreIgnoredWhileThePromptIsUp) {
    FakePrompt::inputDuringPrompt = true;
    close();
    EXPECT_EQ(FakePrompt::calls, 1) << "the nested close request must not prompt again";
    EXPECT_EQ(count_posted(window, WM_CLOSE), 0);
}

TEST_F(PasswordPromptTest, CloseRequestsSoonAfterAPromptAreIgnored) {
    nullmode::set_tick_count(10000);
    FakePrompt::duration = 500;
    close();  // rejected; ended at 10500
    ASSERT_EQ(FakePrompt::calls, 1);

    nullmode::set_tick_count(10650);  // 150 ms after
    EXPECT_EQ(close(), 0);
    EXPECT_EQ(FakePrompt::calls, 1);
    EXPECT_TRUE(IsWindow(window));

    nullmode::set_tick_count(10750);  // 250 ms after
    FakePrompt::answer = TRUE;
    close();
    EXPECT_EQ(FakePrompt::calls, 2);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(PasswordPromptTest, DebounceSurvivesTheTickCountWrapping) {
    // The previous prompt ended 100 ms before the count wrapped.
    SaverHostState.lastVerifyTick = 0xFFFFFF9Cu;
    nullmode::set_tick_count(0xFFFFFFF0u);
    nullmode::set_tick_count(50);  // 150 ms later, after the wrap
    close();
    EXPECT_EQ(FakePrompt::calls, 0);

    nullmode::set_tick_count(150);  // 250 ms later
    close();
    EXPECT_EQ(FakePrompt::calls, 1);
}

TEST_F(PasswordPromptTest, PendingTimerMessagesAreDroppedTwoAtMost) {
    for (int i = 0; i < 3; ++i) PostMessageA(window, WM_TIMER, 5, 0);
    close();
    MSG m{};
    int left = 0;
    while (PeekMessageA(&m, window, WM_TIMER, WM_TIMER, PM_REMOVE)) ++left;
    EXPECT_EQ(left, 1);
}

TEST_F(PasswordPromptTest, WithoutAVerifierTheFirstCloseIsApproved) {
    SaverHostState.verifierEntry = nullptr;
    close();
    EXPECT_TRUE(SaverHostState.closeApproved);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(PasswordPromptTest, VerifyRequestRunsThePromptOrAnswersOneWithoutVerifier) {
    FakePrompt::answer = FALSE;
    EXPECT_EQ(DefaultSaverProc(window, WM_APP, 0, 0), 0);
    FakePrompt::answer = TRUE;
    EXPECT_EQ(DefaultSaverProc(window, WM_APP, 0, 0), 1);
    SaverHostState.verifierEntry = nullptr;
    EXPECT_EQ(DefaultSaverProc(window, WM_APP, 0, 0), 1);
    EXPECT_EQ(count_default_calls(WM_APP), 0);
}

// --- loading the verifier ---------------------------------------------------------

BOOL WINAPI accept_all(HWND) {
    return TRUE;
}

class VerifierLoadTest : public hosttest::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        SaverHostState.win9xFamily = true;
    }
    static void use_password(DWORD on) {
        nullmode::set_registry_dword("Control Panel\\Desktop", "ScreenSaveUsePassword", on);
    }
    static void install_verifier(bool withEntry) {
        std::map<std::string, FARPROC> entries;
        if (withEntry) entries["VerifyScreenSavePwd"] = as_entry(&accept_all);
        nullmode::add_library("PASSWORD.CPL", entries, false);
    }
    static std::vector<UINT> running_changes() {
        std::vector<UINT> changes;
        for (const auto& call : nullmode::system_parameter_calls()) {
            EXPECT_EQ(call.action, static_cast<UINT>(SPI_SCREENSAVERRUNNING));
            changes.push_back(call.param);
        }
        return changes;
    }
};

TEST_F(VerifierLoadTest, PasswordOnLoadsTheVerifierAndSetsTheRunningState) {
    use_password(1);
    install_verifier(true);
    LoadPasswordVerifier();
    EXPECT_NE(SaverHostState.verifierModule, nullptr);
    EXPECT_EQ(SaverHostState.verifierEntry, &accept_all);
    EXPECT_EQ(running_changes(), (std::vector<UINT>{1}));

    UnloadPasswordVerifier();
    EXPECT_EQ(SaverHostState.verifierModule, nullptr);
    EXPECT_EQ(SaverHostState.verifierEntry, nullptr);
    EXPECT_EQ(running_changes(), (std::vector<UINT>{1, 0}));
    EXPECT_EQ(nullmode::freed_libraries(), (std::vector<std::string>{"PASSWORD.CPL"}));
}

TEST_F(VerifierLoadTest, LoadingTwiceUnloadsTheFirstVerifier) {
    use_password(1);
    install_verifier(true);
    LoadPasswordVerifier();
    LoadPasswordVerifier();
    EXPECT_EQ(nullmode::loaded_libraries().size(), 2u);
    EXPECT_EQ(nullmode::freed_libraries().size(), 1u);
    EXPECT_EQ(running_changes(), (std::vector<UINT>{1, 0, 1}));
}

TEST_F(VerifierLoadTest, NoPasswordMeansNoVerifierAndNoRunningState) {
    struct Case {
        const char* name;
        bool setValue;
        DWORD value;
        bool library;
        bool entry;
    };
    const Case cases[] = {
        {"value missing", false, 0, true, true},
        {"value zero", true, 0, true, true},
        {"library missing", true, 1, false, false},
        {"entry missing", true, 1, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start_afresh();
        SaverHostState.win9xFamily = true;
        if (c.setValue) use_password(c.value);
        if (c.library) install_verifier(c.entry);
        LoadPasswordVerifier();
        EXPECT_EQ(SaverHostState.verifierModule, nullptr);
        EXPECT_EQ(SaverHostState.verifierEntry, nullptr);
        EXPECT_TRUE(running_changes().empty());
        // A library that was loaded without its entry is freed again.
        if (c.library) {
            EXPECT_EQ(nullmode::freed_libraries(), nullmode::loaded_libraries());
        } else {
            EXPECT_TRUE(nullmode::freed_libraries().empty());
        }
    }
}

TEST_F(VerifierLoadTest, NothingHappensOutsideThe9xFamily) {
    SaverHostState.win9xFamily = false;
    use_password(1);
    install_verifier(true);
    LoadPasswordVerifier();
    SetSaverRunning(true);
    EXPECT_EQ(nullmode::registry_open_count(), 0);
    EXPECT_TRUE(nullmode::loaded_libraries().empty());
    EXPECT_TRUE(running_changes().empty());
}

// --- password change ----------------------------------------------------------------

struct FakeRouter {
    static inline int calls = 0;
    static inline std::string provider;
    static inline HWND owner = nullptr;
    static inline DWORD reserved = 99;

    static DWORD WINAPI change(LPCSTR name, HWND window, DWORD first, DWORD second) {
        ++calls;
        provider = name ? name : "";
        owner = window;
        reserved = first | second;
        return 1;
    }
};

class PasswordChangeTest : public hosttest::HostTest {};

TEST_F(PasswordChangeTest, HandsTheRequestToTheScreenSaverProviderAndFreesTheRouter) {
    FakeRouter::calls = 0;
    nullmode::add_library("MPR.DLL", {{"PwdChangePasswordA", as_entry(&FakeRouter::change)}},
                          false);
    const HWND owner = nullmode::create_foreign_window(300, 200);
    ChangeSaverPassword(owner);
    EXPECT_EQ(FakeRouter::calls, 1);
    EXPECT_EQ(FakeRouter::provider, "SCRSAVE");
    EXPECT_EQ(FakeRouter::owner, owner);
    EXPECT_EQ(FakeRouter::reserved, 0u);
    EXPECT_EQ(nullmode::freed_libraries(), (std::vector<std::string>{"MPR.DLL"}));
}

TEST_F(PasswordChangeTest, MissingEntryStillFreesAndMissingRouterDoesNothing) {
    nullmode::add_library("MPR.DLL", {}, false);
    ChangeSaverPassword(nullptr);
    EXPECT_EQ(nullmode::freed_libraries(), (std::vector<std::string>{"MPR.DLL"}));

    nullmode::reset();
    ChangeSaverPassword(nullptr);
    EXPECT_EQ(nullmode::loaded_libraries(), (std::vector<std::string>{"MPR.DLL"}));
    EXPECT_TRUE(nullmode::freed_libraries().empty());
}

}  // namespace
