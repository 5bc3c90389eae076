// Resource and control ids of nuvex.rc, shared by the script and the code.
#pragma once

#define IDI_NUVEX 102
// The icon the saver's window class asks the module for. The script has no
// icon of this id, so the class gets none.
#define IDI_SAVER_CLASS 100
#define IDD_ABOUT 103
#define IDD_CONFIG 2003
#define IDC_STATIC -1
#define IDC_ABOUT 3
#define IDC_MESSAGE 1001
#define IDC_FOLLOW 1002
#define IDS_DESCRIPTION 1
#define IDS_FILE_NAME 1001
#define IDS_SECTION 1007

// What the configuration dialog tells the user: a save that failed (the
// headline, why, what became of the file, where it is, what to do), a message
// too long to store, a kept line that cannot join a Unicode message, and
// stored bytes that are no text in the system's code page; a settings file
// that cannot be read, and stored characters an edit box cannot show.
#define IDS_SAVE_FAILED 2101
#define IDS_REASON_NO_SPACE 2102
#define IDS_REASON_ACCESS_DENIED 2103
#define IDS_REASON_NOT_A_FILE 2104
#define IDS_REASON_UNREADABLE 2105
#define IDS_REASON_CANNOT_CONVERT 2106
#define IDS_REASON_OTHER 2107
#define IDS_SAVE_KEPT 2108
#define IDS_SAVE_FILE 2109
#define IDS_SAVE_ADVICE 2110
#define IDS_TEXT_TOO_LONG 2111
#define IDS_LINE_NOT_TEXT 2112
#define IDS_STORED_NOT_TEXT 2113
#define IDS_REASON_UNKNOWN_FORM 2114
#define IDS_REASON_READ_ONLY 2115
#define IDS_SAVE_NOT_MADE 2116
#define IDS_STORED_UNREADABLE 2117
#define IDS_STORED_CONTROLS 2118
