// The main window's menu bar (from main_window.rc) and its accelerator:
// captions by component, the language radio group, and which button and
// item each command of the window logic enables.
#ifndef UPDATER_UI_WIN32_MENU_BAR_H_
#define UPDATER_UI_WIN32_MENU_BAR_H_

#include <windows.h>

#include <string>

#include "updater/ui/main_view.h"
#include "updater/ui/win32/handles.h"

namespace ui {
namespace win32 {

// The controls one command of the logic enables and disables together; 0
// where it has none. The main panel and the system menu's Close are the
// window's own business.
struct CommandControls {
  Command command;
  int button;
  int item;
};
// The entry of `command`; null for the two the window handles itself.
const CommandControls* ControlsOf(Command command);

// The menu item of a component, 0 when it has none (buttons, columns, the
// hidden mode items); the bar position of a pull-down menu, -1 otherwise.
int MenuItemOf(Component component);
int MenuPositionOf(Component component);

class MenuBar {
 public:
  MenuBar() = default;
  MenuBar(const MenuBar&) = delete;
  MenuBar& operator=(const MenuBar&) = delete;

  // False when the resources are missing from `instance`.
  bool Load(HINSTANCE instance);

  HMENU get() const { return menu_.get(); }
  HACCEL accelerators() const { return accelerators_.get(); }

  // The caption of an item or a pull-down menu; false when `component` has
  // no place in the menu. `window` gets its bar redrawn.
  bool SetCaption(HWND window, Component component, const std::wstring& text);
  void SetChecked(Component component, bool on);
  void Enable(int item, bool on);
  bool Enabled(int item) const;

 private:
  UniqueMenu menu_;
  UniqueAccelerators accelerators_;
};

}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_MENU_BAR_H_
