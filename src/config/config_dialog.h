// The configuration dialog (template 2003) and the About box (template 103).
#pragma once

#include "platform/win32.h"

// Template ids and control ids of the resource script.
constexpr int about_dialog_id = 103;
constexpr int config_dialog_id = 2003;
constexpr int message_edit_id = 1001;
constexpr int follow_check_id = 1002;
constexpr int about_button_id = 3;

// Hook the host calls before it shows the dialog; nonzero lets it show.
int RegisterCustomClasses(HINSTANCE instance);
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
