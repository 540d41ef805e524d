// The texts of the small dialogs in each language: the adapter selection,
// the about box and its hidden information box.
#ifndef UPDATER_UI_DIALOG_TEXTS_H_
#define UPDATER_UI_DIALOG_TEXTS_H_

#include <string>

#include "updater/ui/texts.h"
#include "updater/update/settings.h"

namespace ui {

struct AdapterDialogTexts {
  std::string caption;
  std::string device_column;
  std::string address_column;
};
AdapterDialogTexts AdapterTexts(Language language);

// The typed-address dialog reads the same in both languages.
inline constexpr const char kIpEditCaption[] = "Input IP Address";
inline constexpr const char kOkCaption[] = "OK";
inline constexpr const char kCancelCaption[] = "Cancel";

struct AboutTexts {
  std::string caption;
  std::string exe_name;
  std::string tool_name;
  std::string tool_version;
  std::string tool_build;
  std::string copyright;
};
// From the settings file's values; `model` is the image's model ("QJ-L04").
AboutTexts MakeAboutTexts(Language language, const update::Settings& settings,
                          const std::string& model);

// Fixed lines of the about box.
inline constexpr const char kAboutDesignCaption[] = "About";
inline constexpr const char kAboutMaker[] = "KAVRO";
inline constexpr const char kAboutNotice[] =
    "This tool rewrites the firmware of KAVRO network interface boards.";

// The box behind the tenth double-click on the about box's icon.
struct InformationBox {
  std::string caption;
  std::string text;
};
InformationBox HiddenInformation(Language language);

// Counts double-clicks on the icon for the life of the program; true on
// every tenth, when the counter starts again.
class DoubleClickCounter {
 public:
  bool Click() {
    if (++count_ < 10) return false;
    count_ = 0;
    return true;
  }
  int count() const { return count_; }

 private:
  int count_ = 0;
};

}  // namespace ui

#endif  // UPDATER_UI_DIALOG_TEXTS_H_
