// The screen-saver host: process entry and command line, the saver window and
// its message loop, the class procedure, the default behaviour that decides
// when the saver closes, and the system's password services.
#pragma once

#include "platform/win32.h"

// --- entry and command line ------------------------------------------------------
[[noreturn]] void SaverStartup();
int SaverMain(HINSTANCE instance, LPCSTR commandTail);
// What every mode needs first (the code page, the common controls, the
// instance, the platform family), then `mode` inside the fault guard.
int RunSaverMode(HINSTANCE instance, int (*mode)(void* context), void* context);
// Runs a display-mode command line whose action is `run`: the saver in the
// window it names, with its overrides. The exit code, as SaverMain's.
struct DisplayModeCommand;
int RunDisplayMode(HINSTANCE instance, const DisplayModeCommand& command);
// The mode a command tail names, with its window: the preview's parent, or
// the owner of the configuration dialog or of the password change (none, or the
// foreground window, when the command line gives no usable one).
enum class SaverModeKind { saver, preview, config, change_password, unusable };
// What was wrong with the window id of a preview that cannot run, so that the
// user can be told more than the usage.
enum class WindowIdFault { none, too_large, no_such_window };
struct SaverMode {
    SaverModeKind kind;
    HWND window;
    WindowIdFault windowFault = WindowIdFault::none;
    LPCSTR windowId = nullptr;  // where the faulty id's digits begin in the tail
};
SaverMode DecodeSaverMode(LPCSTR commandTail);
// Decimal digits at `text` as a window handle; 0 when there is none. A number
// too large for a 32-bit handle gives 0 as well, so that it never wraps round
// to some other, existing window.
HWND ParseWindowHandle(LPCSTR text);
// Whether the digits at `text` make a number too large for a window handle.
bool WindowIdTooLarge(LPCSTR text);
int ShowConfigDialog(HWND owner);
// The part of the raw command line after the program name and the blanks that
// follow it.
LPCSTR SkipProgramName(LPCSTR commandLine);

// --- saver window and message loop ------------------------------------------------
int RunSaverWindow(HWND parent);
// Moves and sizes the full-screen window over the whole virtual screen as it is
// now (after a change of the screens).
void CoverVirtualScreen(HWND window);
void LoadPasswordVerifier();
void UnloadPasswordVerifier();
void SetSaverRunning(bool on);

// --- default behaviour and password prompt ------------------------------------
LRESULT CALLBACK DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool VerifySaverPassword(HWND window);

// --- class procedure ------------------------------------------------------------
LRESULT CALLBACK SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// --- password change ------------------------------------------------------------
void ChangeSaverPassword(HWND owner);

// Names the saver's window is known by.
inline constexpr char saver_class_name[] = "WindowsScreenSaverClass";
inline constexpr char saver_full_screen_title[] = "Screen Saver";
inline constexpr char saver_preview_title[] = "Preview";
// The request the host sends its own window to run the password prompt.
inline constexpr UINT verify_password_request = WM_APP;
