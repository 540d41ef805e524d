// TIPEditForm: the address typed into four octet boxes. Only digits and
// control characters are typed into a box; leaving a box writes its
// number back (at most 255, no leading zeros); Esc closes from a box or
// the OK button; Enter does not close. The boxes keep their texts between
// shows.
#ifndef UPDATER_UI_WIN32_DIALOGS_IP_EDIT_FORM_H_
#define UPDATER_UI_WIN32_DIALOGS_IP_EDIT_FORM_H_

#include <windows.h>

#include <array>
#include <string>

#include "updater/ui/win32/dialogs/modal_dialog.h"

namespace ui {
namespace win32 {

class TIPEditForm final : public ModalDialog {
 public:
  explicit TIPEditForm(HINSTANCE instance);

  // Clears the result flag and shows the dialog; true when OK closed it.
  bool Execute(HWND owner);
  bool result() const { return result_; }
  // The boxes joined with ".", Edit1 first.
  std::string Address() const;
  const std::array<std::string, 4>& boxes() const { return boxes_; }

 private:
  void OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  void Edit1Exit(int box);
  void ButtonClick();
  void CloseKeepingBoxes(bool ok);
  static LRESULT CALLBACK EditSubclass(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR id, DWORD_PTR self);

  std::array<std::string, 4> boxes_{"0", "0", "0", "0"};
  bool result_ = false;
};

}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_DIALOGS_IP_EDIT_FORM_H_
