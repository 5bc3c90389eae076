#include "app/gdi_line_rasteriser.h"

#include <algorithm>

#include "config/message_font.h"
#include "config/text_conversion.h"
#include "text/builtin_strings.h"

namespace {

constexpr int message_font_weight = 900;

}  // namespace

GdiLineRasteriser::~GdiLineRasteriser() {
    release();
    if (font_) DeleteObject(font_);
}

void GdiLineRasteriser::release() {
    if (dc_) {
        if (original_bitmap_) SelectObject(dc_, original_bitmap_);
        if (original_font_) SelectObject(dc_, original_font_);
        DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    original_bitmap_ = nullptr;
    original_font_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
}

void GdiLineRasteriser::choose_font(std::string_view message, text_encoding encoding) {
    const HFONT font = create_message_font(message_font_weight, message_face(), message, encoding);
    if (dc_ && font) {
        const HGDIOBJ previous = SelectObject(dc_, font);
        if (!original_font_) original_font_ = previous;
    }
    if (font_) DeleteObject(font_);
    font_ = font;
}

// A memory context compatible with the screen, with the font and white
// transparent text.
bool GdiLineRasteriser::make_context() {
    if (dc_) return true;
    const HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!dc_) return false;
    if (font_) original_font_ = SelectObject(dc_, font_);
    SetTextColor(dc_, RGB(255, 255, 255));
    SetBkMode(dc_, TRANSPARENT);
    return true;
}

// A bitmap of at least width × height selected into the context; it only
// ever grows, so lines of the usual size never make a new one.
bool GdiLineRasteriser::fit_bitmap(int width, int height) {
    if (bits_ && width <= width_ && height <= height_) return true;
    const int w = std::max(width, width_);
    const int h = std::max(height, height_);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // negative: rows run top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        return false;
    }
    const HGDIOBJ previous = SelectObject(dc_, bitmap);
    if (bitmap_) {
        DeleteObject(bitmap_);
    } else {
        original_bitmap_ = previous;
    }
    bitmap_ = bitmap;
    bits_ = static_cast<std::uint32_t*>(bits);
    width_ = w;
    height_ = h;
    return true;
}

surface_rect GdiLineRasteriser::draw_line(std::string_view line, text_encoding encoding,
                                          pixel_buffer& target) {
    if (!make_context()) return {};
    // Measured as TextOutW draws it: an ampersand is a character, not a
    // mnemonic prefix.
    const wide_text text = to_wide(line, encoding);
    RECT extent{0, 0, 0, 0};
    if (!text.empty()) {
        DrawTextW(dc_, text.data(), static_cast<int>(text.size()), &extent,
                  DT_CALCRECT | DT_NOPREFIX);
    }
    // Only the part of the extent inside the target is drawn and handed
    // over; glyph ink beyond the extent never reaches the target.
    const int w = std::min<LONG>(extent.right, target.width);
    const int h = std::min<LONG>(extent.bottom, target.height);
    if (w > 0 && h > 0 && fit_bitmap(w, h)) {
        for (int y = 0; y < h; ++y) std::fill_n(bits_ + std::int64_t{y} * width_, w, 0u);
        TextOutW(dc_, 0, 0, text.data(), static_cast<int>(text.size()));
        GdiFlush();  // the bitmap memory is read directly afterwards
        for (int y = 0; y < h; ++y) {
            std::copy_n(bits_ + std::int64_t{y} * width_, w, pixel_row(target, y));
        }
    }
    return {extent.left, extent.top, extent.right, extent.bottom};
}
