// TAboutForm: the program's icon and its name, version and build in the
// main window's language, the maker and the copyright. The tenth
// double-click on the icon (counted for the life of the program) shows a
// small information box.
#ifndef UPDATER_UI_WIN32_DIALOGS_ABOUT_FORM_H_
#define UPDATER_UI_WIN32_DIALOGS_ABOUT_FORM_H_

#include <windows.h>

#include <functional>

#include "updater/ui/dialog_texts.h"
#include "updater/ui/win32/dialogs/modal_dialog.h"
#include "updater/ui/win32/handles.h"

namespace ui {
namespace win32 {

class TAboutForm final : public ModalDialog {
 public:
  // Shows the hidden information box; a message box owned by the about box
  // unless replaced (tests).
  using InformationShower = std::function<void(HWND owner, const InformationBox& box)>;
  explicit TAboutForm(HINSTANCE instance);

  // FormShow: the texts are those of the language at this show.
  void Show(HWND owner, Language language, const AboutTexts& texts);
  void set_information_shower(InformationShower shower) { shower_ = std::move(shower); }
  const DoubleClickCounter& counter() const { return counter_; }

 private:
  struct IconTraits {
    using Handle = HICON;
    static Handle None() { return nullptr; }
    static bool Close(Handle h) { return DestroyIcon(h) != 0; }
  };
  void OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  void ImageDblClick();
  HFONT DerivedFont(int height_percent, bool bold);

  Language language_ = Language::English;
  AboutTexts texts_;
  DoubleClickCounter counter_;
  InformationShower shower_;
  platform::win32::UniqueHandle<IconTraits> icon_;
  UniqueFont title_font_;
  UniqueFont bold_font_;
};

}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_DIALOGS_ABOUT_FORM_H_
