// The animation driver in a window of the test mode: the creation sequence,
// the first paint, the frame and text surfaces, the timer and a long run.
#include "app/saver_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "animation/animation.h"
#include "animation/step.h"
#include "config/run_overrides.h"
#include "config/settings.h"
#include "host/host_fixture.h"
#include "host/saver_host.h"
#include "platform/portable/profile/profile.h"
#include "platform/settings_file.h"
#include "scene/particle.h"
#include "scene/random.h"
#include "scene/sea_scene.h"
#include "text/builtin_strings.h"
#include "text/message.h"

namespace {

// Every test starts from the state of a fresh program: a new scene, no frame
// surface (both restored by the host fixture), the random sequence at its start.
class SaverWindowTest : public hosttest::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        set_random_state(1);
        WritePrivateProfileStringA("Nuvex0_01", nullptr, nullptr, "Nuvex0_01");
        WNDCLASSA driverClass{};
        driverClass.lpfnWndProc = SaverWindowProc;
        driverClass.lpszClassName = "NuvexDriverTest";
        RegisterClassA(&driverClass);
    }
    static HWND create(int width, int height, HWND parent = nullptr) {
        return CreateWindowExA(0, "NuvexDriverTest", "driver",
                               parent ? (WS_CHILD | WS_VISIBLE) : (WS_POPUP | WS_VISIBLE), 0, 0,
                               width, height, parent, nullptr, nullptr, nullptr);
    }
    static double node_z(const SeaScene& s, int row, int col) {
        return s.grid[static_cast<size_t>(row)][col].z;
    }
};

// The creation sequence written out step by step from a fresh scene.
void seed_by_hand(SeaScene& s, int steps_after_seeding) {
    build_grid(s, 100, 100);
    s.pose.angle_x = 1.7278759594743864;
    add_angle(s.view, 1.2566370614359172);
    for (int i = 6; i <= 18; i += 2) {
        const int k = random_draw() % s.cols;
        const int r = random_draw() % s.rows;
        drop_ripple(s, r, k, i * 0.1, 50);
        step(s);
    }
    for (int n = 0; n < steps_after_seeding; ++n) step(s);
}

TEST_F(SaverWindowTest, CreationSeedsWarmsUpAndPaintsBeforeTheFirstTick) {
    const HWND window = create(320, 240);
    ASSERT_NE(window, nullptr);
    const std::uint32_t state_after_creation = random_state();

    EXPECT_EQ(nullmode::present_count(), 1) << "the first frame is drawn during creation";
    EXPECT_EQ(scene.view.angle_z, 1.2566370614359172);
    EXPECT_EQ(scene.pose.angle_x, 1.7278759594743864);
    EXPECT_TRUE(scene.line.empty());
    EXPECT_EQ(scene.rows, 100);
    EXPECT_EQ(scene.cols, 100);

    // The same sea as 7 seeding steps and 100 warm-up steps, and not as 99 or 101.
    for (int warm_up : {99, 100, 101}) {
        SCOPED_TRACE(warm_up);
        set_random_state(1);
        SeaScene reference;
        seed_by_hand(reference, warm_up);
        bool same = random_state() == state_after_creation;
        for (int row = 0; row < 100 && same; ++row) {
            if (!reference.grid[static_cast<size_t>(row)]) continue;
            for (int col = 0; col < 100 && same; ++col) {
                same = node_z(reference, row, col) == node_z(scene, row, col);
            }
        }
        EXPECT_EQ(same, warm_up == 100);
    }

    // Something of the sea was drawn: the frame is not all black.
    bool lit = false;
    for (int i = 0; i < frame_surface.width * frame_surface.height && !lit; ++i) {
        lit = (frame_surface.bits[i] & 0xFFFFFFu) != 0;
    }
    EXPECT_TRUE(lit);
}

TEST_F(SaverWindowTest, PreviewFrameHasTheWindowsSizeAndTextSurfaceTheScreens) {
    nullmode::set_screen_size(1280, 720);
    const HWND parent = nullmode::create_foreign_window(152, 112);
    ASSERT_NE(create(152, 112, parent), nullptr);
    EXPECT_EQ(frame_surface.width, 152);
    EXPECT_EQ(frame_surface.height, 112);
    EXPECT_EQ(frame_rect.left, 0);
    EXPECT_EQ(frame_rect.top, 0);
    EXPECT_EQ(frame_rect.right, 152);
    EXPECT_EQ(frame_rect.bottom, 112);
    EXPECT_EQ(scene.text_surface.width, 1280);
    EXPECT_EQ(scene.text_surface.height, 720);
}

