// Windows through the test mode: creation and destruction messages, default
// handling, geometry, foreign parents, finding windows, the window table's
// text and button messages, registered messages.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/portable/bridge.h"
#include "platform/portable/nullmode/null_mode.h"
#include "platform/portable/windows.h"

namespace {

std::vector<UINT> messages;
RECT rectAtCreate{};
bool createSucceeded = true;

LRESULT CALLBACK SaverLikeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    messages.push_back(msg);
    if (msg == WM_CREATE) {
        GetWindowRect(hwnd, &rectAtCreate);
        return createSucceeded ? 0 : -1;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A dialog control as the dialog code registers it: its state lives in its
// own procedure, the title in the table.
struct CheckBox {
    UINT state = BST_UNCHECKED;
};
CheckBox box;

LRESULT CALLBACK CheckBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case BM_SETCHECK:
            box.state = static_cast<UINT>(wParam);
            return 0;
        case BM_GETCHECK:
            return box.state;
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

class Windows : public ::testing::Test {
protected:
    void SetUp() override {
        nullmode::enable();
        messages.clear();
        createSucceeded = true;
        box = {};
        WNDCLASSA wc{};
        wc.lpfnWndProc = SaverLikeProc;
        wc.lpszClassName = "WindowsScreenSaverClass";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    void TearDown() override { nullmode::reset(); }

    HWND full_screen(const char* title = "Screen Saver") {
        return CreateWindowExA(
            WS_EX_TOPMOST, "WindowsScreenSaverClass", title, WS_POPUP | WS_VISIBLE,
            GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
            GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN), nullptr,
            nullptr, nullptr, nullptr);
    }
};

TEST_F(Windows, CreationIsReportedBeforeTheHandleReturnsThenShown) {
    nullmode::set_virtual_screen(-1280, 0, 3200, 1200);
    HWND w = full_screen();
    ASSERT_NE(w, nullptr);
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[0], static_cast<UINT>(WM_CREATE));
    EXPECT_EQ(messages[1], static_cast<UINT>(WM_SHOWWINDOW));
    EXPECT_EQ(rectAtCreate.left, -1280);
    EXPECT_EQ(rectAtCreate.right, 1920);
    EXPECT_EQ(rectAtCreate.bottom, 1200);
    RECT client{};
    ASSERT_TRUE(GetClientRect(w, &client));
    EXPECT_EQ(client.right, 3200);
    EXPECT_EQ(client.bottom, 1200);
    EXPECT_EQ(GetForegroundWindow(), w);
    // A window that was just shown waits for its first paint.
    MSG m{};
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
}

TEST_F(Windows, CreationRefusedByTheProcedureFails) {
    createSucceeded = false;
    EXPECT_EQ(full_screen(), nullptr);
    EXPECT_EQ(messages.back(), static_cast<UINT>(WM_DESTROY));
    EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", nullptr), nullptr);
}

TEST_F(Windows, UnknownClassAndDuplicateRegistrationFail) {
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                              nullptr),
              nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = SaverLikeProc;
    wc.lpszClassName = "windowsscreensaverclass";
    EXPECT_EQ(RegisterClassA(&wc), 0);
}

TEST_F(Windows, DefaultHandlingDestroysAtClose) {
    HWND w = full_screen();
    messages.clear();
    EXPECT_TRUE(IsWindow(w));
    PostMessageA(w, WM_CLOSE, 0, 0);
    MSG m{};
    ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
    DispatchMessageA(&m);
    EXPECT_EQ(messages, (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(IsWindow(w));
    auto calls = nullmode::default_calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().message, static_cast<UINT>(WM_DESTROY));
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2].message, static_cast<UINT>(WM_CLOSE));
    EXPECT_EQ(calls.back().hwnd, w);
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    // Nothing is left to paint for a destroyed window.
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(DestroyWindow(w));
}

