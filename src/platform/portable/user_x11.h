// What the display backend does with Xlib directly, where SDL2 has no call for
// it: other processes' windows, window properties that let another process
// find ours, child windows inside foreign windows, the pointer position.
// Window ids are plain numbers here so that this header needs no X headers.
#pragma once

#include <cstdint>
#include <string>

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
bool root_size(int* width, int* height);
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

}  // namespace portable::x11
