#pragma once
// Resource identifiers of the launcher.
#define IDS_APP_TITLE 103
#define IDM_EXIT 105
#define IDI_LAUNCHER 107
#define IDI_LAUNCHER_SMALL 108
#define IDS_WINDOW_CLASS 109
#define IDM_CLASS_MENU 109
#define IDM_TRAY 129
#define IDM_SETTINGS 32772
