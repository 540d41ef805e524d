// The program's own icon: the first icon group of Zantor.exe, so Explorer
// and the taskbar show it, and the one the about box shows.
#ifndef UPDATER_UI_WIN32_APP_ICON_RC_H_
#define UPDATER_UI_WIN32_APP_ICON_RC_H_

#define IDI_ZANTOR 1

#endif  // UPDATER_UI_WIN32_APP_ICON_RC_H_
