#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/portable/gdi/gdi_internal.h"
#include "platform/portable/text/codepage.h"
#include "platform/portable/text/font_internal.h"
#include "platform/portable/windows.h"

namespace {

const char face_gbk[] = "\xbb\xaa\xce\xc4\xb2\xca\xd4\xc6";  // the saver's face, missing here
const char cjk_line[] = "\xd7\xa3\xc4\xe3\xc9\xfa\xc8\xd5\xbf\xec\xc0\xd6";  // six ideographs
const char latin_line[] = "Happy Birthday, Wg|jy!";
const char mixed_line[] = "\xd7\xa3\xc4\xe3 Happy \xc9\xfa\xc8\xd5";

HFONT message_font(int weight, int height = 48, const char* face = face_gbk) {
    return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

// A white-on-black text surface like the saver's, under code page 936.
class GdiText : public ::testing::Test {
protected:
    static constexpr int width = 1024;
    static constexpr int height = 128;

    void SetUp() override {
        const char* forced = std::getenv("NUVEX_CODEPAGE");
        had_ = forced != nullptr;
        saved_ = forced ? forced : "";
        setenv("NUVEX_CODEPAGE", "936", 1);
        portable_reset_code_page();
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateCompatibleBitmap(dc_, width, height);
        SelectObject(dc_, bitmap_);
        SetTextColor(dc_, 0xFFFFFF);
        SetBkMode(dc_, TRANSPARENT);
    }
    void TearDown() override {
        DeleteDC(dc_);
        DeleteObject(bitmap_);
        for (HFONT font : fonts_) DeleteObject(font);
        if (had_) {
            setenv("NUVEX_CODEPAGE", saved_.c_str(), 1);
        } else {
            unsetenv("NUVEX_CODEPAGE");
        }
        portable_reset_code_page();
    }

    void use(HFONT font) {
        fonts_.push_back(font);
        SelectObject(dc_, font);
    }
    void clear() {
        RECT all{0, 0, width, height};
        SetBkColor(dc_, 0);
        ExtTextOutA(dc_, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
    }
    RECT measure(const char* text, UINT format = DT_NOPREFIX) {
        RECT rect{0, 0, 0, 0};
        DrawTextA(dc_, text, static_cast<int>(std::strlen(text)), &rect, DT_CALCRECT | format);
        return rect;
    }
    void draw(const char* text, int x = 0, int y = 0) {
        TextOutA(dc_, x, y, text, static_cast<int>(std::strlen(text)));
    }
    // Bounding box of the lit pixels; right and bottom exclusive.
    RECT ink() {
        RECT box{width, height, 0, 0};
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (GetPixel(dc_, x, y) == 0) continue;
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
        }
        return box;
    }
    int lit() {
        int count = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) count += GetPixel(dc_, x, y) != 0;
        }
        return count;
    }
    std::vector<COLORREF> pixels() {
        std::vector<COLORREF> all;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) all.push_back(GetPixel(dc_, x, y));
        }
        return all;
    }
    font_instance& selected() { return *gdi_current_font(gdi_dc(dc_))->instance; }

    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    std::vector<HFONT> fonts_;

private:
    bool had_ = false;
    std::string saved_;
};

TEST_F(GdiText, MissingFaceFallsBackToAChineseCapableFaceWithCellHeight48) {
    use(message_font(900));
    font_instance& font = selected();
    ASSERT_NE(font.face, nullptr);
    EXPECT_NE(FT_Get_Char_Index(font.face, 0x534E), 0u);  // can draw 华
    TEXTMETRICA metrics{};
    ASSERT_TRUE(GetTextMetricsA(dc_, &metrics));
    EXPECT_EQ(metrics.tmHeight, 48);
    EXPECT_EQ(metrics.tmAscent + metrics.tmDescent, 48);
    EXPECT_EQ(metrics.tmWeight, 900);
    EXPECT_EQ(measure(cjk_line).bottom, 48);
    EXPECT_EQ(measure(latin_line).bottom, 48);
}

