// The images of the device list and the category tree.
#ifndef UPDATER_UI_WIN32_ICONS_H_
#define UPDATER_UI_WIN32_ICONS_H_

#include <windows.h>
#include <commctrl.h>

namespace ui {
namespace win32 {

// Seven slots each; the caller owns the list. Rows: ready board, board not
// ready, board not identified. Nodes: root, wired category, wireless.
HIMAGELIST MakeRowImages();
HIMAGELIST MakeNodeImages();

}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_ICONS_H_
