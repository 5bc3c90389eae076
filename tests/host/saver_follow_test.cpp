// The saver window keeps covering the screens, and a preview its pane, while
// they change size: each new size gets a frame of its own, drawn whole, and
// the animation carries on from where it was.
#include <gtest/gtest.h>

#include "app/saver_window.h"
#include "host/host_fixture.h"
#include "host/saver_host.h"
#include "scene/random.h"
#include "scene/sea_scene.h"

namespace {

class SaverFollowTest : public hosttest::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        WNDCLASSA saverClass{};
        saverClass.lpfnWndProc = SaverClassProc;
        saverClass.lpszClassName = "WindowsScreenSaverClass";
        RegisterClassA(&saverClass);
    }
    static RECT window_rect(HWND window) {
        RECT r{};
        GetWindowRect(window, &r);
        return r;
    }
    // Handles what is queued and the paint that follows, without ticking.
    static void dispatch_pending() {
        MSG m{};
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    }
    // Whether the last frame drew anything in its right or bottom part, where
    // a frame still of an earlier, smaller size would have left black.
    static bool drawn_to_the_far_edges() {
        const auto lit = [](int x0, int y0, int x1, int y1) {
            for (int y = y0; y < y1; ++y) {
                for (int x = x0; x < x1; ++x) {
                    if (frame_surface.bits[static_cast<size_t>(y) * frame_surface.width + x]) {
                        return true;
                    }
                }
            }
            return false;
        };
        const int w = frame_surface.width;
        const int h = frame_surface.height;
        return lit(w * 3 / 4, 0, w, h) && lit(0, h * 3 / 4, w, h);
    }
};

TEST_F(SaverFollowTest, FullScreenCoversEveryNewVirtualScreenAndTheAnimationCarriesOn) {
    nullmode::set_virtual_screen(0, 0, 800, 600);
    const HWND saver =
        CreateWindowExA(WS_EX_TOPMOST, "WindowsScreenSaverClass", "Screen Saver",
                        WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(saver, nullptr);
    dispatch_pending();
    double angle = scene.view.angle_z;

    // Larger, two monitors side by side (one left of the primary), smaller,
    // turned upright.
    for (const RECT& screens : {RECT{0, 0, 1280, 1024}, RECT{-1920, 0, 1920, 1080},
                                RECT{0, 0, 800, 600}, RECT{0, 0, 1024, 1280}}) {
        SCOPED_TRACE(screens.right - screens.left);
        TimerTick(saver, WM_TIMER, 1, 0);
        angle += 0.003490658503988659;
        const std::uint32_t state = random_state();
        const int presents = nullmode::present_count();

        nullmode::set_virtual_screen(screens.left, screens.top, screens.right - screens.left,
                                     screens.bottom - screens.top);
        nullmode::announce_display_change();
        dispatch_pending();

        const RECT r = window_rect(saver);
        EXPECT_EQ(r.left, screens.left);
        EXPECT_EQ(r.top, screens.top);
        EXPECT_EQ(r.right, screens.right);
        EXPECT_EQ(r.bottom, screens.bottom);
        EXPECT_EQ(frame_surface.width, screens.right - screens.left);
        EXPECT_EQ(frame_surface.height, screens.bottom - screens.top);
        EXPECT_EQ(frame_rect.right, frame_surface.width);
        EXPECT_EQ(frame_rect.bottom, frame_surface.height);
        EXPECT_EQ(nullmode::present_count(), presents + 1) << "drawn at once at the new size";
        EXPECT_TRUE(drawn_to_the_far_edges());
        // Neither rebuilt nor restarted.
        EXPECT_EQ(random_state(), state);
        EXPECT_EQ(scene.view.angle_z, angle);
    }
    EXPECT_EQ(GetForegroundWindow(), saver);
}

TEST_F(SaverFollowTest, PreviewFollowsItsPaneAndNotTheScreens) {
    const HWND pane = nullmode::create_foreign_window(320, 240);
    SaverHostState.previewMode = true;
    const HWND preview =
        CreateWindowExA(0, "WindowsScreenSaverClass", "Preview", WS_CHILD | WS_VISIBLE, 0, 0, 320,
                        240, pane, nullptr, nullptr, nullptr);
    ASSERT_NE(preview, nullptr);

    for (const SIZE& size : {SIZE{640, 480}, SIZE{200, 150}, SIZE{1177, 661}}) {
        SCOPED_TRACE(size.cx);
        nullmode::resize_foreign_window(pane, size.cx, size.cy);
        TimerTick(preview, WM_TIMER, 1, 0);
        dispatch_pending();
        RECT client{};
        GetClientRect(preview, &client);
        EXPECT_EQ(client.right, size.cx);
        EXPECT_EQ(client.bottom, size.cy);
        EXPECT_EQ(frame_surface.width, size.cx);
        EXPECT_EQ(frame_surface.height, size.cy);
        EXPECT_TRUE(drawn_to_the_far_edges());
    }

    // A pane shrunk to nothing (its window minimised) keeps the last frame.
    nullmode::resize_foreign_window(pane, 0, 0);
    dispatch_pending();
    EXPECT_EQ(frame_surface.width, 1177);
    nullmode::resize_foreign_window(pane, 320, 240);
    dispatch_pending();
    EXPECT_EQ(frame_surface.width, 320);

    // A change of screens does not move a preview out of its pane.
    nullmode::set_virtual_screen(-1920, 0, 3840, 1080);
    SendMessageA(preview, WM_DISPLAYCHANGE, 32, MAKELPARAM(1920, 1080));
    const RECT r = window_rect(preview);
    EXPECT_EQ(r.right - r.left, 320);
    EXPECT_EQ(r.bottom - r.top, 240);
}

}  // namespace
