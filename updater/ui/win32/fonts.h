// The controls' fonts: the system's message font, and for Japanese texts
// the same size in a face that has Japanese glyphs when the message font
// has none (Wine, stripped systems).
#ifndef UPDATER_UI_WIN32_FONTS_H_
#define UPDATER_UI_WIN32_FONTS_H_

#include <windows.h>

#include "updater/ui/win32/handles.h"

namespace ui {
namespace win32 {

class Fonts {
 public:
  Fonts();
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;

  // Never null: the stock GUI font when nothing better was made.
  HFONT Latin() const;
  // The font for Japanese captions: Latin() when it has the glyphs, else a
  // Japanese face of the same size found on first use, else Latin().
  HFONT Japanese();

 private:
  LOGFONTW message_font_{};
  UniqueFont latin_;
  UniqueFont japanese_;
  bool japanese_looked_up_ = false;
};

// True when `face` (null: the face `base` names) has glyphs for Latin
// letters and kana alike at the size of `base`.
bool HasJapaneseGlyphs(const LOGFONTW& base, const wchar_t* face);

}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_FONTS_H_
