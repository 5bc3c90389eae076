// The frame as the window system sees it: a 32-bit top-down DIB section in a
// memory context compatible with the screen, whose memory the animation draws
// into and which reaches the window in one block transfer.
#pragma once

#include <vector>

#include "platform/win32.h"
#include "render/drawing_surface.h"

struct FrameBitmap {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ original = nullptr;
};

// Makes `bitmap` width × height (releasing any earlier one) and points
// `surface` at its memory, known black. False, with both left empty, when it
// cannot be made.
bool create_frame_bitmap(FrameBitmap& bitmap, DrawingSurface& surface, int width, int height);
// Block transfer (SRCCOPY) of the top-left width × height pixels to `target`.
void present_frame(const FrameBitmap& bitmap, HDC target, int width, int height);
// The same for areas of the frame, each to the same place in `target`, in one
// transfer.
void present_areas(const FrameBitmap& bitmap, HDC target, const std::vector<surface_rect>& areas);
void release_frame_bitmap(FrameBitmap& bitmap, DrawingSurface& surface);