TEST_F(GdiText, FaceNamesAreReadInTheAnsiCodePage) {
    // The same name in UTF-8 under 65001 resolves to the same face as GBK under 936.
    use(message_font(400));
    const std::string gbk_file = selected().file;
    setenv("NUVEX_CODEPAGE", "65001", 1);
    portable_reset_code_page();
    use(message_font(400, 48, "\xe5\x8d\x8e\xe6\x96\x87\xe5\xbd\xa9\xe4\xba\x91"));
    EXPECT_EQ(selected().file, gbk_file);
    // A face that exists is taken as asked, whatever it is called.
    const std::string family = selected().family;
    ASSERT_FALSE(family.empty());
    use(message_font(400, 48, family.c_str()));
    EXPECT_EQ(selected().family, family);
}

TEST_F(GdiText, NegativeHeightIsTheEmAndPositiveTheCell) {
    use(message_font(400, -48));
    TEXTMETRICA em{};
    GetTextMetricsA(dc_, &em);
    use(message_font(400, 48));
    TEXTMETRICA cell{};
    GetTextMetricsA(dc_, &cell);
    EXPECT_EQ(cell.tmHeight, 48);
    EXPECT_GT(em.tmHeight, 48);  // the cell holds more than the em
    EXPECT_EQ(em.tmHeight - em.tmInternalLeading, 48);
}

TEST_F(GdiText, MeasuredBoxHoldsTheInkAndIsTheSumOfAdvances) {
    for (int weight : {400, 700, 900}) {
        use(message_font(weight));
        for (const char* text : {cjk_line, latin_line, mixed_line}) {
            SCOPED_TRACE(testing::Message() << "weight " << weight << " text " << text);
            const RECT box = measure(text);
            clear();
            draw(text);
            const RECT drawn = ink();
            EXPECT_GE(drawn.left, 0);
            EXPECT_GE(drawn.top, 0);
            EXPECT_LE(drawn.right, box.right);
            EXPECT_LE(drawn.bottom, box.bottom);
            // The last glyphs reach close to the measured end: nothing is
            // measured that is not drawn.
            EXPECT_GT(drawn.right, box.right - 12);
            // Character by character the advances add up to the line.
            int sum = 0;
            for (std::size_t i = 0; text[i] != '\0';) {
                const std::size_t length = IsDBCSLeadByte(static_cast<BYTE>(text[i])) ? 2 : 1;
                const std::string one(text + i, length);
                sum += measure(one.c_str()).right;
                i += length;
            }
            EXPECT_EQ(box.right, sum);
        }
    }
}

TEST_F(GdiText, HeavierWeightsLightMorePixels) {
    int counts[3] = {};
    int i = 0;
    for (int weight : {400, 700, 900}) {
        use(message_font(weight));
        clear();
        draw(mixed_line);
        counts[i++] = lit();
    }
    EXPECT_LT(counts[0], counts[1]);
    EXPECT_LT(counts[1], counts[2]);
}

TEST_F(GdiText, EdgesAreSmoothedInTheTextColour) {
    use(message_font(900));
    SetTextColor(dc_, RGB(255, 0, 0));
    clear();
    draw(cjk_line);
    int full = 0;
    int partial = 0;
    for (COLORREF pixel : pixels()) {
        if (pixel == 0) continue;
        EXPECT_EQ(pixel & 0xFFFF00u, 0u);  // only red
        (pixel == RGB(255, 0, 0) ? full : partial) += 1;
    }
    EXPECT_GT(full, 0);
    EXPECT_GT(partial, 0);
}

TEST_F(GdiText, OpaqueModeFillsTheCellTransparentModeDoesNot) {
    use(message_font(400));
    const RECT box = measure(latin_line);
    clear();
    SetBkMode(dc_, OPAQUE);
    SetBkColor(dc_, RGB(0, 0, 9));
    draw(latin_line, 10, 20);
    EXPECT_EQ(GetPixel(dc_, 10, 20), RGB(0, 0, 9));
    EXPECT_EQ(GetPixel(dc_, 10 + box.right - 1, 20 + 47), RGB(0, 0, 9));
    EXPECT_EQ(GetPixel(dc_, 10 + box.right, 20), 0u);
    EXPECT_EQ(GetPixel(dc_, 9, 20), 0u);
    EXPECT_EQ(GetPixel(dc_, 10, 20 + 48), 0u);
    clear();
    SetBkMode(dc_, TRANSPARENT);
    draw(latin_line, 10, 20);
    EXPECT_EQ(GetPixel(dc_, 10, 20), 0u);
}

