// When the saver closes: the close table, the mouse-move sum, the power table
// and the AutoPlay query, driven through the default behaviour alone.
#include <gtest/gtest.h>

#include "host/host_fixture.h"
#include "host/saver_host.h"

namespace {

using hosttest::count_default_calls;
using hosttest::count_posted;

class DefaultSaverProcTest : public hosttest::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        window = make_window(DefaultSaverProc);
        ASSERT_NE(window, nullptr);
    }
    int closes() const { return count_posted(window, WM_CLOSE); }
    HWND window = nullptr;
};

struct InputCase {
    const char* name;
    UINT message;
    WPARAM wParam;
    bool closes;
};

const InputCase input_cases[] = {
    {"key down", WM_KEYDOWN, 'A', true},
    {"system key down", WM_SYSKEYDOWN, 0x12 /* Alt */, true},
    {"key up", WM_KEYUP, 'A', false},
    {"character", WM_CHAR, 'a', false},
    {"left button down", WM_LBUTTONDOWN, 0, true},
    {"right button down", WM_RBUTTONDOWN, 0, true},
    {"middle button down", WM_MBUTTONDOWN, 0, true},
    {"left button up", WM_LBUTTONUP, 0, false},
    {"right button up", WM_RBUTTONUP, 0, false},
    {"middle button up", WM_MBUTTONUP, 0, false},
    {"left double click", WM_LBUTTONDBLCLK, 0, false},
    {"right double click", WM_RBUTTONDBLCLK, 0, false},
    {"middle double click", WM_MBUTTONDBLCLK, 0, false},
    {"another application activated", WM_ACTIVATEAPP, 0, true},
    {"this application activated", WM_ACTIVATEAPP, 1, false},
    {"critical resume", WM_POWER, PWR_CRITICALRESUME, true},
    {"other power notice", WM_POWER, 1, false},
    {"window shown", WM_SHOWWINDOW, 1, false},
    {"some other message", WM_SIZE, 0, false},
};

TEST_F(DefaultSaverProcTest, CloseTableDecidesWhichInputPostsACloseRequest) {
    for (const InputCase& c : input_cases) {
        SCOPED_TRACE(c.name);
        const int before = closes();
        const int defaultsBefore = count_default_calls(c.message);
        DefaultSaverProc(window, c.message, c.wParam, 0);
        EXPECT_EQ(closes() - before, c.closes ? 1 : 0);
        // Every row still ends in the default handling.
        EXPECT_EQ(count_default_calls(c.message) - defaultsBefore, 1);
        EXPECT_TRUE(IsWindow(window)) << "a close is only requested, never done at once";
    }
    for (const auto& m : nullmode::posted()) {
        if (m.message == WM_CLOSE) {
            EXPECT_EQ(m.wParam, 0u);
            EXPECT_EQ(m.lParam, 0);
        }
    }
}

TEST_F(DefaultSaverProcTest, CursorIsHiddenWhenShownAndOnEverySetCursor) {
    const size_t before = nullmode::cursor_changes().size();
    DefaultSaverProc(window, WM_SHOWWINDOW, 0, 0);  // being hidden: nothing to do
    EXPECT_EQ(nullmode::cursor_changes().size(), before);
    DefaultSaverProc(window, WM_SHOWWINDOW, 1, 0);
    ASSERT_EQ(nullmode::cursor_changes().size(), before + 1);
    EXPECT_EQ(nullmode::cursor_changes().back(), nullptr);

    EXPECT_EQ(DefaultSaverProc(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), 0), 1);
    EXPECT_EQ(nullmode::cursor_changes().size(), before + 2);
    EXPECT_EQ(count_default_calls(WM_SETCURSOR), 0) << "the cursor request is answered here";
}

TEST_F(DefaultSaverProcTest, PreviewNeverClosesOnInput) {
    SaverHostState.previewMode = true;
    const size_t cursorChanges = nullmode::cursor_changes().size();
    for (const InputCase& c : input_cases) DefaultSaverProc(window, c.message, c.wParam, 0);
    nullmode::set_cursor({500, 500});
    DefaultSaverProc(window, WM_MOUSEMOVE, 0, 0);
    DefaultSaverProc(window, WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0);
    EXPECT_EQ(closes(), 0);
    EXPECT_EQ(nullmode::cursor_changes().size(), cursorChanges);
}

