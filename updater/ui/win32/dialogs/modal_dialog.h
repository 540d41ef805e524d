// A modal dialog from a template in the program's resources: shown with
// DialogBoxParam, centred on its owner, `this` kept in the dialog's user
// data and its messages forwarded to the members of the derived class.
// The object outlives the window, so a dialog created once at start keeps
// what it holds between shows.
#ifndef UPDATER_UI_WIN32_DIALOGS_MODAL_DIALOG_H_
#define UPDATER_UI_WIN32_DIALOGS_MODAL_DIALOG_H_

#include <windows.h>

#include <string>

namespace ui {
namespace win32 {

class ModalDialog {
 public:
  ModalDialog(HINSTANCE instance, int template_id)
      : instance_(instance), template_id_(template_id) {}
  virtual ~ModalDialog() = default;
  ModalDialog(const ModalDialog&) = delete;
  ModalDialog& operator=(const ModalDialog&) = delete;

  // Shows the dialog until it closes; returns the result it closed with, or
  // -1 when it could not be shown. `owner` is disabled meanwhile.
  INT_PTR ShowModal(HWND owner);
  // The dialog while it is shown; null otherwise.
  HWND hwnd() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

 protected:
  virtual void OnInitDialog() {}
  // WM_COMMAND and WM_NOTIFY; true when handled.
  virtual bool OnCommand(int id, int code, HWND control) { return false; }
  virtual bool OnNotify(const NMHDR& header, LRESULT* result) { return false; }
  // Any other message; true when handled (`result` is the dialog result).
  virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) {
    return false;
  }
  void Close(INT_PTR result);
  void SetItemText(int id, const std::string& utf8);
  std::string ItemText(int id) const;
  void SetCaption(const std::string& utf8);
  HINSTANCE instance() const { return instance_; }

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void CentreOnOwner();

  HINSTANCE instance_;
  int template_id_;
  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
};

}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_DIALOGS_MODAL_DIALOG_H_