// Windows reports a window's size right after creation and when it is
// minimised; neither is a new size, so the frame stays (the saver's tests of
// screens and preview panes cover the frame made again at a new size).
TEST_F(SaverWindowTest, OnlyARealNewSizeMakesANewFrame) {
    const HWND window = create(320, 240);
    constexpr std::uint32_t marker = 0x00ABCDEF;  // gone when the frame is made again
    frame_surface.bits[0] = marker;
    SaverWindowProc(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 240));
    SaverWindowProc(window, WM_SIZE, SIZE_MINIMIZED, 0);
    SaverWindowProc(window, WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_EQ(frame_surface.bits[0], marker);
    EXPECT_EQ(frame_rect.right, 320);

    SaverWindowProc(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480));
    EXPECT_EQ(frame_surface.width, 640);
    EXPECT_EQ(frame_surface.height, 480);
    EXPECT_EQ(frame_rect.bottom, 480);
}

// The text surface is screen-sized from creation; a larger screen gets a
// larger surface when the next line starts, never in the middle of a line,
// and a smaller screen leaves it as it is.
TEST_F(SaverWindowTest, TextSurfaceGrowsWithTheScreenOnlyWhenTheNextLineStarts) {
    nullmode::set_screen_size(1280, 720);
    const HWND window = create(160, 120);
    const auto change_screen = [](int width, int height) {
        nullmode::set_screen_size(width, height);
        nullmode::announce_display_change();
        MSG m{};
        while (PeekMessageA(&m, nullptr, WM_DISPLAYCHANGE, WM_DISPLAYCHANGE, PM_REMOVE)) {
            DispatchMessageA(&m);
        }
    };
    // Ticks until the first slice of the next line has been emitted. The view
    // is first turned to 80°, a few ticks before the surge that ends a line,
    // to spare the ticks of most of a half-turn.
    const auto tick_into_next_line = [window] {
        scene.view.angle_z = 80 * M_PI / 180;
        for (int n = 0; n < 200; ++n) {
            const std::int32_t before = scene.emit_count;
            TimerTick(window, WM_TIMER, 1, 0);
            if (scene.emit_count == 1 && before != 1) return true;
        }
        return false;
    };
    const auto text_size = [] {
        return std::pair{scene.text_surface.width, scene.text_surface.height};
    };

    change_screen(800, 600);
    ASSERT_TRUE(tick_into_next_line());
    EXPECT_EQ(text_size(), std::pair(1280, 720)) << "a smaller screen keeps the surface";

    change_screen(1920, 1080);
    while (scene.emit_count < 32) TimerTick(window, WM_TIMER, 1, 0);
    EXPECT_EQ(text_size(), std::pair(1280, 720)) << "not in the middle of a line";
    const std::string earlier_line = scene.line;
    ASSERT_TRUE(tick_into_next_line());
    EXPECT_NE(scene.line, earlier_line);
    EXPECT_EQ(text_size(), std::pair(1920, 1080));
    while (scene.emit_count < 32) TimerTick(window, WM_TIMER, 1, 0);
    EXPECT_GT(scene.particles.count, 0) << "the line is read from the new surface";
}

TEST_F(SaverWindowTest, EmptyMessageShowsTheDefaultMessageAndFollowIsCopied) {
    WritePrivateProfileStringA("Nuvex0_01", text_key, "", "Nuvex0_01");
    WritePrivateProfileStringA("Nuvex0_01", follow_key, "3", "Nuvex0_01");
    create(64, 48);
    SeaScene reference;
    set_message(reference, default_message().bytes, default_message().encoding);
    EXPECT_EQ(scene.text, reference.text);
    EXPECT_FALSE(scene.text.empty());
    EXPECT_EQ(scene.follow, 3);
}

