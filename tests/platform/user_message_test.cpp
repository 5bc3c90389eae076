// The message queue through the test mode: order of posted, paint and timer
// messages, timer callbacks, filters, sending, quitting and translation.
#include <gtest/gtest.h>

#include <vector>

#include "platform/portable/nullmode/null_mode.h"
#include "platform/portable/windows.h"

namespace {

struct Seen {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
};
std::vector<Seen> seen;
bool paintsValidate = true;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    seen.push_back({hwnd, msg, wParam});
    if (msg == WM_PAINT && paintsValidate) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

struct Tick {
    HWND hwnd;
    UINT_PTR id;
    DWORD time;
};
std::vector<Tick> ticks;
void CALLBACK TickProc(HWND hwnd, UINT, UINT_PTR id, DWORD time) {
    ticks.push_back({hwnd, id, time});
}

class MessageQueue : public ::testing::Test {
protected:
    void SetUp() override {
        nullmode::enable();
        seen.clear();
        ticks.clear();
        paintsValidate = true;
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "QueueTest";
        ASSERT_NE(RegisterClassA(&wc), 0);
        a = CreateWindowExA(0, "QueueTest", "A", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                            nullptr, nullptr, nullptr);
        b = CreateWindowExA(0, "QueueTest", "B", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                            nullptr, nullptr, nullptr);
        ASSERT_TRUE(a && b);
        // Both were just shown and wait for their first paint.
        MSG m{};
        for (HWND w : {a, b}) {
            ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
            ASSERT_EQ(m.message, static_cast<UINT>(WM_PAINT));
            ASSERT_EQ(m.hwnd, w);
            DispatchMessageA(&m);
        }
        seen.clear();
    }
    void TearDown() override { nullmode::reset(); }

    // Fetches and dispatches one message; returns its id.
    UINT pump_one() {
        MSG m{};
        EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
        TranslateMessage(&m);
        DispatchMessageA(&m);
        return m.message;
    }

