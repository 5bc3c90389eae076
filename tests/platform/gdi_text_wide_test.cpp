// Text in UTF-16: the W functions draw what the A functions draw for the same
// characters, draw what the ANSI code page cannot hold, and take characters
// the chosen face lacks from a face that has them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "code_page_scope.h"
#include "platform/portable/gdi/gdi_internal.h"
#include "platform/portable/text/font_internal.h"
#include "platform/portable/windows.h"

namespace {

const char16_t face[] = u"\u534e\u6587\u5f69\u4e91";      // the saver's face, missing here
const char16_t greeting[] = u"\u751f\u65e5\u5feb\u4e50";  // four ideographs
const char16_t hebrew[] = u"\u05e9\u05dc\u05d5\u05dd";
const char16_t georgian[] = u"\u10e5\u10d0\u10e0\u10d7";
const char16_t emoji[] = u"\U0001F600\U0001F0A1";  // two surrogate pairs

std::u16string operator""_u16(const char16_t* text, std::size_t length) {
    return {text, length};
}

HFONT wide_font(int weight, DWORD charSet = DEFAULT_CHARSET, const char16_t* name = face) {
    return CreateFontW(48, 0, 0, 0, weight, 0, 0, 0, charSet, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, name);
}

// Text in the ANSI code page of the moment.
std::string ansi(const std::u16string& text) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

class WideText : public ::testing::Test {
protected:
    static constexpr int width = 1024;
    static constexpr int height = 112;

    void SetUp() override {
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
    }
    void use(HFONT font) {
        fonts_.push_back(font);
        SelectObject(dc_, font);
    }
    void clear() {
        RECT all{0, 0, width, height};
        SetBkColor(dc_, 0);
        ExtTextOutW(dc_, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
    }
    std::vector<COLORREF> drawn_w(const std::u16string& text, int x = 0, int y = 0) {
        clear();
        TextOutW(dc_, x, y, text.c_str(), static_cast<int>(text.size()));
        return pixels();
    }
    std::vector<COLORREF> drawn_a(const std::string& text, int x = 0, int y = 0) {
        clear();
        TextOutA(dc_, x, y, text.c_str(), static_cast<int>(text.size()));
        return pixels();
    }
    RECT measure_w(const std::u16string& text, UINT format = DT_NOPREFIX) {
        RECT rect{0, 0, 0, 0};
        DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &rect, DT_CALCRECT | format);
        return rect;
    }
    std::vector<COLORREF> pixels() {
        std::vector<COLORREF> all;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) all.push_back(GetPixel(dc_, x, y));
        }
        return all;
    }
    static int lit(const std::vector<COLORREF>& image) {
        int count = 0;
        for (COLORREF pixel : image) count += pixel != 0;
        return count;
    }
    // Bounding box of the lit pixels; right and bottom exclusive.
    static RECT ink(const std::vector<COLORREF>& image) {
        RECT box{width, height, 0, 0};
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (image[static_cast<std::size_t>(y * width + x)] == 0) continue;
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
        }
        return box;
    }
    font_instance& selected() { return *gdi_current_font(gdi_dc(dc_))->instance; }
    bool primary_has(char32_t code) {
        return selected().face && FT_Get_Char_Index(selected().face, code) != 0;
    }

    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    std::vector<HFONT> fonts_;
};

