// The main window's commands that open a dialog or the browser: adapter
// selection, typed address, address-list import, about box, web pages.
// None of them adds, lists or refreshes anything while an update runs, and
// none keeps a record across a dialog (the dialogs pump messages).
#ifndef UPDATER_UI_DIALOG_COMMANDS_H_
#define UPDATER_UI_DIALOG_COMMANDS_H_

#include <functional>
#include <string>
#include <vector>

#include "updater/ui/dialog_view.h"
#include "updater/ui/main_form.h"
#include "updater/ui/web_command.h"
#include "updater/update/settings.h"

namespace ui {

class DialogCommands final : private AdapterDialogEvents {
 public:
  // Reads a text file as lines; false with the system's words in `error`.
  using LineReader = std::function<bool(const std::string& path, std::vector<std::string>* lines,
                                        std::string* error)>;
  // `model` is the image's model ("QJ-L04"), named by the about box.
  DialogCommands(TMainForm& form, MainView& view, DialogView& dialogs,
                 const update::Settings& settings, std::string model, LineReader reader);

  void InterfacesItemClick();
  void InputAddressItemClick();
  void ImportAddressListItemClick();
  void AboutItemClick();
  void WebConfigButtonClick();
  void ListViewDblClick();

 private:
  void AdapterListSelectItem(const std::string& address) override;
  void AdapterOkClick() override;
  std::vector<ListedRow> Listed() const;
  void Open(const protocol::TDevice* record);

  TMainForm& form_;
  MainView& view_;
  DialogView& dialogs_;
  update::Settings settings_;
  std::string model_;
  LineReader reader_;
};

}  // namespace ui

#endif  // UPDATER_UI_DIALOG_COMMANDS_H_