TEST_F(SaverWindowTest, CommandLineOverridesReachTheSceneAndLeaveTheFileAlone) {
    // A stored message in Unicode form (it is held as UTF-8); the command
    // line's message is in the locale's code page and must be read as such.
    WritePrivateProfileStringA("Nuvex0_01", follow_key, "0", "Nuvex0_01");
    ASSERT_EQ(
        WriteProfileValues(portable_profile_path("Nuvex0_01"), portable_profile_path("Nuvex0_01"),
                           "Nuvex0_01", {{text_key, "stored^ntext^n"}}, ProfileForm::unicode)
            .status,
        ProfileWriteStatus::written);
    run_overrides.message = "Hello^nWorld^n";
    run_overrides.follow = 1;
    create(64, 48);
    run_overrides = RunOverrides{};

    SeaScene reference;
    set_message(reference, "Hello^nWorld^n", text_encoding::ansi);
    EXPECT_EQ(scene.text, reference.text);
    EXPECT_EQ(scene.encoding, text_encoding::ansi);
    EXPECT_EQ(scene.follow, 1);
    EXPECT_EQ(ReadProfileValue(portable_profile_path("Nuvex0_01"), "Nuvex0_01", text_key).value,
              "stored^ntext^n");
    EXPECT_EQ(GetPrivateProfileIntA("Nuvex0_01", follow_key, 7, "Nuvex0_01"), 0u);
}

TEST_F(SaverWindowTest, OnlyTimerOneTicks) {
    const HWND window = create(64, 48);
    const double angle = scene.view.angle_z;
    const double z = node_z(scene, 50, 50);
    const std::uint32_t state = random_state();

    TimerTick(window, WM_TIMER, 2, 0);
    EXPECT_EQ(scene.view.angle_z, angle);
    EXPECT_EQ(node_z(scene, 50, 50), z);
    EXPECT_EQ(random_state(), state);

    TimerTick(window, WM_TIMER, 1, 0);
    EXPECT_EQ(scene.view.angle_z, angle + 0.003490658503988659);
    EXPECT_NE(node_z(scene, 50, 50), z);
}

TEST_F(SaverWindowTest, ViewWrapsAtTheTickThatPassesAFullTurn) {
    const HWND window = create(32, 24);
    for (int n = 1; n <= 1440; ++n) TimerTick(window, WM_TIMER, 1, 0);
    EXPECT_NEAR(scene.view.angle_z, 2 * M_PI, 1e-9);
    TimerTick(window, WM_TIMER, 1, 0);  // the 1441st
    EXPECT_NEAR(scene.view.angle_z, 0.003490658503988659, 1e-9);
}

TEST_F(SaverWindowTest, DestroyStopsTheTicksBeforeTheQuit) {
    const HWND window = create(32, 24);
    SaverWindowProc(window, WM_DESTROY, 0, 0);
    int quits = 0;
    for (const auto& m : nullmode::posted()) quits += m.message == WM_QUIT;
    EXPECT_EQ(quits, 1);

    // No tick arrives any more; a late paint still draws the unchanged scene.
    const double angle = scene.view.angle_z;
    MSG m{};
    while (GetMessageA(&m, nullptr, 0, 0)) DispatchMessageA(&m);
    EXPECT_EQ(scene.view.angle_z, angle);
    const int presents = nullmode::present_count();
    SaverWindowProc(window, WM_PAINT, 0, 0);
    EXPECT_EQ(nullmode::present_count(), presents + 1);
}

// Twenty thousand ticks with their paints through the message loop, as the
// running saver gets them: the lines come and go, nothing breaks.
TEST_F(SaverWindowTest, LongRunThroughTheMessageLoop) {
    const HWND window = create(160, 120);
    constexpr int ticks = 20000;
    int timer_messages = 0;
    std::string first_line;
    bool line_changed = false;
    MSG m{};
    while (GetMessageA(&m, nullptr, 0, 0)) {
        DispatchMessageA(&m);
        if (m.message == WM_TIMER && ++timer_messages == ticks) DestroyWindow(window);
        if (first_line.empty()) {
            first_line = scene.line;
        } else if (scene.line != first_line) {
            line_changed = true;
        }
    }
    EXPECT_EQ(timer_messages, ticks);
    EXPECT_EQ(nullmode::stall_count(), 0);
    EXPECT_GE(nullmode::present_count(), ticks) << "every tick is followed by a paint";
    EXPECT_FALSE(first_line.empty());
    EXPECT_TRUE(line_changed);
    EXPECT_GE(scene.view.angle_z, -2 * M_PI);
    EXPECT_LE(scene.view.angle_z, 2 * M_PI);
    for (int row = 0; row < 100; ++row) {
        if (!scene.grid[static_cast<size_t>(row)]) continue;
        for (int col = 0; col < 100; ++col) ASSERT_TRUE(std::isfinite(node_z(scene, row, col)));
    }
}

}  // namespace