TEST_F(WideText, WideAndAnsiCallsOfTheSameCharactersDrawTheSamePixels) {
    const std::u16string lines[] = {u"\u795d\u4f60\u751f\u65e5\u5feb\u4e50"_u16,
                                    u"\u795d\u4f60 Happy \u751f\u65e5, Wg|jy!"_u16};
    for (const char* page : {"936", "65001"}) {
        CodePageScope scope(page);
        for (int weight : {400, 900}) {
            // Each side with its own font: the face named in the code page
            // through CreateFontA, in UTF-16 through CreateFontW.
            const HFONT ansi_font = CreateFontA(48, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                                0, 0, ansi(face).c_str());
            fonts_.push_back(ansi_font);
            const HFONT wide = wide_font(weight);
            fonts_.push_back(wide);
            const auto both = [&](const std::function<void()>& draw_a,
                                  const std::function<void()>& draw_w) {
                SelectObject(dc_, ansi_font);
                clear();
                draw_a();
                const std::vector<COLORREF> through_a = pixels();
                SelectObject(dc_, wide);
                clear();
                draw_w();
                EXPECT_EQ(pixels(), through_a);
            };
            for (const std::u16string& line : lines) {
                SCOPED_TRACE(testing::Message() << "page " << page << " weight " << weight);
                const std::string bytes = ansi(line);
                ASSERT_EQ(bytes.find('?'), std::string::npos);
                both([&] { TextOutA(dc_, 7, 11, bytes.c_str(), static_cast<int>(bytes.size())); },
                     [&] { TextOutW(dc_, 7, 11, line.c_str(), static_cast<int>(line.size())); });
                SelectObject(dc_, wide);
                RECT a{0, 0, 0, 0};
                DrawTextA(dc_, bytes.c_str(), -1, &a, DT_CALCRECT | DT_NOPREFIX);
                const RECT w = measure_w(line);
                EXPECT_EQ(w.right, a.right);
                EXPECT_EQ(w.bottom, a.bottom);
                SIZE extent{};
                ASSERT_TRUE(GetTextExtentPoint32W(dc_, line.c_str(), static_cast<int>(line.size()),
                                                  &extent));
                EXPECT_EQ(extent.cx, w.right);
                EXPECT_EQ(extent.cy, 48);
            }
            // DrawText with a prefix and two lines, zero-terminated.
            const std::u16string two = u"&\u795d\u4f60\r\nH&&i"_u16;
            const std::string two_bytes = ansi(two);
            RECT rect{5, 3, width, height};
            both([&] { DrawTextA(dc_, two_bytes.c_str(), -1, &rect, 0); },
                 [&] { DrawTextW(dc_, two.c_str(), -1, &rect, 0); });
            // Per-character advances: the entries of a character's bytes or
            // units add up to its advance.
            const std::u16string characters[] = {u"\u751f", u"a", u"\u65e5", u"b"};
            const int advances[] = {60, 30, 60, 30};
            std::u16string spaced;
            std::string spaced_bytes;
            std::vector<INT> by_unit, by_byte;
            for (std::size_t i = 0; i < 4; ++i) {
                spaced += characters[i];
                by_unit.push_back(advances[i]);
                const std::string bytes = ansi(characters[i]);
                spaced_bytes += bytes;
                for (std::size_t j = 0; j < bytes.size(); ++j)
                    by_byte.push_back(j == 0 ? advances[i] - static_cast<int>(bytes.size()) + 1
                                             : 1);
            }
            both(
                [&] {
                    ExtTextOutA(dc_, 0, 0, 0, nullptr, spaced_bytes.c_str(),
                                static_cast<UINT>(spaced_bytes.size()), by_byte.data());
                },
                [&] {
                    ExtTextOutW(dc_, 0, 0, 0, nullptr, spaced.c_str(),
                                static_cast<UINT>(spaced.size()), by_unit.data());
                });
            // A surrogate pair advances by the sum of its two entries.
            const std::u16string pair = u"a\U0001F600b";
            const INT split[] = {30, 20, 25, 30};
            const INT whole[] = {30, 45, 0, 30};
            clear();
            ExtTextOutW(dc_, 0, 0, 0, nullptr, pair.c_str(), 4, split);
            const std::vector<COLORREF> split_pixels = pixels();
            clear();
            ExtTextOutW(dc_, 0, 0, 0, nullptr, pair.c_str(), 4, whole);
            EXPECT_EQ(split_pixels, pixels());
        }
    }
}

