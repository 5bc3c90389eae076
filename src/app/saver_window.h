// The saver window's own procedure and the animation timer: creation builds
// and seeds the scene, every 33 ms tick steps it and turns the view, and every
// paint draws the whole frame off screen and copies it to the window at once.
// A change of the window's size makes the frame again at the new size, and a
// change of the screens lets the text surface grow; the scene carries on.
#pragma once

#include "app/frame_bitmap.h"
#include "app/gdi_line_rasteriser.h"
#include "platform/win32.h"
#include "render/drawing_surface.h"

struct SeaScene;

// The module-level animation state, alive for the whole program.
extern SeaScene scene;
extern GdiLineRasteriser text_rasteriser;  // draws the message lines
extern FrameBitmap frame_bitmap;           // the window's size, in a memory context
extern DrawingSurface frame_surface;       // frame_bitmap's memory, as the core draws it
extern surface_rect frame_rect;            // (0, 0, w, h) of the window, kept up with its size

constexpr UINT_PTR animation_timer_id = 1;

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void CALLBACK TimerTick(HWND window, UINT message, UINT_PTR timerId, DWORD time);

// The procedure that handles every message SaverWindowProc leaves alone: the
// host's default saver behaviour, which decides when the saver closes. Until
// one is given, DefWindowProcA.
void SetSaverDefaultProc(WNDPROC procedure);
