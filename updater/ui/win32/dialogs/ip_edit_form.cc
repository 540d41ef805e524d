#include "updater/ui/win32/dialogs/ip_edit_form.h"

#include <commctrl.h>

#include "updater/ui/import_rules.h"
#include "updater/ui/win32/dialogs/ip_edit_form_rc.h"

namespace ui {
namespace win32 {
namespace {

constexpr int kBoxIds[4] = {IDC_IP_EDIT1, IDC_IP_EDIT2, IDC_IP_EDIT3, IDC_IP_EDIT4};
constexpr UINT_PTR kSubclassId = 1;

int BoxIndex(int id) {
  for (int i = 0; i < 4; ++i) {
    if (kBoxIds[i] == id) return i;
  }
  return -1;
}

}  // namespace

TIPEditForm::TIPEditForm(HINSTANCE instance) : ModalDialog(instance, IDD_IP_EDIT_FORM) {}

bool TIPEditForm::Execute(HWND owner) {
  result_ = false;
  ShowModal(owner);
  return result_;
}

std::string TIPEditForm::Address() const { return JoinIpBoxes(boxes_); }

void TIPEditForm::OnInitDialog() {
  for (int i = 0; i < 4; ++i) {
    SetItemText(kBoxIds[i], boxes_[i]);
    SendMessageW(Item(kBoxIds[i]), EM_SETLIMITTEXT, kIpBoxMaxChars, 0);
    SetWindowSubclass(Item(kBoxIds[i]), &TIPEditForm::EditSubclass, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
  }
  // Esc on the OK button closes too.
  SetWindowSubclass(Item(IDC_IP_OK), &TIPEditForm::EditSubclass, kSubclassId,
                    reinterpret_cast<DWORD_PTR>(this));
}

bool TIPEditForm::OnCommand(int id, int code, HWND) {
  const int box = BoxIndex(id);
  if (box >= 0) {
    if (code == EN_KILLFOCUS) Edit1Exit(box);
    return code == EN_KILLFOCUS;
  }
  switch (id) {
    case IDC_IP_OK:
      ButtonClick();
      return true;
    case IDC_IP_CANCEL:
    case IDCANCEL:  // Esc through the dialog manager, or the close box
      CloseKeepingBoxes(false);
      return true;
    case IDOK:  // Enter: there is no default button, so nothing happens
      return true;
    default:
      return false;
  }
}

void TIPEditForm::Edit1Exit(int box) {
  const std::string text = ItemText(kBoxIds[box]);
  const std::string shown = NormaliseIpBox(text);
  // Written only when it changes, so the caret of an unchanged box stays.
  if (shown != text) SetItemText(kBoxIds[box], shown);
}

void TIPEditForm::ButtonClick() {
  // Clicking OK moves the focus and so normalises the box it left; a box
  // changed without the focus (a programmatic click) is normalised here.
  for (int i = 0; i < 4; ++i) Edit1Exit(i);
  result_ = true;
  CloseKeepingBoxes(true);
}

void TIPEditForm::CloseKeepingBoxes(bool ok) {
  for (int i = 0; i < 4; ++i) boxes_[i] = ItemText(kBoxIds[i]);
  Close(ok ? IDOK : IDCANCEL);
}

LRESULT CALLBACK TIPEditForm::EditSubclass(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                           UINT_PTR id, DWORD_PTR data) {
  auto* self = reinterpret_cast<TIPEditForm*>(data);
  const bool is_box = BoxIndex(GetDlgCtrlID(hwnd)) >= 0;
  switch (message) {
    case WM_KEYDOWN:
      if (wparam == VK_ESCAPE) {  // Edit1KeyDown
        self->CloseKeepingBoxes(false);
        return 0;
      }
      break;
    case WM_CHAR:
      if (!is_box) break;
      if (wparam == static_cast<WPARAM>(kKeyEscape)) {  // Esc typed as a character
        self->CloseKeepingBoxes(false);
        return 0;
      }
      if (!IpBoxAcceptsChar(static_cast<int>(wparam))) return 0;  // Edit1KeyPress
      break;
    case WM_PASTE:
      // Pasted text passes no key filter: only its digits are taken.
      if (is_box) {
        std::string digits;
        if (OpenClipboard(hwnd)) {
          if (HANDLE data_handle = GetClipboardData(CF_UNICODETEXT)) {
            if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data_handle))) {
              for (const wchar_t* p = text; *p != L'\0' && digits.size() < kIpBoxMaxChars; ++p) {
                if (*p >= L'0' && *p <= L'9') digits += static_cast<char>(*p);
              }
              GlobalUnlock(data_handle);
            }
          }
          CloseClipboard();
        }
        const std::wstring wide(digits.begin(), digits.end());
        SendMessageW(hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
        return 0;
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &TIPEditForm::EditSubclass, id);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

}  // namespace win32
}  // namespace ui
