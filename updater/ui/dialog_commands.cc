#include "updater/ui/dialog_commands.h"

#include <utility>

#include "updater/ui/manual_address.h"

namespace ui {

DialogCommands::DialogCommands(TMainForm& form, MainView& view, DialogView& dialogs,
                               const update::Settings& settings, std::string model,
                               LineReader reader)
    : form_(form),
      view_(view),
      dialogs_(dialogs),
      settings_(settings),
      model_(std::move(model)),
      reader_(std::move(reader)) {}

void DialogCommands::InterfacesItemClick() {
  if (form_.updating()) return;
  dialogs_.ShowAdapterDialog(form_.language(), *this);
}

void DialogCommands::AdapterListSelectItem(const std::string& address) {
  // At once, as the row is chosen; the next search binds there.
  form_.channel().SetBindAddress(address);
}

void DialogCommands::AdapterOkClick() {
  if (!form_.updating()) form_.RefreshItemClick();
}

void DialogCommands::InputAddressItemClick() {
  if (form_.updating()) return;
  std::string address;
  if (dialogs_.ShowIpEditDialog(&address)) AddManualAddress(form_, address);
}

void DialogCommands::ImportAddressListItemClick() {
  if (form_.updating()) return;
  std::string path;
  if (!dialogs_.AskImportFile(&path)) return;
  std::vector<std::string> lines;
  std::string error;
  if (!reader_(path, &lines, &error)) {
    // The reader's own words, as the framework shows a failed file read.
    view_.Ask(error, "Zantor", AskKind::kError, AskButtons::kOk);
    return;
  }
  ImportAddressLines(form_, lines);
}

void DialogCommands::AboutItemClick() {
  const Language language = form_.language();
  dialogs_.ShowAboutDialog(language, MakeAboutTexts(language, settings_, model_));
}

std::vector<ListedRow> DialogCommands::Listed() const {
  const RowRef selected = dialogs_.SelectedRow();
  std::vector<ListedRow> rows;
  for (const TMainForm::Row& r : form_.rows()) {
    rows.push_back({form_.devices().Find(r.record_id), r.data.checked, r.ref == selected});
  }
  return rows;
}

void DialogCommands::Open(const protocol::TDevice* record) {
  // The address is copied into the URL before the shell runs.
  const std::string url = WebPageUrl(record);
  if (!url.empty()) dialogs_.OpenWebPage(url);
}

void DialogCommands::WebConfigButtonClick() { Open(WebConfigTarget(Listed())); }

void DialogCommands::ListViewDblClick() { Open(DoubleClickTarget(Listed())); }

}  // namespace ui
