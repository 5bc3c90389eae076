// Adopts the system's ANSI code page once at start: which bytes lead a
// double-byte character, and the built-in texts converted from GBK.
#pragma once

void adopt_system_code_page();