TEST_F(Windows, PreviewFillsItsForeignParentAndDiesWithIt) {
    HWND parent = nullmode::create_foreign_window(152, 112);
    ASSERT_TRUE(IsWindow(parent));
    RECT pr{};
    ASSERT_TRUE(GetClientRect(parent, &pr));
    EXPECT_EQ(pr.right, 152);
    HWND child = CreateWindowExA(0, "WindowsScreenSaverClass", "Preview",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, pr.right, pr.bottom,
                                 parent, nullptr, nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), parent);
    RECT client{};
    GetClientRect(child, &client);
    EXPECT_EQ(client.right, 152);
    EXPECT_EQ(client.bottom, 112);
    // A preview does not take the foreground.
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_TRUE(PostMessageA(parent, WM_HELP, reinterpret_cast<WPARAM>(parent), 0));

    messages.clear();
    nullmode::destroy_foreign_window(parent);
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(messages, (std::vector<UINT>{WM_DESTROY}));
    EXPECT_FALSE(PostMessageA(parent, WM_HELP, 0, 0));

    HWND dead = parent;
    EXPECT_EQ(CreateWindowExA(0, "WindowsScreenSaverClass", "Preview", WS_CHILD, 0, 0, 1, 1, dead,
                              nullptr, nullptr, nullptr),
              nullptr);
}

// What a window is told of a change of its place or size: WM_MOVE and WM_SIZE
// with the new values, each only when that value really changed.
struct Placement {
    std::vector<UINT> order;
    LPARAM move = 0;
    LPARAM size = 0;
    void take(const std::vector<UINT>& all) {
        order.clear();
        for (UINT m : all) {
            if (m == WM_MOVE || m == WM_SIZE) order.push_back(m);
        }
    }
};
Placement placement;

LRESULT CALLBACK PlacementProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_MOVE) placement.move = lParam;
    if (msg == WM_SIZE) placement.size = lParam;
    return SaverLikeProc(hwnd, msg, wParam, lParam);
}

TEST_F(Windows, SetWindowPosTellsTheWindowOnlyWhatChanged) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlacementProc;
    wc.lpszClassName = "NuvexPlacement";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND w = CreateWindowExA(WS_EX_TOPMOST, "NuvexPlacement", "p", WS_POPUP | WS_VISIBLE, 0, 0, 800,
                             600, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    MSG m{};
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);

    messages.clear();
    EXPECT_TRUE(SetWindowPos(w, HWND_TOPMOST, 0, 0, 800, 600, SWP_NOACTIVATE));
    placement.take(messages);
    EXPECT_TRUE(placement.order.empty()) << "the same place and size tell nothing";
    EXPECT_FALSE(PeekMessageA(&m, w, WM_PAINT, WM_PAINT, PM_NOREMOVE)) << "nor repaint";

    messages.clear();
    EXPECT_TRUE(SetWindowPos(w, HWND_TOPMOST, 0, 0, 1280, 1024, SWP_NOACTIVATE));
    placement.take(messages);
    EXPECT_EQ(placement.order, (std::vector<UINT>{WM_SIZE}));
    EXPECT_EQ(placement.size, MAKELPARAM(1280, 1024));
    EXPECT_TRUE(PeekMessageA(&m, w, WM_PAINT, WM_PAINT, PM_NOREMOVE)) << "repainted whole";

    messages.clear();
    EXPECT_TRUE(SetWindowPos(w, nullptr, -1920, 0, 3200, 1024, SWP_NOZORDER));
    placement.take(messages);
    EXPECT_EQ(placement.order, (std::vector<UINT>{WM_MOVE, WM_SIZE}));
    EXPECT_EQ(static_cast<SHORT>(LOWORD(placement.move)), -1920);
    RECT r{};
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, -1920);
    EXPECT_EQ(r.right, 1280);
    EXPECT_EQ(r.bottom, 1024);

    // Windows of other processes are not ours to move.
    HWND foreign = nullmode::create_foreign_window(100, 100);
    EXPECT_FALSE(SetWindowPos(foreign, nullptr, 0, 0, 10, 10, SWP_NOZORDER));
}

