/* Resource and control ids of the main window, read by windres (through
   main_window.rc) and by the C++ code alike, so plain #defines only. Each
   kind has its own base; a new id is the next offset from its base. A
   dialog gets a header like this one and a base of its own. */
#ifndef UPDATER_UI_WIN32_MAIN_WINDOW_RC_H_
#define UPDATER_UI_WIN32_MAIN_WINDOW_RC_H_

/* Resources. */
#define IDR_MAIN_MENU 100
#define IDR_MAIN_ACCELERATORS 101

/* Child windows. */
#define IDC_TREE_VIEW 1001
#define IDC_LIST_VIEW 1002
#define IDC_STATUS_BAR 1003
#define IDC_WEB_CONFIG_BUTTON 1004
#define IDC_STOP_BUTTON 1005
#define IDC_FIRM_UPDATE_BUTTON 1006

/* Menu commands. The buttons send their own ids; the paired items these. */
#define IDM_FIRMWARE_UPDATE 2001
#define IDM_STOP 2002
#define IDM_WEB_BROWSER 2003
#define IDM_EXIT 2004
#define IDM_REFRESH 2005
#define IDM_ENGLISH 2006
#define IDM_JAPANESE 2007
#define IDM_INTERFACES 2008
#define IDM_OPTION1 2009
#define IDM_IMPORT_IP_LIST 2010
#define IDM_ABOUT 2011
#define IDM_SIDE_BY_SIDE 2012

/* Positions of the pull-down menus in the menu bar. */
#define IDM_POS_FILE 0
#define IDM_POS_VIEW 1
#define IDM_POS_ADAPTER 2
#define IDM_POS_HELP 3

#endif /* UPDATER_UI_WIN32_MAIN_WINDOW_RC_H_ */
