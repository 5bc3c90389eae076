// Internal meeting points of the portable platform's parts (GDI, window
// system, process). Nothing outside platform/portable/ includes this.
#pragma once

#include <cstdint>

#include "platform/portable/windows.h"

// --- provided by the GDI part -------------------------------------------------
// A device context that draws into a window (GetDC, BeginPaint). BitBlt into it
// hands the block to portable_present.
HDC portable_create_window_dc(HWND hwnd);
void portable_delete_window_dc(HDC dc);

// --- provided by the window system ---------------------------------------------
// Shows a block of 32-bit pixels (0x00RRGGBB, top-down rows of `stride` pixels)
// in the window at (x, y), as one copy. In the null mode it is only recorded.
void portable_present(HWND hwnd, int x, int y, int width, int height, const std::uint32_t* pixels,
                      int stride);

// --- provided by the process part ------------------------------------------------
// Records argv so that GetCommandLineA returns the command line as Windows
// would hand it over (program name first, arguments quoted where needed).
void portable_init_process(int argc, char** argv);