TEST_F(Windows, WindowsInsideAForeignWindowFollowItsSize) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlacementProc;
    wc.lpszClassName = "NuvexPlacement";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND pane = nullmode::create_foreign_window(320, 240);
    HWND filling = CreateWindowExA(0, "NuvexPlacement", "Preview", WS_CHILD | WS_VISIBLE, 0, 0, 320,
                                   240, pane, nullptr, nullptr, nullptr);
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "NuvexQuiet";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND inset = CreateWindowExA(0, "NuvexQuiet", "inset", WS_CHILD | WS_VISIBLE, 20, 10, 300, 230,
                                 pane, nullptr, nullptr, nullptr);
    HWND other = full_screen();
    ASSERT_TRUE(filling && inset && other);

    for (SIZE pane_size : {SIZE{640, 480}, SIZE{200, 150}, SIZE{1024, 768}}) {
        messages.clear();
        nullmode::resize_foreign_window(pane, pane_size.cx, pane_size.cy);
        placement.take(messages);
        EXPECT_EQ(placement.order, (std::vector<UINT>{WM_SIZE})) << "the place stays";
        EXPECT_EQ(placement.size, MAKELPARAM(pane_size.cx, pane_size.cy));
        RECT client{};
        GetClientRect(filling, &client);
        EXPECT_EQ(client.right, pane_size.cx);
        EXPECT_EQ(client.bottom, pane_size.cy);
        // A window set in from the edges keeps its place and reaches the
        // right and bottom edges.
        RECT r{};
        GetWindowRect(inset, &r);
        EXPECT_EQ(r.left, 20);
        EXPECT_EQ(r.top, 10);
        EXPECT_EQ(r.right, pane_size.cx);
        EXPECT_EQ(r.bottom, pane_size.cy);
    }
    RECT r{};
    GetWindowRect(other, &r);
    EXPECT_EQ(r.right, 1920) << "windows elsewhere stay as they are";
}

TEST_F(Windows, FindWindowMatchesClassWithoutCaseAndTitleExactly) {
    HWND w = full_screen();
    EXPECT_EQ(FindWindowA("WINDOWSSCREENSAVERCLASS", "Screen Saver"), w);
    EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", "screen saver"), nullptr);
    EXPECT_EQ(FindWindowA(nullptr, "Screen Saver"), w);
    DestroyWindow(w);
    EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", "Screen Saver"), nullptr);

    HWND other = nullmode::create_foreign_window(10, 10, "WindowsScreenSaverClass", "Screen Saver");
    EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", "Screen Saver"), other);
    EXPECT_TRUE(SetForegroundWindow(other));
    EXPECT_EQ(GetForegroundWindow(), other);
}

TEST_F(Windows, TitleTextThroughMessages) {
    HWND w = full_screen("Screen Saver");
    EXPECT_EQ(GetWindowTextLengthA(w), 12);
    char buf[64];
    EXPECT_EQ(GetWindowTextA(w, buf, sizeof buf), 12);
    EXPECT_STREQ(buf, "Screen Saver");
    // A short buffer gets a terminated prefix.
    EXPECT_EQ(GetWindowTextA(w, buf, 7), 6);
    EXPECT_STREQ(buf, "Screen");
    EXPECT_EQ(GetWindowTextA(w, buf, 0), 0);
    EXPECT_TRUE(SetWindowTextA(w, "Other"));
    EXPECT_EQ(FindWindowA(nullptr, "Other"), w);
}

