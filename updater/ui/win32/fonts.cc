#include "updater/ui/win32/fonts.h"

#include <string>
#include <vector>

namespace ui {
namespace win32 {
namespace {

int CALLBACK CollectJapaneseFace(const LOGFONTW* lf, const TEXTMETRICW*, DWORD type, LPARAM out) {
  auto* faces = reinterpret_cast<std::vector<std::wstring>*>(out);
  // Scalable faces only, and not the vertical-writing '@' variants.
  if ((type & TRUETYPE_FONTTYPE) && lf->lfFaceName[0] != L'@') faces->push_back(lf->lfFaceName);
  return 1;
}

}  // namespace

bool HasJapaneseGlyphs(const LOGFONTW& base, const wchar_t* face) {
  LOGFONTW lf = base;
  if (face != nullptr) {
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  }
  UniqueFont font(CreateFontIndirectW(&lf));
  if (!font) return false;
  WindowDc dc(nullptr);
  Selection selected(dc.get(), font.get());
  wchar_t actual[LF_FACESIZE] = L"";
  GetTextFaceW(dc.get(), LF_FACESIZE, actual);
  // A fallback face with kana alone would lose the Latin letters.
  const wchar_t probe[] = L"Az\u30a2\u30c3\u72b6";  // "Azアッ状"
  constexpr int kProbe = 5;
  WORD glyphs[kProbe] = {};
  bool all =
      GetGlyphIndicesW(dc.get(), probe, kProbe, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == kProbe;
  for (WORD g : glyphs) all = all && g != 0xFFFF;
  // A missing face is silently replaced by another; only the named one counts.
  return all && (face == nullptr || lstrcmpiW(actual, face) == 0);
}

Fonts::Fonts() {
  // Segoe UI, or Meiryo UI / Yu Gothic UI on a Japanese system.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    message_font_ = metrics.lfMessageFont;
    latin_.reset(CreateFontIndirectW(&message_font_));
  } else {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof message_font_, &message_font_);
  }
}

HFONT Fonts::Latin() const {
  return latin_ ? latin_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HFONT Fonts::Japanese() {
  if (HasJapaneseGlyphs(message_font_, nullptr)) return Latin();
  if (!japanese_looked_up_) {
    japanese_looked_up_ = true;
    // Windows links the message font to a Japanese face anyway, but only
    // the glyphs of the font itself are certain.
    std::vector<std::wstring> faces = {L"Meiryo UI", L"Yu Gothic UI", L"MS UI Gothic"};
    LOGFONTW want{};
    want.lfCharSet = SHIFTJIS_CHARSET;
    EnumFontFamiliesExW(WindowDc(nullptr).get(), &want, CollectJapaneseFace,
                        reinterpret_cast<LPARAM>(&faces), 0);
    for (const std::wstring& face : faces) {
      if (!HasJapaneseGlyphs(message_font_, face.c_str())) continue;
      LOGFONTW lf = message_font_;
      lf.lfCharSet = DEFAULT_CHARSET;
      lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
      japanese_.reset(CreateFontIndirectW(&lf));
      break;
    }
  }
  return japanese_ ? japanese_.get() : Latin();
}

}  // namespace win32
}  // namespace ui
