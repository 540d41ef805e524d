#include "updater/ui/win32/message_box.h"

#include "platform/win32/wide_text.h"

namespace ui {
namespace win32 {

UINT MessageBoxFlags(AskKind icon, AskButtons buttons) {
  UINT flags = buttons == AskButtons::kYesNo ? MB_YESNO | MB_DEFBUTTON2 : MB_OK;
  switch (icon) {
    case AskKind::kInformation:
      return flags | MB_ICONINFORMATION;
    case AskKind::kWarning:
      return flags | MB_ICONWARNING;
    case AskKind::kError:
      return flags | MB_ICONERROR;
    case AskKind::kQuestion:
      return flags | MB_ICONQUESTION;
  }
  return flags;
}

Answer ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, AskKind icon,
                      AskButtons buttons) {
  using platform::win32::Utf8ToWide;
  const int r = MessageBoxW(owner, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(),
                            MessageBoxFlags(icon, buttons));
  if (buttons != AskButtons::kYesNo) return Answer::kOk;
  return r == IDYES ? Answer::kYes : Answer::kNo;
}

}  // namespace win32
}  // namespace ui
