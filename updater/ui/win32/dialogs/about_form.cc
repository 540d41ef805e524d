#include "updater/ui/win32/dialogs/about_form.h"

#include "platform/win32/wide_text.h"
#include "updater/ui/win32/app_icon_rc.h"
#include "updater/ui/win32/dialogs/about_form_rc.h"

namespace ui {
namespace win32 {

using platform::win32::Utf8ToWide;

TAboutForm::TAboutForm(HINSTANCE instance)
    : ModalDialog(instance, IDD_ABOUT_FORM), shower_([](HWND owner, const InformationBox& box) {
        MessageBoxW(owner, Utf8ToWide(box.text).c_str(), Utf8ToWide(box.caption).c_str(),
                    MB_OK | MB_ICONINFORMATION);
      }) {}

void TAboutForm::Show(HWND owner, Language language, const AboutTexts& texts) {
  language_ = language;
  texts_ = texts;
  ShowModal(owner);
}

HFONT TAboutForm::DerivedFont(int height_percent, bool bold) {
  LOGFONTW font{};
  const HFONT dialog_font = reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
  if (dialog_font == nullptr || GetObjectW(dialog_font, sizeof font, &font) == 0) return nullptr;
  font.lfHeight = font.lfHeight * height_percent / 100;
  if (bold) font.lfWeight = FW_BOLD;
  return CreateFontIndirectW(&font);
}

void TAboutForm::OnInitDialog() {
  // The icon at the size the dialog draws it; the dialog's fonts are made
  // once and kept for later shows.
  if (icon_.get() == nullptr) {
    icon_.reset(static_cast<HICON>(
        LoadImageW(instance(), MAKEINTRESOURCEW(IDI_ZANTOR), IMAGE_ICON, 48, 48, LR_DEFAULTCOLOR)));
  }
  if (icon_.get() != nullptr) {
    SendMessageW(Item(IDC_ABOUT_IMAGE), STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);
  }
  if (title_font_.get() == nullptr) title_font_.reset(DerivedFont(160, true));
  if (bold_font_.get() == nullptr) bold_font_.reset(DerivedFont(100, true));
  if (title_font_.get() != nullptr) {
    SendMessageW(Item(IDC_ABOUT_EXE_NAME), WM_SETFONT, reinterpret_cast<WPARAM>(title_font_.get()),
                 FALSE);
  }
  if (bold_font_.get() != nullptr) {
    SendMessageW(Item(IDC_ABOUT_MAKER), WM_SETFONT, reinterpret_cast<WPARAM>(bold_font_.get()),
                 FALSE);
  }
  SetCaption(texts_.caption);
  SetItemText(IDC_ABOUT_EXE_NAME, texts_.exe_name);
  SetItemText(IDC_ABOUT_TOOL_NAME, texts_.tool_name);
  SetItemText(IDC_ABOUT_TOOL_VERSION, texts_.tool_version);
  SetItemText(IDC_ABOUT_TOOL_BUILD, texts_.tool_build);
  SetItemText(IDC_ABOUT_MAKER, kAboutMaker);
  SetItemText(IDC_ABOUT_COPYRIGHT, texts_.copyright);
  SetItemText(IDC_ABOUT_NOTICE, kAboutNotice);
}

bool TAboutForm::OnCommand(int id, int code, HWND) {
  if (id == IDC_ABOUT_IMAGE && code == STN_DBLCLK) {
    ImageDblClick();
    return true;
  }
  if (id == IDC_ABOUT_OK || id == IDOK || id == IDCANCEL) {
    Close(IDOK);
    return true;
  }
  return false;
}

void TAboutForm::ImageDblClick() {
  if (counter_.Click() && shower_) shower_(hwnd(), HiddenInformation(language_));
}

}  // namespace win32
}  // namespace ui
