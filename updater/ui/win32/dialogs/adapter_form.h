// TAdapterForm: the adapter on which the search goes out. Its rows are
// listed afresh at every show; selecting a row sets the main window's bind
// address at once; OK empties the list and refreshes, any other close
// does not refresh.
#ifndef UPDATER_UI_WIN32_DIALOGS_ADAPTER_FORM_H_
#define UPDATER_UI_WIN32_DIALOGS_ADAPTER_FORM_H_

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/adapters.h"
#include "updater/ui/dialog_view.h"
#include "updater/ui/texts.h"
#include "updater/ui/win32/dialogs/modal_dialog.h"

namespace ui {
namespace win32 {

using AdapterFormEvents = AdapterDialogEvents;

class TAdapterForm final : public ModalDialog {
 public:
  using Lister = std::function<std::vector<platform::AdapterRow>()>;
  TAdapterForm(HINSTANCE instance, Lister lister = platform::ListAdapterRows);

  // FormShow with the language of the main window's EnglishItem.
  void Show(HWND owner, Language language, AdapterFormEvents* events);
  // The rows as the list shows them, top to bottom (while shown).
  std::vector<platform::AdapterRow> Rows() const;

 private:
  void OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(const NMHDR& header, LRESULT* result) override;

  Lister lister_;
  Language language_ = Language::English;
  AdapterFormEvents* events_ = nullptr;
};

}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_DIALOGS_ADAPTER_FORM_H_
