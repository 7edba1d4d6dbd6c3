// Identifiers of the program's Windows resources (planeto.rc), shared with the code
// that loads them.  Plain #defines: the resource compiler reads this file too.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// The program icon; the window class asks for it by this number.
#define IDI_PLANETO 131

// The platform dialog and its controls.
#define IDD_PLATFORM 1002
#define IDC_PLATFORM_LIST 1000
#define IDC_AUDIO_LIST 1001
#define IDC_INPUT_LIST 1002
#define IDC_DEPTH_LIST 1003
#define IDC_DONT_ASK 1019
#define IDC_MODE_LIST 1027
#define IDC_FULLSCREEN 1028
#define IDC_DESKTOP_MODE 1029
#define IDC_REAL_TIME 1030

// The name Windows shows for the screen saver in its list is string 1 of the .scr.
#define IDS_DESCRIPTION 1

#define PLANETO_VERSION_MAJOR 2
#define PLANETO_VERSION_MINOR 110
#define PLANETO_VERSION_TEXT "2.110"
