// What the window hands to the window logic: one call per user action, under
// the handler names the window logic uses. A view calls these and nothing
// else, so there is no renaming layer between a control and its handler.
#ifndef UPDATER_UI_MAIN_FORM_HANDLERS_H_
#define UPDATER_UI_MAIN_FORM_HANDLERS_H_

#include "updater/ui/main_view.h"

namespace ui {

// Which input chose the node: the key-release path writes its own Wi-Fi text.
enum class SelectVia { kMouse, kEnter, kKeyUp };

class MainFormHandlers {
 public:
  // Tree: a click, Enter or key release on a node; focus arriving.
  virtual void SelectCategory(NodeRef node, SelectVia via) = 0;
  virtual void TreeViewDblClick(NodeRef selected) = 0;
  virtual void TreeViewEnter() = 0;
  virtual void FirmUpdateButtonEnter() = 0;

  // List: a press on a row (or its check box); `checked` is the control's
  // tick now. Enter (13) toggles the tick itself; Space was toggled by the
  // control.
  virtual void ListViewMouseDown(RowRef row, bool checked) = 0;
  virtual void ListViewKeyPress(RowRef row, int key, bool checked) = 0;
  virtual void ListViewSelectItem(RowRef row, bool selected) = 0;
  virtual void ListViewColumnClick(int column) = 0;
  // A double-click on a row: the selected board's web pages.
  virtual void ListViewDblClick() = 0;

  // Menus and buttons.
  virtual void RefreshItemClick() = 0;
  virtual void EnglishItemClick() = 0;
  virtual void JapaneseItemClick() = 0;
  virtual void FirmUpdateButtonClick() = 0;
  virtual void StopButtonClick() = 0;
  virtual void WebConfigButtonClick() = 0;
  virtual void InterfacesItemClick() = 0;
  virtual void InputAddressItemClick() = 0;
  virtual void ImportAddressListItemClick() = 0;
  virtual void AboutItemClick() = 0;
  // Turns "several boards at once" on (the Zantor.ini value) or off (one).
  virtual void SideBySideItemClick() = 0;

  // Any request to close the window (its Close command, Exit, a close
  // message from another program); true when the window closes.
  virtual bool FormClose() = 0;

 protected:
  ~MainFormHandlers() = default;
};

}  // namespace ui

#endif  // UPDATER_UI_MAIN_FORM_HANDLERS_H_
