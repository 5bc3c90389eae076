// The settings file's and its section's names: stored names that users' files
// carry, never translated and never to change. Read by the resource script
// (string resources IDS_FILE_NAME and IDS_SECTION, which the code loads) and
// by the code and its tests: macros only.
#pragma once

#define NUVEX_SETTINGS_FILE_NAME "Nuvex0_01"
#define NUVEX_SETTINGS_SECTION "Nuvex0_01"
