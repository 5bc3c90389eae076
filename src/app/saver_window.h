// The saver window's own procedure and the animation timer: creation builds
// and seeds the scene, every 33 ms tick steps it and turns the view, and every
// paint draws the whole frame off screen and copies it to the window at once.
// A change of the window's size makes the frame again at the new size, and a
// change of the screens lets the text surface grow; the scene carries on.
#pragma once

#include "platform/win32.h"
#include "render/drawing_surface.h"

struct SeaScene;

// The module-level animation state, alive for the whole program.
extern SeaScene scene;
extern DrawingSurface frame_surface;  // holds frame_bitmap, the window's size
extern surface_rect frame_rect;       // (0, 0, w, h) of the window, kept up with its size

constexpr UINT_PTR animation_timer_id = 1;

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void CALLBACK TimerTick(HWND window, UINT message, UINT_PTR timerId, DWORD time);
