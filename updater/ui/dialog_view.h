// What the dialog commands ask of the window: the three modal dialogs, the
// open-file dialog, the list's selected row, and the system's web browser.
// The Win32 view shows real dialogs; tests answer from a script. Texts are
// UTF-8.
#ifndef UPDATER_UI_DIALOG_VIEW_H_
#define UPDATER_UI_DIALOG_VIEW_H_

#include <string>

#include "updater/ui/dialog_texts.h"
#include "updater/ui/main_view.h"

namespace ui {

// What the adapter dialog does while it is shown.
class AdapterDialogEvents {
 public:
  // A row became selected; `address` is the text of its second column.
  virtual void AdapterListSelectItem(const std::string& address) = 0;
  // OK: the list is emptied, then this runs, then the dialog closes.
  virtual void AdapterOkClick() = 0;

 protected:
  ~AdapterDialogEvents() = default;
};

class DialogView {
 public:
  virtual ~DialogView() = default;
  // TAdapterForm, modal; lists the adapters afresh.
  virtual void ShowAdapterDialog(Language language, AdapterDialogEvents& events) = 0;
  // TIPEditForm, modal: true when closed with OK; `address` is then the
  // four boxes joined with ".".
  virtual bool ShowIpEditDialog(std::string* address) = 0;
  // The open-file dialog without a filter: true with the chosen path.
  virtual bool AskImportFile(std::string* path) = 0;
  // TAboutForm, modal.
  virtual void ShowAboutDialog(Language language, const AboutTexts& texts) = 0;
  // The list's selected row, kNoRow when none.
  virtual RowRef SelectedRow() = 0;
  // ShellExecute "open" (xdg-open on Linux); failures are not reported.
  virtual void OpenWebPage(const std::string& url) = 0;
};

}  // namespace ui

#endif  // UPDATER_UI_DIALOG_VIEW_H_
