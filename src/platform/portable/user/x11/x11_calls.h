// What the display backend does with Xlib directly, where SDL2 has no call for
// it: other processes' windows, window properties that let another process
// find ours, child windows inside foreign windows, the pointer position.
// Window ids are plain numbers here so that this header needs no X headers.
#pragma once

#include <cstdint>
#include <string>

#include "platform/portable/bridge.h"
#include "platform/portable/windows.h"

namespace portable::x11 {

// Opens this module's own connection on first use; false without a display.
bool available();
// Errors from the X server (a window that vanished, a request refused) are
// counted and otherwise ignored: they must never end the process.
void install_error_handler();
unsigned long error_count();

bool window_exists(std::uint32_t xid);
// Screen position and size of a window; false when it does not exist.
bool window_geometry(std::uint32_t xid, RECT* screen);
// The screen's current size (after any change of modes).
bool root_size(int* width, int* height);
// The primary monitor (or the first) of the screen, from the server's list of
// monitors; false when the server keeps no such list.
bool primary_monitor(RECT* screen);
bool pointer(POINT* p);

// Marks one of our windows with its class and title for find_window.
void set_identity(std::uint32_t xid, const std::string& className, const std::string& title);
// A top-level window (or the client window inside a window manager's frame)
// marked by another process with this class (without case) and title.
std::uint32_t find_window(const char* className, const char* title, std::uint32_t skipA,
                          std::uint32_t skipB);
// Raises a window and gives it the keyboard.
bool activate(std::uint32_t xid);

// A plain child window of `parent` (black background) made on this module's
// connection; 0 on failure.
std::uint32_t create_child(std::uint32_t parent, int x, int y, int width, int height);
void destroy_child(std::uint32_t xid);
void map_child(std::uint32_t xid, bool show);
// Gives a window of ours a new place (in its parent) and size.
void move_resize(std::uint32_t xid, int x, int y, int width, int height);

// Pixel memory shared with the X server (MIT-SHM), so that a block in it is
// shown without a copy on our side. alloc_shared answers nullptr when the
// display has no shared memory or the block is too small to be worth it.
std::uint32_t* alloc_shared(std::size_t pixels);
// False when `pixels` was not made by alloc_shared.
bool free_shared(std::uint32_t* pixels);
// Whether a window takes 0x00RRGGBB pixels as they are (24-bit true colour).
bool takes_xrgb(std::uint32_t xid);
// Shows a block of shared memory in a window. False (nothing done) when the
// block is not in shared memory, so the caller copies instead.
bool put_shared(std::uint32_t xid, const std::uint32_t* pixels, int stride, int x, int y, int width,
                int height, bool wait = true);
// Shows several blocks of shared memory at once, the way a frame's changed
// areas are shown: one put of the box around them, clipped to them, and a
// wait until the server has read them. Each request costs the server more
// than copying a small area, so hundreds of small areas cost little more than
// a few large ones. False (nothing done) unless every block lies in the same
// image and is moved into the window by the same amount.
bool put_shared_areas(std::uint32_t xid, const portable_block* blocks, int count);
// Waits until the X server has done everything asked of it (so that shared
// memory it reads may be drawn into again): after puts made with wait false.
void wait_for_server();
// Forgets what was kept for drawing into a window.
void forget_window(std::uint32_t xid);

}  // namespace portable::x11
