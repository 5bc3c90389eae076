// The saver class procedure, row by row: what it answers itself, what it
// shields, and what it forwards to the animation and the default behaviour.
#include <gtest/gtest.h>

#include "app/saver_window.h"
#include "host/host_fixture.h"
#include "host/saver_host.h"

namespace {

using hosttest::as_entry;
using hosttest::count_default_calls;
using hosttest::count_posted;

struct FakeImm {
    static inline std::vector<std::pair<HWND, HIMC>> calls;
    static inline HIMC previous = nullptr;
    static HIMC WINAPI associate(HWND window, HIMC context) {
        calls.emplace_back(window, context);
        return previous;
    }
};

class SaverClassProcTest : public hosttest::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        FakeImm::calls.clear();
        FakeImm::previous = nullptr;
    }
    HWND make_saver(bool preview) {
        WNDCLASSA saverClass{};
        saverClass.lpfnWndProc = SaverClassProc;
        saverClass.lpszClassName = "WindowsScreenSaverClass";
        RegisterClassA(&saverClass);
        SaverHostState.previewMode = preview;
        parent = preview ? nullmode::create_foreign_window(200, 150) : nullptr;
        const HWND window = CreateWindowExA(
            0, "WindowsScreenSaverClass", preview ? "Preview" : "Screen Saver",
            preview ? (WS_CHILD | WS_VISIBLE) : (WS_POPUP | WS_VISIBLE), 0, 0, preview ? 200 : 320,
            preview ? 150 : 240, parent, nullptr, nullptr, nullptr);
        EXPECT_NE(window, nullptr);
        return window;
    }
    HWND parent = nullptr;
};

TEST_F(SaverClassProcTest, CreationRecordsTheCursorAndHidesItOnlyFullScreen) {
    nullmode::set_cursor({640, 360});
    make_saver(false);
    EXPECT_EQ(SaverHostState.recordedCursor.x, 640);
    EXPECT_EQ(SaverHostState.recordedCursor.y, 360);
    ASSERT_FALSE(nullmode::cursor_changes().empty());
    EXPECT_EQ(nullmode::cursor_changes().front(), nullptr);
    EXPECT_EQ(nullmode::present_count(), 1) << "the driver painted during creation";

    start_afresh();
    nullmode::set_cursor({10, 20});
    make_saver(true);
    EXPECT_EQ(SaverHostState.recordedCursor.x, 10);
    EXPECT_TRUE(nullmode::cursor_changes().empty());
}

TEST_F(SaverClassProcTest, InputContextIsDetachedAtCreationAndRestoredAtDestruction) {
    FakeImm::previous = reinterpret_cast<HIMC>(static_cast<ULONG_PTR>(0x1234));
    nullmode::add_library("IMM32.DLL", {{"ImmAssociateContext", as_entry(&FakeImm::associate)}},
                          true);
    const HWND window = make_saver(false);
    ASSERT_EQ(FakeImm::calls.size(), 1u);
    EXPECT_EQ(FakeImm::calls[0].first, window);
    EXPECT_EQ(FakeImm::calls[0].second, nullptr);
    EXPECT_EQ(SaverHostState.savedInputContext, FakeImm::previous);
    EXPECT_TRUE(nullmode::loaded_libraries().empty()) << "IMM32 is never loaded by the saver";

    DestroyWindow(window);
    ASSERT_EQ(FakeImm::calls.size(), 2u);
    EXPECT_EQ(FakeImm::calls[1].second, FakeImm::previous);
}

TEST_F(SaverClassProcTest, NoContextToRestoreWhenNoneWasDetached) {
    nullmode::add_library("IMM32.DLL", {{"ImmAssociateContext", as_entry(&FakeImm::associate)}},
                          true);
    DestroyWindow(make_saver(false));
    EXPECT_EQ(FakeImm::calls.size(), 1u);
}

TEST_F(SaverClassProcTest, InputMethodModuleThatIsNotLoadedIsLeftAlone) {
    nullmode::add_library("IMM32.DLL", {{"ImmAssociateContext", as_entry(&FakeImm::associate)}},
                          false);
    DestroyWindow(make_saver(false));
    EXPECT_TRUE(FakeImm::calls.empty());
    EXPECT_EQ(SaverHostState.imeModule, nullptr);
    EXPECT_TRUE(nullmode::loaded_libraries().empty());
}

TEST_F(SaverClassProcTest, DestructionPostsQuitBeforeTheDriverDoes) {
    const HWND window = make_saver(false);
    DestroyWindow(window);
    int quits = 0;
    for (const auto& m : nullmode::posted()) {
        if (m.message == WM_QUIT) {
            ++quits;
            EXPECT_EQ(m.wParam, 0u);
        }
    }
    EXPECT_EQ(quits, 2);  // the class procedure's and the driver's
    MSG m{};
    EXPECT_FALSE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(m.wParam, 0u);
}

TEST_F(SaverClassProcTest, TitleNeverChanges) {
    const HWND window = make_saver(false);
    EXPECT_EQ(SaverClassProc(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("changed")), 0);
    EXPECT_EQ(count_default_calls(WM_SETTEXT), 0);
    EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", "Screen Saver"), window);
}