TEST_F(DefaultSaverProcTest, NoInputClosesWhilePromptIsUpOrAfterApproval) {
    SaverHostState.verifyInProgress = true;
    DefaultSaverProc(window, WM_KEYDOWN, 'A', 0);
    DefaultSaverProc(window, WM_LBUTTONDOWN, 0, 0);
    SaverHostState.verifyInProgress = false;
    SaverHostState.closeApproved = true;
    DefaultSaverProc(window, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(closes(), 0);
    EXPECT_EQ(count_default_calls(WM_KEYDOWN), 2);
}

TEST_F(DefaultSaverProcTest, MouseMovesAddUpAgainstTheRecordedPosition) {
    SaverHostState.recordedCursor = {100, 100};

    // The first mouse message, without any movement, does not close.
    nullmode::set_cursor({100, 100});
    DefaultSaverProc(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(closes(), 0);

    // 4 pixels in one direction is not more than 4.
    nullmode::set_cursor({104, 100});
    DefaultSaverProc(window, WM_MOUSEMOVE, 0, MAKELPARAM(900, 900));
    EXPECT_EQ(closes(), 0);
    EXPECT_EQ(SaverHostState.recordedCursor.x, 100) << "a small move keeps the reference";

    // One more pixel in the same direction makes 5.
    nullmode::set_cursor({105, 100});
    DefaultSaverProc(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(closes(), 1);
    EXPECT_EQ(SaverHostState.recordedCursor.x, 105);
    EXPECT_EQ(SaverHostState.recordedCursor.y, 100);
}

TEST_F(DefaultSaverProcTest, MouseDistanceIsTheSumOfBothAxesInEitherDirection) {
    SaverHostState.recordedCursor = {100, 100};
    nullmode::set_cursor({103, 102});  // 3 + 2 = 5
    DefaultSaverProc(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(closes(), 1);

    SaverHostState.recordedCursor = {100, 100};
    nullmode::set_cursor({98, 98});  // 2 + 2 = 4
    DefaultSaverProc(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(closes(), 1);
    nullmode::set_cursor({97, 98});  // 3 + 2 = 5, both negative
    DefaultSaverProc(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(closes(), 2);

    // Far-apart coordinates do not overflow into a small distance.
    SaverHostState.recordedCursor = {-2000000000, 0};
    nullmode::set_cursor({2000000000, 0});
    DefaultSaverProc(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(closes(), 3);
}

TEST_F(DefaultSaverProcTest, PowerBroadcastTable) {
    struct PowerCase {
        WPARAM event;
        LPARAM flags;
        bool closes;
    };
    const PowerCase cases[] = {
        {0, 0, true},  {1, 0, true},  {2, 0, true},  {3, 0, true},      {4, 0, true},
        {5, 0, true},  {6, 0, true},  {6, 1, false}, {7, 0, true},      {7, 1, false},
        {8, 0, true},  {8, 3, false}, {18, 0, true}, {18, 1, false},    {9, 0, true},
        {11, 0, true}, {17, 1, true}, {19, 0, true}, {0x8013, 0, true},
    };
    for (const PowerCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "event " << c.event << " flags " << c.flags);
        const int before = closes();
        DefaultSaverProc(window, WM_POWERBROADCAST, c.event, c.flags);
        EXPECT_EQ(closes() - before, c.closes ? 1 : 0);
    }
    EXPECT_EQ(count_default_calls(WM_POWERBROADCAST), static_cast<int>(std::size(cases)));
}

TEST_F(DefaultSaverProcTest, PowerStatusChangeClosesOnlyWhenTheAcLineChanges) {
    SaverHostState.lastAcLineStatus = 1;
    nullmode::set_power_status(true, 1);
    DefaultSaverProc(window, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    EXPECT_EQ(closes(), 0);

    nullmode::set_power_status(true, 0);  // unplugged
    DefaultSaverProc(window, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    EXPECT_EQ(closes(), 1);
    EXPECT_EQ(SaverHostState.lastAcLineStatus, 0);

    // A failing status call counts as 255: a change from a real status...
    nullmode::set_power_status(false, 0);
    DefaultSaverProc(window, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    EXPECT_EQ(closes(), 2);
    EXPECT_EQ(SaverHostState.lastAcLineStatus, 255);
    // ...but not from 255 again.
    DefaultSaverProc(window, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    EXPECT_EQ(closes(), 2);
}

TEST_F(DefaultSaverProcTest, AutoPlayQueryClosesAndIsCancelledOnlyUnderAPassword) {
    const UINT query = RegisterWindowMessageA("QueryCancelAutoPlay");
    ASSERT_NE(query, 0u);

    // Not registered (outside the 9x family): just default handling.
    EXPECT_EQ(DefaultSaverProc(window, query, 0, 0), 0);
    EXPECT_EQ(closes(), 0);
    EXPECT_EQ(count_default_calls(query), 1);

    SaverHostState.autoPlayQueryMessage = query;
    EXPECT_EQ(DefaultSaverProc(window, query, 0, 0), 0);
    EXPECT_EQ(closes(), 1);

    SaverHostState.verifierEntry = [](HWND) -> BOOL { return TRUE; };
    EXPECT_EQ(DefaultSaverProc(window, query, 0, 0), 1);
    EXPECT_EQ(closes(), 2);

    // A preview answers it too.
    SaverHostState.previewMode = true;
    EXPECT_EQ(DefaultSaverProc(window, query, 0, 0), 1);
    EXPECT_EQ(closes(), 3);
    EXPECT_EQ(count_default_calls(query), 1) << "an answered query gets no default handling";

    // Message 0 never counts as the query, even when nothing was registered.
    SaverHostState.autoPlayQueryMessage = 0;
    DefaultSaverProc(window, WM_NULL, 0, 0);
    EXPECT_EQ(closes(), 3);
}

TEST_F(DefaultSaverProcTest, CloseRequestOutsideThe9xFamilyDestroysAtOnce) {
    EXPECT_EQ(DefaultSaverProc(window, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(SaverHostState.closeApproved) << "approval is only kept in the 9x family";
    EXPECT_EQ(count_default_calls(WM_CLOSE), 1);
}

TEST_F(DefaultSaverProcTest, VerifyRequestOutsideThe9xFamilyIsLeftToDefaultHandling) {
    SaverHostState.verifierEntry = [](HWND) -> BOOL { return FALSE; };
    DefaultSaverProc(window, WM_APP, 0, 0);
    EXPECT_EQ(count_default_calls(WM_APP), 1);
}

}  // namespace