TEST_F(WideText, TextTheAnsiCodePageCannotHoldIsDrawnFromUtf16) {
    CodePageScope scope("1252");
    use(wide_font(900));
    // Through the code page the greeting is four question marks...
    const std::string bytes = ansi(greeting);
    EXPECT_EQ(bytes, "????");
    const std::vector<COLORREF> marks = drawn_a(bytes);
    // ...through UTF-16 it is four ideographs, with far more strokes.
    const std::vector<COLORREF> ideographs = drawn_w(greeting);
    EXPECT_NE(ideographs, marks);
    EXPECT_GT(lit(ideographs), 2 * lit(marks));
    const RECT box = measure_w(greeting);
    const RECT drawn = ink(ideographs);
    EXPECT_LE(drawn.right, box.right);
    EXPECT_GT(drawn.right, box.right - 12);
    EXPECT_GT(box.right, measure_w(u"????").right);
    // The same characters as A text under a code page that holds them draw alike.
    std::vector<COLORREF> gbk;
    {
        CodePageScope chinese("936");
        gbk = drawn_a(ansi(greeting));
    }
    EXPECT_EQ(ideographs, gbk);
}

// The face the saver asks for is missing; its stand-in (a Chinese face) has
// no Hebrew, Georgian or emoji. Each such character must come out as its own
// glyph from another face, not as the stand-in's missing-glyph box.
TEST_F(WideText, CharactersTheFaceLacksComeFromAFaceThatHasThem) {
    CodePageScope scope("1252");
    for (int weight : {400, 900}) {
        use(wide_font(weight));
        SCOPED_TRACE(testing::Message() << "weight " << weight << " face " << selected().file);
        // U+10FFFD is a private character no face has: the missing-glyph box.
        const std::vector<COLORREF> box = drawn_w(u"\U0010FFFD");
        ASSERT_GT(lit(box), 0);
        std::vector<std::vector<COLORREF>> seen;
        int from_elsewhere = 0;
        for (const std::u16string& sample :
             {std::u16string(hebrew), std::u16string(georgian), std::u16string(emoji)}) {
            for (std::size_t i = 0; i < sample.size(); ++i) {
                const bool pair = sample[i] >= 0xD800 && sample[i] <= 0xDBFF;
                const std::u16string one = sample.substr(i, pair ? 2 : 1);
                if (pair) ++i;
                const char32_t code =
                    pair ? 0x10000 + ((char32_t{one[0]} - 0xD800) << 10) + (one[1] - 0xDC00)
                         : one[0];
                if (primary_has(code)) continue;
                ++from_elsewhere;
                const std::vector<COLORREF> image = drawn_w(one);
                EXPECT_GT(lit(image), 0) << static_cast<unsigned>(code);
                EXPECT_NE(image, box) << static_cast<unsigned>(code);
                for (const auto& other : seen)
                    EXPECT_NE(image, other) << static_cast<unsigned>(code);
                seen.push_back(image);
            }
        }
        EXPECT_GE(from_elsewhere, 8);
        // The stand-ins were opened at the font's em, and have the characters.
        ASSERT_FALSE(selected().fallbacks.empty());
        for (const auto& fallback : selected().fallbacks) {
            ASSERT_NE(fallback->face, nullptr);
            EXPECT_NE(fallback->file, selected().file);
            EXPECT_EQ(fallback->face->size->metrics.y_ppem, selected().em_pixels);
        }
    }
}

TEST_F(WideText, EveryCommonScriptDrawsRealGlyphs) {
    CodePageScope scope("1252");
    use(wide_font(900));
    const std::vector<COLORREF> box = drawn_w(u"\U0010FFFD");
    // Chinese, Cyrillic, accented Latin, kana, Hangul, Greek.
    for (const std::u16string& sample :
         {u"\u751f\u65e5"_u16, u"\u0416\u044f"_u16, u"\u00e9\u0151\u00df"_u16, u"\u3072\u30ab"_u16,
          u"\ud55c\uae00"_u16, u"\u03a9\u03bb"_u16}) {
        for (char16_t unit : sample) {
            const std::vector<COLORREF> image = drawn_w(std::u16string(1, unit));
            EXPECT_GT(lit(image), 0) << static_cast<unsigned>(unit);
            EXPECT_NE(image, box) << static_cast<unsigned>(unit);
        }
    }
}

