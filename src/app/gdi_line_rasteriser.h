// Message lines drawn with the system's text functions: the message font
// through CreateFontW, measured with DrawTextW and drawn with TextOutW into a
// 32-bit DIB section, then handed to the animation. GDI on Windows; on Linux
// the portable GDI, which draws with FreeType.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/win32.h"
#include "text/line_rasteriser.h"

class GdiLineRasteriser final : public line_rasteriser {
public:
    GdiLineRasteriser() = default;
    ~GdiLineRasteriser() override;
    GdiLineRasteriser(const GdiLineRasteriser&) = delete;
    GdiLineRasteriser& operator=(const GdiLineRasteriser&) = delete;

    void choose_font(std::string_view message, text_encoding encoding) override;
    surface_rect draw_line(std::string_view line, text_encoding encoding,
                           pixel_buffer& target) override;

private:
    bool make_context();
    bool fit_bitmap(int width, int height);
    void release();

    HFONT font_ = nullptr;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ original_bitmap_ = nullptr;
    HGDIOBJ original_font_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};