    HWND a = nullptr;
    HWND b = nullptr;
};

TEST_F(MessageQueue, PostedComeBeforeQuitBeforePaintBeforeTimer) {
    SetTimer(a, 1, 33, nullptr);
    nullmode::advance_ticks(40);
    InvalidateRect(a, nullptr, FALSE);
    PostMessageA(a, WM_USER + 1, 0, 0);
    PostMessageA(b, WM_USER + 2, 0, 0);

    EXPECT_EQ(pump_one(), WM_USER + 1u);
    EXPECT_EQ(pump_one(), WM_USER + 2u);
    PostQuitMessage(3);
    PostMessageA(a, WM_USER + 3, 0, 0);
    EXPECT_EQ(pump_one(), WM_USER + 3u);  // posted after the quit, still first
    MSG m{};
    EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_EQ(pump_one(), static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(pump_one(), static_cast<UINT>(WM_TIMER));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().msg, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(seen.back().hwnd, a);
}

TEST_F(MessageQueue, PaintOnlyWhenInvalidatedAndCoalesced) {
    MSG m{};
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    InvalidateRect(a, nullptr, FALSE);
    InvalidateRect(a, nullptr, FALSE);
    EXPECT_EQ(pump_one(), static_cast<UINT>(WM_PAINT));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    // Invalidation without erase never erases; an exposure (erase asked once
    // among several) erases once, from BeginPaint, before the paint.
    auto erases = [this] {
        int n = 0;
        for (const Seen& s : seen) n += s.msg == WM_ERASEBKGND;
        return n;
    };
    EXPECT_EQ(erases(), 0);
    InvalidateRect(a, nullptr, FALSE);
    InvalidateRect(a, nullptr, TRUE);
    InvalidateRect(a, nullptr, FALSE);
    EXPECT_EQ(pump_one(), static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(erases(), 1);
    InvalidateRect(a, nullptr, FALSE);
    EXPECT_EQ(pump_one(), static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(erases(), 1);
}

TEST_F(MessageQueue, HiddenWindowsArePaintedOnlyOnceShown) {
    ShowWindow(a, SW_HIDE);
    InvalidateRect(a, nullptr, FALSE);
    MSG m{};
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(ShowWindow(a, SW_SHOW));
    EXPECT_EQ(pump_one(), static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(seen.back().hwnd, a);
}

TEST_F(MessageQueue, PaintStaysPendingUntilValidatedButNeverLoops) {
    InvalidateRect(a, nullptr, FALSE);
    MSG m{};
    // Removing the paint message does not validate the window.
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
    // A procedure that ignores the paint is not asked again and again.
    paintsValidate = false;
    DispatchMessageA(&m);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(MessageQueue, TimerCallbackRunsThroughDispatchAtRegularTicks) {
    nullmode::set_tick_count(1000);
    ASSERT_EQ(SetTimer(a, 1, 33, TickProc), 1u);
    for (int i = 0; i < 20000; ++i) {
        MSG m{};
        ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
        ASSERT_EQ(m.message, static_cast<UINT>(WM_TIMER));
        DispatchMessageA(&m);
    }
    ASSERT_EQ(ticks.size(), 20000u);
    EXPECT_EQ(ticks.front().time, 1033u);
    EXPECT_EQ(ticks.back().time, 1000u + 33u * 20000u);
    EXPECT_EQ(ticks.back().hwnd, a);
    EXPECT_EQ(ticks.back().id, 1u);
    // Callback timers never reach the window procedure.
    EXPECT_TRUE(seen.empty());

    EXPECT_TRUE(KillTimer(a, 1));
    EXPECT_FALSE(KillTimer(a, 1));
    MSG m{};
    EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
    EXPECT_NE(m.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(nullmode::stall_count(), 1);
}

TEST_F(MessageQueue, LateTimerDoesNotBurst) {
    SetTimer(a, 1, 33, TickProc);
    nullmode::advance_ticks(1000);
    MSG m{};
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, ForgedTimerMessageCallsNothing) {
    SetTimer(a, 1, 33, TickProc);
    MSG m{a, WM_TIMER, 1, reinterpret_cast<LPARAM>(&seen), 0, {0, 0}};
    EXPECT_EQ(DispatchMessageA(&m), 0);
    EXPECT_TRUE(ticks.empty());
}

TEST_F(MessageQueue, WindowTimersDieWithTheirWindow) {
    SetTimer(b, 9, 50, TickProc);
    DestroyWindow(b);
    MSG m{};
    nullmode::advance_ticks(100);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(KillTimer(b, 9));
}

TEST_F(MessageQueue, PeekFiltersByWindowAndRangeAndRemovesOnlyWhatItTakes) {
    SetTimer(a, 1, 33, TickProc);
    SetTimer(b, 2, 33, TickProc);
    nullmode::advance_ticks(33);
    PostMessageA(a, WM_USER, 0, 0);
    MSG m{};
    // The host's way of discarding pending timer messages of one window.
    ASSERT_TRUE(PeekMessageA(&m, b, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD));
    EXPECT_EQ(m.hwnd, b);
    EXPECT_EQ(m.wParam, 2u);
    EXPECT_FALSE(PeekMessageA(&m, b, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD));
    // a's timer is still due; PM_NOREMOVE leaves it there.
    ASSERT_TRUE(PeekMessageA(&m, a, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessageA(&m, a, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_EQ(m.wParam, 1u);
    // The posted message was passed over by the range filter, not lost.
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, ThreadMessagesAndQuitIgnoreTheRangeButNotTheWindow) {
    PostMessageA(nullptr, WM_USER + 5, 1, 2);
    PostQuitMessage(0);
    MSG m{};
    EXPECT_FALSE(PeekMessageA(&m, a, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE));
    EXPECT_EQ(m.hwnd, nullptr);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
}

TEST_F(MessageQueue, SendIsSynchronousAndPostIsQueued) {
    EXPECT_EQ(SendMessageA(a, WM_USER + 7, 42, 0), 0);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].wParam, 42u);
    EXPECT_TRUE(nullmode::posted().empty());

    EXPECT_TRUE(PostMessageA(a, WM_CLOSE, 0, 0));
    EXPECT_EQ(seen.size(), 1u);
    ASSERT_EQ(nullmode::posted().size(), 1u);
    EXPECT_EQ(nullmode::posted()[0].message, static_cast<UINT>(WM_CLOSE));

    HWND gone = b;
    DestroyWindow(b);
    EXPECT_FALSE(PostMessageA(gone, WM_USER, 0, 0));
    EXPECT_EQ(SendMessageA(gone, WM_USER, 0, 0), 0);
}

TEST_F(MessageQueue, KeyDownTranslatesToCharForPrintableKeysOnly) {
    PostMessageA(a, WM_KEYDOWN, 'Q', 0x00100001);
    EXPECT_EQ(pump_one(), static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(pump_one(), static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(seen.back().wParam, static_cast<WPARAM>('q'));

    PostMessageA(a, WM_KEYDOWN, 0x25 /* left arrow */, 0);
    PostMessageA(a, WM_KEYUP, 'Q', 0);
    EXPECT_EQ(pump_one(), static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(pump_one(), static_cast<UINT>(WM_KEYUP));
}

TEST_F(MessageQueue, TickCountWrapsWithoutStoppingTimers) {
    nullmode::set_tick_count(0xFFFFFFF0u);
    SetTimer(a, 1, 33, TickProc);
    for (int i = 0; i < 3; ++i) {
        MSG m{};
        ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
        DispatchMessageA(&m);
    }
    ASSERT_EQ(ticks.size(), 3u);
    EXPECT_EQ(ticks[0].time, 17u);
    EXPECT_EQ(GetTickCount(), 83u);
    EXPECT_EQ(static_cast<DWORD>(GetTickCount() - 0xFFFFFFF0u), 99u);
}

TEST_F(MessageQueue, GetMessageWithNothingToComeReturnsZeroWithoutQuit) {
    MSG m{};
    EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_NULL));
    EXPECT_EQ(nullmode::stall_count(), 1);
    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
}

}  // namespace
