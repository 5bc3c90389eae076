// Resource and control ids of nuvex.rc, shared by the script and the code.
#pragma once

#define IDI_NUVEX 102
#define IDD_ABOUT 103
#define IDD_CONFIG 2003
#define IDC_STATIC -1
#define IDC_ABOUT 3
#define IDC_MESSAGE 1001
#define IDC_FOLLOW 1002
#define IDS_DESCRIPTION 1
#define IDS_FILE_NAME 1001
#define IDS_SECTION 1007
