// The Wayland back end's plain parts: where outputs lie in the virtual
// screen's pixels, the bookkeeping of a surface's frame buffers, and the
// virtual keys of key symbols.
#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include "platform/portable/user/user_internal.h"
#include "platform/portable/user/wayland/wayland_frames.h"
#include "platform/portable/user/wayland/wayland_keys.h"
#include "platform/portable/user/wayland/wayland_layout.h"

namespace {

using portable::wayland::FrameChain;
using portable::wayland::lay_out;
using portable::wayland::OutputGeometry;

OutputGeometry output(int x, int y, int w, int h, int pixelW, int pixelH, int scale = 1) {
    OutputGeometry o;
    o.x = x;
    o.y = y;
    o.width = w;
    o.height = h;
    o.pixelWidth = pixelW;
    o.pixelHeight = pixelH;
    o.scale = scale;
    return o;
}

bool same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Faults: outputs overlapping or leaving gaps, a 2x output drawn at half its
// pixels, a negative origin left in the virtual screen, the wrong primary.
TEST(WaylandLayout, OutputsSideBySideAtTheirRealPixels) {
    const auto l = lay_out(
        {output(0, 0, 1920, 1080, 1920, 1080), output(1920, 0, 1280, 720, 1280, 720)}, true);
    EXPECT_EQ(l.scale, 1.0);
    EXPECT_TRUE(same(l.areas[0], RECT{0, 0, 1920, 1080}));
    EXPECT_TRUE(same(l.areas[1], RECT{1920, 0, 3200, 720}));
    EXPECT_TRUE(same(l.bounds, RECT{0, 0, 3200, 1080}));
    EXPECT_EQ(l.primary, 0);

    // A 2x output: its 960x540 logical units are 1920x1080 pixels.
    const auto hi = lay_out({output(0, 0, 960, 540, 1920, 1080, 2)}, true);
    EXPECT_EQ(hi.scale, 2.0);
    EXPECT_TRUE(same(hi.bounds, RECT{0, 0, 1920, 1080}));

    // 1.5 (a fractional scale, told or from the mode) needs a viewport;
    // without one the whole integer scale the output reports is used.
    auto frac = output(0, 0, 1280, 720, 1920, 1080, 2);
    EXPECT_TRUE(same(lay_out({frac}, true).bounds, RECT{0, 0, 1920, 1080}));
    EXPECT_TRUE(same(lay_out({frac}, false).bounds, RECT{0, 0, 2560, 1440}));
    frac.preferredScale = 1.25;
    EXPECT_TRUE(same(lay_out({frac}, true).bounds, RECT{0, 0, 1600, 900}));

    // Outputs left of and above the origin: the virtual screen starts at 0;
    // the primary is the output at the logical origin.
    const auto moved = lay_out(
        {output(-1280, -100, 1280, 720, 1280, 720), output(0, 0, 800, 600, 800, 600)}, true);
    EXPECT_TRUE(same(moved.areas[0], RECT{0, 0, 1280, 720}));
    EXPECT_TRUE(same(moved.areas[1], RECT{1280, 100, 2080, 700}));
    EXPECT_EQ(moved.primary, 1);

    // An output not yet described takes no room; none at all covers nothing.
    const auto partial =
        lay_out({output(0, 0, 0, 0, 0, 0), output(0, 0, 640, 480, 640, 480)}, true);
    EXPECT_TRUE(same(partial.bounds, RECT{0, 0, 640, 480}));
    EXPECT_EQ(partial.primary, 1);
    EXPECT_EQ(lay_out({}, true).primary, -1);
}

// Faults: a buffer written while the compositor holds it, a buffer made per
// frame, a buffer taken up again without the changes drawn elsewhere.
TEST(WaylandFrames, BuffersAreReusedNeverWrittenWhileHeldAndRepaired) {
    FrameChain chain;
    auto f = chain.fill();
    EXPECT_EQ(f.buffer, 0);
    EXPECT_TRUE(f.make);
    EXPECT_EQ(f.repairFrom, -1);  // the first frame: nothing to repair from
    chain.damage(RECT{0, 0, 100, 100});
    EXPECT_EQ(chain.fill().buffer, 0);  // further blocks go to the same buffer
    auto h = chain.hand_over();
    EXPECT_EQ(h.buffer, 0);
    EXPECT_TRUE(same(h.damage, RECT{0, 0, 100, 100}));
    EXPECT_TRUE(chain.held(0));

    // Held by the compositor: a second buffer, made now and repaired whole.
    f = chain.fill();
    EXPECT_EQ(f.buffer, 1);
    EXPECT_TRUE(f.make);
    EXPECT_EQ(f.repairFrom, 0);
    chain.damage(RECT{10, 10, 20, 20});
    chain.hand_over();
    chain.released(0);

    // Buffer 0 again, lacking only what went into buffer 1.
    f = chain.fill();
    EXPECT_EQ(f.buffer, 0);
    EXPECT_FALSE(f.make);
    EXPECT_EQ(f.repairFrom, 1);
    EXPECT_TRUE(same(f.repair, RECT{10, 10, 20, 20}));
    chain.damage(RECT{0, 0, 5, 5});
    chain.hand_over();

    // The newest frame's buffer, once given back, needs no repair.
    chain.released(0);
    f = chain.fill();
    EXPECT_EQ(f.buffer, 0);
    EXPECT_EQ(f.repairFrom, -1);
    chain.hand_over();

    // Never more than three; with all three held there is none to draw in.
    chain.fill();
    chain.hand_over();  // buffer 1 (released? no: still held)
    for (int i = 0; i < 4; ++i) {
        f = chain.fill();
        if (f.buffer < 0) break;
        chain.hand_over();
    }
    EXPECT_EQ(chain.count(), FrameChain::kMaxBuffers);
    EXPECT_EQ(chain.fill().buffer, -1);
    chain.released(2);
    EXPECT_EQ(chain.fill().buffer, 2);

    // A new size forgets them all.
    chain.reset();
    EXPECT_EQ(chain.count(), 0);
    EXPECT_TRUE(chain.fill().make);
}

// Faults: a layout's letters or digits taken as other keys, Esc (which
// closes a window of its own) lost, a key without a virtual key dropped.
TEST(WaylandKeys, KeySymbolsBecomeVirtualKeys) {
    using portable::wayland::virtual_key;
    EXPECT_EQ(virtual_key(XKB_KEY_a), WPARAM{'A'});
    EXPECT_EQ(virtual_key(XKB_KEY_Z), WPARAM{'Z'});
    EXPECT_EQ(virtual_key(XKB_KEY_7), WPARAM{'7'});
    EXPECT_EQ(virtual_key(XKB_KEY_Escape), WPARAM{VK_ESCAPE});
    EXPECT_EQ(virtual_key(XKB_KEY_F10), WPARAM{VK_F10});
    EXPECT_EQ(virtual_key(XKB_KEY_KP_3), WPARAM{VK_NUMPAD0 + 3});
    EXPECT_EQ(virtual_key(XKB_KEY_Alt_R), WPARAM{VK_MENU});
    EXPECT_EQ(virtual_key(XKB_KEY_Return), WPARAM{VK_RETURN});
    EXPECT_EQ(virtual_key(XKB_KEY_odiaeresis), WPARAM{0xFF});
}

}  // namespace
