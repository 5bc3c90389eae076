// Adopts the system's ANSI code page once at start: how its bytes form
// characters, and the built-in texts in the form the system shows them.
#pragma once

void adopt_system_code_page();
