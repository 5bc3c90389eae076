// Tells the user, where the platform has a place for it, why a mode could not
// run. A screen saver started by the Windows desktop has no console, and the
// module keeps the exit codes the desktop knows; elsewhere one line on the
// error stream names the cause and the mode fails with -1.
#pragma once

#include "platform/win32.h"

// No saver window could be made: full screen, or a preview inside `parent`.
// Returns what the mode returns.
int ReportNoSaverWindow(HWND parent);
// The configuration dialog could not be shown.
void ReportNoConfigDialog();
// A preview's window id does not fit a window handle; `idText` points at its
// digits in the command line.
void ReportWindowIdTooLarge(const char* idText);
// A preview's window id names no existing window.
void ReportNoSuchWindow(HWND window);
