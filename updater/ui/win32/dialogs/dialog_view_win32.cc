#include "updater/ui/win32/dialogs/dialog_view_win32.h"

#include <commdlg.h>

#include <vector>

#include "platform/host.h"
#include "platform/win32/wide_text.h"

namespace ui {
namespace win32 {

Win32DialogView::Win32DialogView(HINSTANCE instance)
    : about_(instance), adapters_(instance), ip_edit_(instance) {}

void Win32DialogView::ShowAdapterDialog(Language language, AdapterDialogEvents& events) {
  adapters_.Show(owner_, language, &events);
}

bool Win32DialogView::ShowIpEditDialog(std::string* address) {
  if (!ip_edit_.Execute(owner_)) return false;
  *address = ip_edit_.Address();
  return true;
}

bool Win32DialogView::AskImportFile(std::string* path) {
  // Long paths fit; the dialog reports a longer choice as cancelled.
  std::vector<wchar_t> name(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner_;
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = static_cast<DWORD>(name.size());
  ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR | OFN_EXPLORER;
  if (!GetOpenFileNameW(&ofn)) return false;
  *path = platform::win32::WideToUtf8(name.data(), wcsnlen(name.data(), name.size()));
  return !path->empty();
}

void Win32DialogView::ShowAboutDialog(Language language, const AboutTexts& texts) {
  about_.Show(owner_, language, texts);
}

void Win32DialogView::OpenWebPage(const std::string& url) { platform::OpenWebPage(url); }

}  // namespace win32
}  // namespace ui
