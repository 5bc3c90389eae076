// The configuration dialog (template IDD_CONFIG) and the About box (template IDD_ABOUT).
#pragma once

#include "config/nuvex_resource_ids.h"
#include "platform/win32.h"

// Template ids and control ids of the resource script.
constexpr int about_dialog_id = IDD_ABOUT;
constexpr int config_dialog_id = IDD_CONFIG;
constexpr int message_edit_id = IDC_MESSAGE;
constexpr int follow_check_id = IDC_FOLLOW;
constexpr int about_button_id = IDC_ABOUT;

// Hook the host calls before it shows the dialog; nonzero lets it show.
int RegisterCustomClasses(HINSTANCE instance);
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
