// The window system's test mode: no display, everything observable. Tests turn
// it on before any window exists, set what the system would report (cursor,
// ticks, power, platform family, libraries, registry) and read back what the
// saver did (posted messages, cursor changes, default handling, presents).
//
// Time is a counter here: it moves only through set_tick_count/advance_ticks,
// Sleep, and GetMessageA, which, finding nothing queued and nothing to paint,
// moves it on to the next due timer and delivers that at once. When nothing at
// all can come (no message, no paint, no timer) GetMessageA returns 0 with a
// WM_NULL message (not WM_QUIT) and counts a stall, so a loop under test ends
// instead of hanging.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/portable/windows.h"

namespace nullmode {

// Turns the test mode on (also on with NUVEX_VIDEO=null). Resets all state.
void enable();
bool enabled();
// Forgets windows, queues, timers, records and settings; keeps the mode on.
void reset();

// What the system reports.
void set_cursor(POINT position);
void set_tick_count(DWORD ticks);
void advance_ticks(DWORD milliseconds);  // also fires due timers on the next GetMessageA
void set_power_status(bool callSucceeds, BYTE acLineStatus);
void set_platform_id(DWORD platformId);                        // GetVersionExA; 1 = the 9x family
void set_screen_size(int width, int height);                   // SM_CX/CYSCREEN
void set_virtual_screen(int x, int y, int width, int height);  // SM_*VIRTUALSCREEN
void set_registry_dword(const std::string& subKey, const std::string& value, DWORD data);
// A library that LoadLibraryA/GetModuleHandleA find, with its entries.
void add_library(const std::string& name, const std::map<std::string, FARPROC>& entries,
                 bool alreadyLoaded);
// A foreign window (such as a preview pane's parent) of the given client size.
// With a class name and title it stands for another process's window that
// FindWindowA finds. Destroying it destroys the windows made inside it.
HWND create_foreign_window(int width, int height, const std::string& className = "",
                           const std::string& title = "");
void destroy_foreign_window(HWND hwnd);
// Gives a foreign window a new client size; the windows made inside it follow
// at once, as they follow a real parent's size changes on a display.
void resize_foreign_window(HWND hwnd, int width, int height);
// Tells every top-level window that the screens changed (WM_DISPLAYCHANGE, in
// the queue), as a display does; set the new sizes first with set_screen_size
// and set_virtual_screen.
void announce_display_change();

// What the saver did, in order, since the last reset.
struct Message {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Message> posted();                // every PostMessageA / PostQuitMessage (WM_QUIT)
std::vector<HCURSOR> cursor_changes();        // every SetCursor argument
std::vector<Message> default_calls();         // every DefWindowProcA call
int present_count();                          // blocks presented to windows
std::vector<std::string> loaded_libraries();  // every LoadLibraryA name, in order
std::vector<std::string> freed_libraries();   // names of modules passed to FreeLibrary
struct SystemParameterCall {
    UINT action;
    UINT param;
};
std::vector<SystemParameterCall> system_parameter_calls();
int registry_open_count();
// GetMessageA calls that found nothing could ever arrive (no message, no paint,
// no timer) and returned 0 without a quit message instead of waiting forever.
int stall_count();
// Whether the pointer is shown over the saver's windows (SetCursor).
bool cursor_visible();

}  // namespace nullmode