TEST_F(GdiText, TextClipsAtEveryEdgeOfTheBitmap) {
    use(message_font(900));
    clear();
    draw(cjk_line, 100, 40);
    const std::vector<COLORREF> whole = pixels();
    const RECT box = measure(cjk_line);
    // Shifted past each edge, every pixel still inside matches the unshifted line.
    const POINT shifts[] = {{-130, 0},
                            {0, -25},
                            {width - 100 - box.right / 2, 0},
                            {0, height - 40 - 20},
                            {-100 - box.right - 5, 0},
                            {-200000, -200000},
                            {INT32_MAX - 200, INT32_MAX - 60}};
    for (const POINT& shift : shifts) {
        SCOPED_TRACE(testing::Message() << "shift " << shift.x << "," << shift.y);
        clear();
        const std::int64_t x = std::int64_t{100} + shift.x;
        const std::int64_t y = std::int64_t{40} + shift.y;
        draw(cjk_line, static_cast<int>(x), static_cast<int>(y));
        const std::vector<COLORREF> moved = pixels();
        int mismatches = 0;
        for (int py = 0; py < height; ++py) {
            for (int px = 0; px < width; ++px) {
                const std::int64_t sx = px - shift.x;
                const std::int64_t sy = py - shift.y;
                const bool inside = sx >= 0 && sy >= 0 && sx < width && sy < height;
                const COLORREF expected =
                    inside ? whole[static_cast<std::size_t>(sy * width + sx)] : 0;
                mismatches += moved[static_cast<std::size_t>(py * width + px)] != expected;
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST_F(GdiText, SameTextSamePixels) {
    use(message_font(900));
    clear();
    draw(mixed_line);
    const std::vector<COLORREF> first = pixels();
    // A fresh font renders afresh rather than from the first font's cache.
    use(message_font(900));
    clear();
    draw(mixed_line);
    EXPECT_EQ(pixels(), first);
}

TEST_F(GdiText, AmpersandIsAPrefixUnlessNoPrefix) {
    use(message_font(400));
    EXPECT_EQ(measure("A&&B", 0).right, measure("A&B").right);
    EXPECT_EQ(measure("&AB", 0).right, measure("AB").right);
    EXPECT_EQ(measure("AB&", 0).right, measure("AB").right);
    EXPECT_GT(measure("A&B").right, measure("AB").right);
    // The prefixed character is underlined below the baseline; the plain one is not.
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc_, &metrics);
    const auto underline_pixels = [&](const char* text, UINT format) {
        clear();
        RECT rect{0, 0, width, height};
        DrawTextA(dc_, text, -1, &rect, format);
        int count = 0;
        const int advance = measure("A").right;
        for (int y = metrics.tmAscent + 1; y < 48; ++y) {
            for (int x = 0; x < advance; ++x) count += GetPixel(dc_, x, y) != 0;
        }
        return count;
    };
    EXPECT_GT(underline_pixels("&AB", 0), underline_pixels("AB", 0));
    EXPECT_EQ(underline_pixels("&AB", DT_NOPREFIX), 0);
}

TEST_F(GdiText, LineBreaksMakeLinesUnlessSingleLine) {
    use(message_font(400));
    const RECT two = measure("Wide line\r\nab");
    EXPECT_EQ(two.bottom, 96);
    EXPECT_EQ(two.right, measure("Wide line").right);
    EXPECT_EQ(measure("ab\ncd").bottom, 96);
    EXPECT_EQ(measure("ab\n").bottom, 48);
    EXPECT_EQ(measure("ab\ncd", DT_SINGLELINE | DT_NOPREFIX).bottom, 48);
    EXPECT_EQ(measure("").right, 0);
    // Drawn, the second line sits one cell lower.
    clear();
    RECT rect{0, 0, width, height};
    DrawTextA(dc_, "\nW", -1, &rect, DT_NOPREFIX);
    const RECT drawn = ink();
    EXPECT_GE(drawn.top, 48);
    EXPECT_LE(drawn.bottom, 96);
}

}  // namespace