TEST_F(WideText, MeasuringAndDrawingAgreeAcrossFaces) {
    CodePageScope scope("65001");
    for (int weight : {400, 700, 900}) {
        use(wide_font(weight));
        SCOPED_TRACE(testing::Message() << "weight " << weight);
        const std::u16string line =
            u"ab \u05e9\u05dc\u05d5\u05dd \u751f\u65e5 \u10e5\U0001F600 cd"_u16;
        const RECT box = measure_w(line);
        EXPECT_EQ(box.bottom, 48);
        const std::vector<COLORREF> image = drawn_w(line);
        const RECT drawn = ink(image);
        EXPECT_GE(drawn.top, 0);
        EXPECT_LE(drawn.right, box.right);
        EXPECT_LE(drawn.bottom, 48);
        EXPECT_GT(drawn.right, box.right - 12);  // the last glyphs reach the measured end
        // Character by character the advances add up to the line.
        int sum = 0;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const bool pair = line[i] >= 0xD800 && line[i] <= 0xDBFF;
            sum += measure_w(line.substr(i, pair ? 2 : 1)).right;
            if (pair) ++i;
        }
        EXPECT_EQ(box.right, sum);
        // The glyphs of the font's own face are where and what they were
        // without the others beside them.
        const std::vector<COLORREF> alone = drawn_w(u"ab ");
        const LONG own_width = measure_w(u"ab ").right;
        for (int y = 0; y < height; ++y) {
            for (LONG x = 0; x < own_width; ++x) {
                const auto at = static_cast<std::size_t>(y * width + x);
                ASSERT_EQ(image[at], alone[at]) << x << "," << y;
            }
        }
    }
}

TEST_F(WideText, CharacterSetsAskForAFaceOfTheirScript) {
    CodePageScope scope("936");
    use(wide_font(900));
    const std::string chosen = selected().file;
    // No script named: the same stand-in as ever, whichever way the name came.
    use(CreateFontA(48, 0, 0, 0, 900, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                    "\xbb\xaa\xce\xc4\xb2\xca\xd4\xc6"));
    EXPECT_EQ(selected().file, chosen);
    for (DWORD set : {ANSI_CHARSET, GB2312_CHARSET, OEM_CHARSET}) {
        use(wide_font(900, set));
        EXPECT_EQ(selected().file, chosen) << set;
    }
    // Hebrew asks for a face with Hebrew letters, which the stand-in lacks.
    use(wide_font(900, HEBREW_CHARSET));
    ASSERT_NE(selected().face, nullptr);
    EXPECT_NE(FT_Get_Char_Index(selected().face, 0x05D0), 0u);
    // A face that exists is taken as named, whatever the character set.
    use(wide_font(400, SHIFTJIS_CHARSET, u"DejaVu Sans"));
    EXPECT_EQ(selected().family, "DejaVu Sans");
}

// Exits with 0 when text measured one cell high and drawing returned.
[[noreturn]] void draw_with_fontconfig_file(const std::string& config) {
    setenv("FONTCONFIG_FILE", config.c_str(), 1);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 400, 60);
    SelectObject(dc, bitmap);
    SetTextColor(dc, 0xFFFFFF);
    HFONT font = wide_font(900, HEBREW_CHARSET);
    SelectObject(dc, font);
    const std::u16string line = u"a\u751f\u05e9\U0001F600\U0010FFFD"_u16;
    RECT rect{0, 0, 0, 0};
    DrawTextW(dc, line.c_str(), -1, &rect, DT_CALCRECT);
    const BOOL drawn = TextOutW(dc, 0, 0, line.c_str(), static_cast<int>(line.size()));
    DeleteDC(dc);
    DeleteObject(bitmap);
    DeleteObject(font);
    std::exit(rect.bottom == 48 && drawn ? 0 : 1);
}

// With fontconfig unable to give anything, text still measures and draws (from
// whatever font file can be found) and nothing crashes. Run in a fresh
// process, since fontconfig is set up once per process.
TEST(WideTextWithoutFontconfig, DrawsWithoutCrashing) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string empty_config = testing::TempDir() + "nuvex-empty-fonts.conf";
    FILE* file = std::fopen(empty_config.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n", file);
    std::fclose(file);
    for (const std::string& config : {std::string("/nonexistent/fonts.conf"), empty_config}) {
        SCOPED_TRACE(config);
        EXPECT_EXIT(draw_with_fontconfig_file(config), testing::ExitedWithCode(0), "");
    }
    std::remove(empty_config.c_str());
}

}  // namespace
