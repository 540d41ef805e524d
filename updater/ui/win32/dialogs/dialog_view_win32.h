// The dialogs of the Win32 window: TAboutForm, TAdapterForm and TIPEditForm,
// created once in that order and kept for the whole run, the open-file
// dialog, and the browser through the shell. Every dialog is owned by the
// main window and centred on it.
#ifndef UPDATER_UI_WIN32_DIALOGS_DIALOG_VIEW_WIN32_H_
#define UPDATER_UI_WIN32_DIALOGS_DIALOG_VIEW_WIN32_H_

#include <windows.h>

#include <functional>
#include <string>

#include "updater/ui/dialog_view.h"
#include "updater/ui/win32/dialogs/about_form.h"
#include "updater/ui/win32/dialogs/adapter_form.h"
#include "updater/ui/win32/dialogs/ip_edit_form.h"

namespace ui {
namespace win32 {

class Win32DialogView final : public DialogView {
 public:
  explicit Win32DialogView(HINSTANCE instance);

  // The main window, and how to ask it for its selected row.
  void set_owner(HWND owner) { owner_ = owner; }
  void set_selected_row(std::function<RowRef()> selected) { selected_ = std::move(selected); }

  void ShowAdapterDialog(Language language, AdapterDialogEvents& events) override;
  bool ShowIpEditDialog(std::string* address) override;
  bool AskImportFile(std::string* path) override;
  void ShowAboutDialog(Language language, const AboutTexts& texts) override;
  RowRef SelectedRow() override { return selected_ ? selected_() : kNoRow; }
  void OpenWebPage(const std::string& url) override;

  TAboutForm& about() { return about_; }
  TAdapterForm& adapters() { return adapters_; }
  TIPEditForm& ip_edit() { return ip_edit_; }

 private:
  HWND owner_ = nullptr;
  std::function<RowRef()> selected_;
  // In the order the program creates its forms.
  TAboutForm about_;
  TAdapterForm adapters_;
  TIPEditForm ip_edit_;
};

}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_DIALOGS_DIALOG_VIEW_WIN32_H_
