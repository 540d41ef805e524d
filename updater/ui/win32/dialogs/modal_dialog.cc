#include "updater/ui/win32/dialogs/modal_dialog.h"

#include <vector>

#include "platform/win32/wide_text.h"

namespace ui {
namespace win32 {

using platform::win32::Utf8ToWide;
using platform::win32::WideToUtf8;

INT_PTR ModalDialog::ShowModal(HWND owner) {
  if (hwnd_ != nullptr) return -1;  // already shown: a nested second show is refused
  owner_ = owner;
  const INT_PTR result = DialogBoxParamW(instance_, MAKEINTRESOURCEW(template_id_), owner,
                                         &ModalDialog::Procedure, reinterpret_cast<LPARAM>(this));
  hwnd_ = nullptr;
  return result;
}

void ModalDialog::Close(INT_PTR result) {
  if (hwnd_ != nullptr) EndDialog(hwnd_, result);
}

void ModalDialog::SetItemText(int id, const std::string& utf8) {
  SetDlgItemTextW(hwnd_, id, Utf8ToWide(utf8).c_str());
}

std::string ModalDialog::ItemText(int id) const {
  const HWND item = GetDlgItem(hwnd_, id);
  const int length = GetWindowTextLengthW(item);
  if (length <= 0) return std::string();
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  const int n = GetWindowTextW(item, text.data(), length + 1);
  return WideToUtf8(text.data(), static_cast<size_t>(n > 0 ? n : 0));
}

void ModalDialog::SetCaption(const std::string& utf8) {
  SetWindowTextW(hwnd_, Utf8ToWide(utf8).c_str());
}

// Centred on the owner's window, or on the work area without an owner, and
// kept inside the work area of the owner's monitor.
void ModalDialog::CentreOnOwner() {
  RECT dialog{};
  GetWindowRect(hwnd_, &dialog);
  const HMONITOR monitor =
      MonitorFromWindow(owner_ != nullptr ? owner_ : hwnd_, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(monitor, &info);
  RECT around = info.rcWork;
  if (owner_ != nullptr && IsWindowVisible(owner_)) GetWindowRect(owner_, &around);
  const int w = dialog.right - dialog.left, h = dialog.bottom - dialog.top;
  int x = around.left + ((around.right - around.left) - w) / 2;
  int y = around.top + ((around.bottom - around.top) - h) / 2;
  if (x + w > info.rcWork.right) x = info.rcWork.right - w;
  if (y + h > info.rcWork.bottom) y = info.rcWork.bottom - h;
  if (x < info.rcWork.left) x = info.rcWork.left;
  if (y < info.rcWork.top) y = info.rcWork.top;
  SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK ModalDialog::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  ModalDialog* self;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<ModalDialog*>(lparam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lparam);
    self->hwnd_ = hwnd;
    self->CentreOnOwner();
    self->OnInitDialog();
    return TRUE;  // the dialog manager focuses the first control
  }
  self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (self == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      return self->OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam))
                 ? TRUE
                 : FALSE;
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (!self->OnNotify(*reinterpret_cast<const NMHDR*>(lparam), &result)) return FALSE;
      SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      return FALSE;
    default: {
      INT_PTR result = FALSE;
      return self->OnMessage(message, wparam, lparam, &result) ? result : FALSE;
    }
  }
}

}  // namespace win32
}  // namespace ui
