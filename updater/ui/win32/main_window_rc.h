// Control and command ids of the main window, as offsets from one base per
// kind so a new control or item never collides with an existing one.
#ifndef UPDATER_UI_WIN32_MAIN_WINDOW_RC_H_
#define UPDATER_UI_WIN32_MAIN_WINDOW_RC_H_

namespace ui {
namespace win32 {
namespace ids {

// Child windows.
constexpr int kControlBase = 1000;
constexpr int kTreeView = kControlBase + 1;
constexpr int kListView = kControlBase + 2;
constexpr int kStatusBar = kControlBase + 3;
constexpr int kWebConfigButton = kControlBase + 4;
constexpr int kStopButton = kControlBase + 5;
constexpr int kFirmUpdateButton = kControlBase + 6;

// Menu commands. The buttons send their own ids; the paired menu items
// send these.
constexpr int kMenuBase = 2000;
constexpr int kFirmwareUpdateItem = kMenuBase + 1;
constexpr int kStopItem = kMenuBase + 2;
constexpr int kWebBrowserItem = kMenuBase + 3;
constexpr int kExitItem = kMenuBase + 4;
constexpr int kRefreshItem = kMenuBase + 5;
constexpr int kEnglishItem = kMenuBase + 6;
constexpr int kJapaneseItem = kMenuBase + 7;
constexpr int kInterfacesItem = kMenuBase + 8;
constexpr int kOption1 = kMenuBase + 9;
constexpr int kImportIPList1 = kMenuBase + 10;
constexpr int kAboutItem = kMenuBase + 11;

// Positions of the pull-down menus in the menu bar.
constexpr int kFileMenu = 0;
constexpr int kViewMenu = 1;
constexpr int kAdapterMenu = 2;
constexpr int kHelpMenu = 3;

}  // namespace ids
}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_MAIN_WINDOW_RC_H_