TEST_F(SaverClassProcTest, PaintingStopsOnceClosingIsApproved) {
    const HWND window = make_saver(false);
    const int presents = nullmode::present_count();
    const size_t cursorChanges = nullmode::cursor_changes().size();
    SaverClassProc(window, WM_PAINT, 0, 0);
    const int painted = nullmode::present_count();
    EXPECT_GT(painted, presents);  // the areas that changed
    EXPECT_EQ(nullmode::cursor_changes().size(), cursorChanges + 1) << "hidden again on paint";

    SaverHostState.closeApproved = true;
    SaverClassProc(window, WM_PAINT, 0, 0);
    EXPECT_EQ(nullmode::present_count(), painted);
    EXPECT_EQ(count_default_calls(WM_PAINT), 1);
}

TEST_F(SaverClassProcTest, PreviewHandsHelpAndContextMenuToItsParent) {
    const HWND window = make_saver(true);
    for (UINT message : {static_cast<UINT>(WM_HELP), static_cast<UINT>(WM_CONTEXTMENU)}) {
        EXPECT_EQ(SaverClassProc(window, message, reinterpret_cast<WPARAM>(window), 0x00500060), 1);
    }
    std::vector<nullmode::Message> toParent;
    for (const auto& m : nullmode::posted()) {
        if (m.hwnd == parent) toParent.push_back(m);
    }
    ASSERT_EQ(toParent.size(), 2u);
    EXPECT_EQ(toParent[0].message, static_cast<UINT>(WM_HELP));
    EXPECT_EQ(toParent[1].message, static_cast<UINT>(WM_CONTEXTMENU));
    for (const auto& m : toParent) {
        EXPECT_EQ(m.wParam, reinterpret_cast<WPARAM>(parent));
        EXPECT_EQ(m.lParam, 0x00500060);
    }
    EXPECT_EQ(count_default_calls(WM_HELP), 0);
}

TEST_F(SaverClassProcTest, InputGoesToTheDefaultHandlingOnceClosingIsApproved) {
    const HWND window = make_saver(false);
    SaverClassProc(window, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(count_posted(window, WM_CLOSE), 1) << "forwarded: the default behaviour closes";
    SaverHostState.closeApproved = true;
    for (UINT message : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN,
                         WM_MBUTTONDOWN}) {
        SaverClassProc(window, message, 0, 0);
    }
    EXPECT_EQ(count_posted(window, WM_CLOSE), 1);
    EXPECT_EQ(count_default_calls(WM_KEYDOWN), 2);
    EXPECT_EQ(count_default_calls(WM_MBUTTONDOWN), 1);
}

TEST_F(SaverClassProcTest, TimerMessagesAreDroppedOnceClosingIsApproved) {
    const HWND window = make_saver(false);
    SaverClassProc(window, WM_TIMER, 7, 0);
    EXPECT_EQ(count_default_calls(WM_TIMER), 1);
    SaverHostState.closeApproved = true;
    EXPECT_EQ(SaverClassProc(window, WM_TIMER, 7, 0), 0);
    EXPECT_EQ(count_default_calls(WM_TIMER), 1);
}

TEST_F(SaverClassProcTest, SystemCommandsThatWouldSwitchAwayAreShielded) {
    const HWND window = make_saver(false);
    for (WPARAM command : {SC_NEXTWINDOW, SC_PREVWINDOW, SC_SCREENSAVE}) {
        EXPECT_EQ(SaverClassProc(window, WM_SYSCOMMAND, command, 0), 0);
    }
    EXPECT_EQ(count_default_calls(WM_SYSCOMMAND), 0);
    EXPECT_EQ(count_posted(window, WM_CLOSE), 0);

    // Compared whole: a command with its low bits set is not shielded.
    SaverClassProc(window, WM_SYSCOMMAND, SC_SCREENSAVE + 2, 0);
    EXPECT_EQ(count_default_calls(WM_SYSCOMMAND), 1);

    SaverClassProc(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
    EXPECT_EQ(count_posted(window, WM_CLOSE), 1);
    EXPECT_EQ(count_default_calls(WM_SYSCOMMAND), 2) << "and still forwarded";

    SaverClassProc(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(count_default_calls(WM_SYSCOMMAND), 3);
}

TEST_F(SaverClassProcTest, PreviewForwardsEverySystemCommand) {
    const HWND window = make_saver(true);
    SaverClassProc(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    SaverClassProc(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
    EXPECT_EQ(count_default_calls(WM_SYSCOMMAND), 2);
    EXPECT_EQ(count_posted(window, WM_CLOSE), 0);
}

TEST(SaverHostRecord, FreshRecordHasItsInitialValues) {
    const SaverHostRecord fresh;
    EXPECT_EQ(fresh.instance, nullptr);
    EXPECT_FALSE(fresh.win9xFamily);
    EXPECT_FALSE(fresh.previewMode);
    EXPECT_EQ(fresh.saverWindow, nullptr);
    EXPECT_EQ(fresh.autoPlayQueryMessage, 0u);
    EXPECT_EQ(fresh.lastAcLineStatus, 255);
    EXPECT_EQ(fresh.verifierModule, nullptr);
    EXPECT_EQ(fresh.verifierEntry, nullptr);
    EXPECT_FALSE(fresh.closeApproved);
    EXPECT_FALSE(fresh.verifyInProgress);
    EXPECT_EQ(fresh.lastVerifyTick, 0xFFFFFFFFu);
    EXPECT_EQ(fresh.recordedCursor.x, 0);
    EXPECT_EQ(fresh.recordedCursor.y, 0);
    EXPECT_EQ(fresh.mouseCloseThreshold, 4u);
    EXPECT_EQ(fresh.imeModule, nullptr);
    EXPECT_EQ(fresh.imeAssociate, nullptr);
    EXPECT_EQ(fresh.savedInputContext, nullptr);
}

}  // namespace
