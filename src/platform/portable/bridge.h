// Internal meeting points of the portable platform's parts (GDI, window
// system, process). Nothing outside platform/portable/ includes this.
#pragma once

#include <cstddef>
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
// Several blocks shown together, as the blocks one paint transfers: the window
// system may send them in one go (one round trip to the X server, one commit
// to a Wayland compositor).
struct portable_block {
    int x, y, width, height;
    const std::uint32_t* pixels;
    int stride;
};
void portable_present_blocks(HWND hwnd, const portable_block* blocks, int count);
// Zero-filled pixel memory for bitmaps. On a display that allows it the memory
// is shared with the X server, and portable_present shows a block of it
// without copying; elsewhere it is plain heap memory. Free it only with
// portable_free_pixels.
std::uint32_t* portable_alloc_pixels(std::size_t count);
void portable_free_pixels(std::uint32_t* pixels);

// Starts looking up the message font's face in the background, so that the
// first CreateFontA finds it ready.
void portable_prefetch_message_font();

// --- provided by the process part ------------------------------------------------
// Records argv so that GetCommandLineA returns the command line as Windows
// would hand it over (program name first, arguments quoted where needed).
void portable_init_process(int argc, char** argv);

// --- provided by the window system: the window table ---------------------------
// Every HWND the portable platform hands out (saver windows, dialogs and their
// controls) is an entry of one table, so that SendMessageA, SetWindowTextA,
// GetWindowTextA, GetDlgItem, CheckDlgButton, IsWindow and GetParent work alike
// for all of them. A dialog or control registers itself with the procedure that
// serves its messages (WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH, WM_SETFONT,
// BM_SETCHECK, BM_GETCHECK, EM_LIMITTEXT, ...); `native` is free for the owner.
HWND portable_register_window(WNDPROC proc, HWND parent, const char* className, const char* title,
                              int controlId, void* native);
void portable_unregister_window(HWND hwnd);
// A registered window that holds its text as Unicode serves messages in both
// forms: `unicodeProc` gets those sent with SendMessageW, its own procedure
// those sent with SendMessageA, each with text in its own form. Without one,
// SendMessageW converts text messages for the ANSI procedure.
void portable_set_unicode_proc(HWND hwnd, WNDPROC unicodeProc);
void* portable_window_native(HWND hwnd);
int portable_window_control_id(HWND hwnd);
