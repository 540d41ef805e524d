// The per-language caption lists behind LanguageCaptions; only texts*.cc
// include this.
#ifndef UPDATER_UI_TEXTS_DATA_H_
#define UPDATER_UI_TEXTS_DATA_H_

#include <string>

#include "updater/ui/texts.h"

namespace ui {
namespace texts_data {

// Some sentences name the board family itself rather than the model name of
// the image, so they read the same whatever model the settings give.
inline constexpr const char kFixedModel[] = "QJ-L04";

CaptionList EnglishCaptions(const std::string& model, const std::string& versionLabel);
CaptionList JapaneseCaptions(const std::string& model, const std::string& versionLabel);

}  // namespace texts_data
}  // namespace ui

#endif  // UPDATER_UI_TEXTS_DATA_H_
