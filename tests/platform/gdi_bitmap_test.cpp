#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/portable/bridge.h"
#include "platform/portable/nullmode/null_mode.h"
#include "platform/portable/windows.h"

namespace {

struct dib {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
};

dib make_dib(int width, int height, bool topDown = true) {
    dib d;
    d.dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = topDown ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    d.bitmap = CreateDIBSection(d.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    d.bits = static_cast<std::uint32_t*>(bits);
    d.width = width;
    d.height = height;
    SelectObject(d.dc, d.bitmap);
    return d;
}

void release(dib& d) {
    DeleteDC(d.dc);
    DeleteObject(d.bitmap);
}

void fill(HDC dc, RECT rect, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

// The pixels whose value differs from zero, as a picture of '#' and '.'.
std::string picture(const dib& d) {
    std::string out;
    for (int y = 0; y < d.height; ++y) {
        for (int x = 0; x < d.width; ++x) out += GetPixel(d.dc, x, y) ? '#' : '.';
        out += '\n';
    }
    return out;
}

TEST(GdiBitmap, DibMemoryIsBgrZeroAndGetPixelIsRgb) {
    dib d = make_dib(3, 2);
    ASSERT_NE(d.bits, nullptr);
    fill(d.dc, RECT{1, 0, 2, 1}, RGB(0x12, 0x34, 0x56));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(d.bits);
    EXPECT_EQ(bytes[4], 0x56);  // blue
    EXPECT_EQ(bytes[5], 0x34);  // green
    EXPECT_EQ(bytes[6], 0x12);  // red
    EXPECT_EQ(bytes[7], 0x00);
    EXPECT_EQ(d.bits[1], 0x00123456u);
    EXPECT_EQ(GetPixel(d.dc, 1, 0), RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(GetPixel(d.dc, 0, 0), 0u);  // new memory is zero
    EXPECT_EQ(GetPixel(d.dc, -1, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(d.dc, 3, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(d.dc, 0, 2), CLR_INVALID);
    release(d);
}

TEST(GdiBitmap, PositiveHeightRunsBottomUpInMemory) {
    dib d = make_dib(2, 3, false);
    fill(d.dc, RECT{0, 0, 1, 1}, RGB(255, 0, 0));  // top-left on screen
    EXPECT_EQ(d.bits[2 * 2 + 0], 0x00FF0000u);     // last row in memory
    EXPECT_EQ(d.bits[0], 0u);
    d.bits[1] = 0x0000FF00u;  // first row in memory: bottom on screen
    EXPECT_EQ(GetPixel(d.dc, 1, 2), RGB(0, 255, 0));
    release(d);
}

TEST(GdiBitmap, FillsClipAtEveryEdge) {
    dib d = make_dib(4, 3);
    fill(d.dc, RECT{-5, -5, 1, 1}, RGB(1, 1, 1));
    fill(d.dc, RECT{3, 2, 100, 100}, RGB(1, 1, 1));
    fill(d.dc, RECT{-100, 1, 100000, 2}, 0);      // wider than the bitmap on both sides
    fill(d.dc, RECT{2, -1, 3, 0}, RGB(1, 1, 1));  // entirely outside
    fill(d.dc, RECT{INT32_MIN, INT32_MIN, INT32_MAX, 0}, RGB(1, 1, 1));
    EXPECT_EQ(picture(d), "#...\n....\n...#\n");
    release(d);
}

TEST(GdiBitmap, BitBltCopiesAndClipsBothSides) {
    dib source = make_dib(3, 3);
    for (int i = 0; i < 9; ++i) source.bits[i] = static_cast<std::uint32_t>(i + 1);
    dib dest = make_dib(4, 4);
    // Destination partly left/above the bitmap, source partly past its end.
    EXPECT_TRUE(BitBlt(dest.dc, -1, -1, 3, 3, source.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dest.bits[0], 5u);
    EXPECT_EQ(dest.bits[1], 6u);
    EXPECT_EQ(dest.bits[4], 8u);
    EXPECT_EQ(dest.bits[2], 0u);
    EXPECT_TRUE(BitBlt(dest.dc, 2, 2, 5, 5, source.dc, 1, 1, SRCCOPY));
    EXPECT_EQ(dest.bits[2 * 4 + 2], 5u);
    EXPECT_EQ(dest.bits[2 * 4 + 3], 6u);
    EXPECT_EQ(dest.bits[3 * 4 + 3], 9u);
    EXPECT_TRUE(BitBlt(dest.dc, 0, 3, 4, 4, source.dc, -2, 2, SRCCOPY));  // source left of 0
    EXPECT_EQ(dest.bits[3 * 4 + 2], 7u);
    EXPECT_EQ(dest.bits[3 * 4 + 1], 0u);
    EXPECT_TRUE(BitBlt(dest.dc, INT32_MAX - 1, 0, INT32_MAX, 1, source.dc, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(dest.dc, 0, 0, 1, 1, source.dc, 0, 0, 0x00EE0086));  // only SRCCOPY
    release(source);
    release(dest);
}

TEST(GdiBitmap, OverlappingCopyWithinOneBitmap) {
    dib d = make_dib(3, 3);
    for (int i = 0; i < 9; ++i) d.bits[i] = static_cast<std::uint32_t>(i + 1);
    EXPECT_TRUE(BitBlt(d.dc, 1, 1, 2, 2, d.dc, 0, 0, SRCCOPY));
    const std::vector<std::uint32_t> expected = {1, 2, 3, 4, 1, 2, 7, 4, 5};
    EXPECT_EQ(std::vector<std::uint32_t>(d.bits, d.bits + 9), expected);
    release(d);
}

TEST(GdiObjects, SelectionAndDeletionRules) {
    HDC first = CreateCompatibleDC(nullptr);
    HDC second = CreateCompatibleDC(first);
    HBITMAP bitmap = CreateCompatibleBitmap(first, 5, 4);
    ASSERT_NE(bitmap, nullptr);
    HGDIOBJ original = SelectObject(first, bitmap);
    ASSERT_NE(original, nullptr);
    EXPECT_EQ(GetPixel(first, 4, 3), 0u);  // compatible bitmaps start black
    // One context at a time; a selected bitmap is not freed under its context.
    EXPECT_EQ(SelectObject(second, bitmap), nullptr);
    EXPECT_FALSE(DeleteObject(bitmap));
    RECT box{};
    EXPECT_NE(GetClipBox(first, &box), 0);
    EXPECT_EQ(box.right, 5);
    EXPECT_EQ(box.bottom, 4);
    EXPECT_EQ(SelectObject(first, original), bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    // Stale and foreign handles are refused, not followed.
    EXPECT_FALSE(DeleteObject(bitmap));
    int not_a_handle = 0;
    EXPECT_EQ(SelectObject(first, &not_a_handle), nullptr);
    EXPECT_EQ(GetPixel(reinterpret_cast<HDC>(&not_a_handle), 0, 0), CLR_INVALID);
    EXPECT_EQ(SetBkMode(first, 3), 0);
    EXPECT_EQ(SetBkMode(first, TRANSPARENT), OPAQUE);
    EXPECT_TRUE(DeleteDC(first));
    EXPECT_TRUE(DeleteDC(second));
    EXPECT_FALSE(DeleteDC(first));
}

TEST(GdiObjects, StockObjectsSurviveDeletion) {
    HGDIOBJ brush = GetStockObject(BLACK_BRUSH);
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    ASSERT_NE(brush, nullptr);
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_TRUE(DeleteObject(brush));
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_NE(SelectObject(dc, font), nullptr);
    TEXTMETRICA metrics{};
    EXPECT_TRUE(GetTextMetricsA(dc, &metrics));
    EXPECT_GT(metrics.tmHeight, 0);
    EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT), font);
    DeleteDC(dc);
}

TEST(GdiBitmap, RefusesBitmapsItCannotMake) {
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(dc, 0, 10), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(dc, -4, 10), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(dc, 1 << 20, 1 << 20), nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, 4, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = &info;
    EXPECT_EQ(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    DeleteDC(dc);
}

TEST(GdiWindow, ScreenClipBoxAndBlockTransferToAWindow) {
    nullmode::enable();
    nullmode::set_screen_size(800, 600);
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    RECT box{};
    EXPECT_EQ(GetClipBox(screen, &box), 2);
    EXPECT_EQ(box.right, 800);
    EXPECT_EQ(box.bottom, 600);

    WNDCLASSA window_class{};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.lpszClassName = "NuvexGdiTestWindow";
    RegisterClassA(&window_class);
    HWND window = CreateWindowExA(0, "NuvexGdiTestWindow", "gdi", WS_POPUP, 0, 0, 64, 48, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    HDC window_dc = portable_create_window_dc(window);
    dib frame = make_dib(64, 48);
    const int before = nullmode::present_count();
    // Transfers to a window are shown together, when flushed or released.
    EXPECT_TRUE(BitBlt(window_dc, 0, 0, 32, 48, frame.dc, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(window_dc, 32, 0, 32, 48, frame.dc, 32, 0, SRCCOPY));
    EXPECT_EQ(nullmode::present_count(), before);
    EXPECT_TRUE(GdiFlush());
    EXPECT_EQ(nullmode::present_count(), before + 2);
    EXPECT_TRUE(BitBlt(window_dc, 0, 0, 64, 48, frame.dc, 0, 0, SRCCOPY));
    // A memory context cannot take a window's block, nor can a window be read.
    EXPECT_FALSE(BitBlt(frame.dc, 0, 0, 4, 4, window_dc, 0, 0, SRCCOPY));
    release(frame);  // shows what was still waiting from the frame's memory first
    EXPECT_EQ(nullmode::present_count(), before + 3);
    portable_delete_window_dc(window_dc);
    ReleaseDC(nullptr, screen);
    DestroyWindow(window);
    nullmode::reset();
}

}  // namespace
