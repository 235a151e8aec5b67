// The numbers of the Windows program's resources, controls, commands and own messages. Plain
// macros, since the resource compiler reads this file too (quorbit.rc); main_window.cpp
// checks the commands against the shell's constants.
#pragma once

#define IDR_MAIN_MENU 128
#define IDR_POPUP_MENU 129
#define IDR_ACCELERATORS 128
#define IDI_RUNNING 130
#define IDI_IDLE 131

#define IDD_ABOUT 150
#define IDD_PREFERENCES 152
#define IDD_PRIORITY 153
#define IDD_NEW_WORK 167

#define IDC_ABOUT_ICON 1031
#define IDC_FREQUENCY 1000
#define IDC_DEPTH 1001
#define IDC_THREADS 1002
#define IDC_THREADS_MEANING 1003
#define IDC_PRIORITY 1030
#define IDC_UNIT 1000

#define CMD_STATUS 32772
#define CMD_CONTINUE 32773
#define CMD_STOP 32774
#define CMD_PREFERENCES 32776
#define CMD_TRAY_ICON 32777
#define CMD_NO_ICON 32778
#define CMD_NEW 32780
#define CMD_EXIT 32781
#define CMD_PRIORITY 32782
#define CMD_ABOUT 32789
#define CMD_NORMAL_INSTALL 32791
#define CMD_SERVICE_INSTALL 32792
#define CMD_UNINSTALL 32793
#define CMD_HELP_TOPICS 57667
#define CMD_CONTEXT_HELP 57669

// The main window's own messages (WM_USER + n): the tray icon's callback and the console's
// redraw requests.
#define WM_TRAYICON 1025
#define WM_CONSOLE_SCROLL 1026
#define WM_CONSOLE_REFRESH 1027