TEST_F(Windows, DialogControlsAnswerThroughTheTable) {
    HWND dialog = portable_register_window(DefWindowProcA, nullptr, "#32770", "Setup", 0, nullptr);
    int nativeTag = 0;
    HWND edit =
        portable_register_window(DefWindowProcA, dialog, "Edit", "line one", 1004, &nativeTag);
    HWND check = portable_register_window(CheckBoxProc, dialog, "Button", "Follow", 1010, nullptr);
    EXPECT_EQ(GetDlgItem(dialog, 1004), edit);
    EXPECT_EQ(GetDlgItem(dialog, 1010), check);
    EXPECT_EQ(GetDlgItem(dialog, 9999), nullptr);
    EXPECT_EQ(GetParent(edit), dialog);
    EXPECT_EQ(portable_window_native(edit), &nativeTag);
    EXPECT_EQ(portable_window_control_id(check), 1010);

    char buf[32];
    EXPECT_EQ(GetWindowTextA(edit, buf, sizeof buf), 8);
    EXPECT_STREQ(buf, "line one");
    EXPECT_TRUE(SetWindowTextA(edit, "changed"));
    EXPECT_EQ(GetWindowTextLengthA(edit), 7);
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1004, WM_GETTEXTLENGTH, 0, 0), 7);

    EXPECT_TRUE(CheckDlgButton(dialog, 1010, BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog, 1010), static_cast<UINT>(BST_CHECKED));
    EXPECT_FALSE(CheckDlgButton(dialog, 9999, BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog, 9999), 0u);
    EXPECT_EQ(SendDlgItemMessageA(dialog, 9999, WM_GETTEXTLENGTH, 0, 0), 0);

    portable_unregister_window(edit);
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(GetDlgItem(dialog, 1004), nullptr);
    EXPECT_EQ(GetWindowTextA(edit, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
}

TEST_F(Windows, ScreenMetricsAndCursor) {
    nullmode::set_screen_size(1024, 768);
    nullmode::set_virtual_screen(0, -200, 2048, 968);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    EXPECT_EQ(GetSystemMetrics(SM_YVIRTUALSCREEN), -200);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 2048);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 968);

    nullmode::set_cursor(POINT{17, -3});
    POINT p{};
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, 17);
    EXPECT_EQ(p.y, -3);

    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(SetCursor(nullptr), nullptr);
    EXPECT_FALSE(nullmode::cursor_visible());
    EXPECT_EQ(SetCursor(arrow), nullptr);
    EXPECT_TRUE(nullmode::cursor_visible());
    EXPECT_EQ(nullmode::cursor_changes(), (std::vector<HCURSOR>{nullptr, arrow}));
}

TEST_F(Windows, RegisteredMessagesShareIdsByNameWithoutCase) {
    UINT q = RegisterWindowMessageA("QueryCancelAutoPlay");
    EXPECT_GE(q, 0xC000u);
    EXPECT_LE(q, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageA("querycancelautoplay"), q);
    UINT other = RegisterWindowMessageA("NuvexSomethingElse");
    EXPECT_GE(other, 0xC000u);
    EXPECT_NE(other, q);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
    EXPECT_EQ(RegisterWindowMessageA(nullptr), 0u);
}

TEST_F(Windows, PaintingPresentsThroughTheWindowDc) {
    HWND w = full_screen();
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(w, &ps);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(ps.fErase, FALSE);
    EXPECT_EQ(ps.rcPaint.right, 1920);
    std::vector<std::uint32_t> pixels(4 * 4, 0x00112233);
    portable_present(w, 0, 0, 4, 4, pixels.data(), 4);
    EndPaint(w, &ps);
    EXPECT_EQ(nullmode::present_count(), 1);
    // Nothing is presented to a window that does not exist.
    portable_present(nullptr, 0, 0, 4, 4, pixels.data(), 4);
    EXPECT_EQ(nullmode::present_count(), 1);

    // Bitmap memory from the platform starts black and can be presented.
    const std::size_t count = 1920u * 4u;
    std::uint32_t* frame = portable_alloc_pixels(count);
    ASSERT_NE(frame, nullptr);
    for (std::size_t i = 0; i < count; i += 97) {
        EXPECT_EQ(frame[i], 0u);
    }
    frame[count - 1] = 0x00FFFFFF;
    portable_present(w, 0, 0, 1920, 4, frame, 1920);
    EXPECT_EQ(nullmode::present_count(), 2);
    portable_free_pixels(frame);
    portable_free_pixels(nullptr);
}

}  // namespace
