// Identifiers of the Win32 dialog's resources and controls, shared by the
// resource script and the code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_ORVANCOMMONCLASSESTEST_DIALOG 102
#define IDD_PROGRESS 103
#define IDR_MAINFRAME 128

#define IDC_BUTTON_EXPORT 1000
#define IDC_BUTTON_IMPORT 1001
#define IDC_PROGRESS_TEXT 1002
#define IDC_PROGRESS_BAR 1003

// The about box's entry in the system menu; system commands keep their low
// four bits free, so the id is a multiple of 16 below 0xF000.
#define IDM_ABOUTBOX 0x0010
