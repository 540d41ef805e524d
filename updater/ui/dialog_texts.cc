#include "updater/ui/dialog_texts.h"

namespace ui {

AdapterDialogTexts AdapterTexts(Language language) {
  if (language == Language::English) return {"Adapter Selection", "Device", "IP Address"};
  return {"アダプターの選択", "デバイス", "IP アドレス"};
}

AboutTexts MakeAboutTexts(Language language, const update::Settings& s, const std::string& model) {
  AboutTexts t;
  t.exe_name = s.exeName;
  t.copyright = s.copyright;
  if (language == Language::English) {
    t.caption = "About " + s.exeName;
    t.tool_name = model + " Firmware update tool";
    t.tool_version = "Program Version " + s.prgVersion;
    t.tool_build = "Program Build " + s.prgDateE;
  } else {
    t.caption = "バージョン情報";
    t.tool_name = model + "ファームウェア アップデートツール";
    t.tool_version = "プログラムバージョン " + s.prgVersion;
    t.tool_build = "プログラム更新日 " + s.prgDateJ;
  }
  return t;
}

InformationBox HiddenInformation(Language language) {
  return {language == Language::English ? "Information" : "情報",
          "Zantor\n\nBuilt by the Zantor developers for the KAVRO interface boards."};
}

}  // namespace ui
