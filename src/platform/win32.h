// The one include for Win32 names. On Windows these are the real USER, GDI and
// KERNEL functions; everywhere else the portable implementation under
// platform/portable/ provides the same names with the semantics the saver uses.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef STRICT
#define STRICT
#endif
#include <windows.h>
// (after windows.h, whose types it uses)
#include <commctrl.h>
#else
#include "platform/portable/windows.h"
#endif
