#include "updater/ui/texts.h"

#include "updater/ui/texts_data.h"

// The Japanese texts are plain literals in UTF-8 sources. A compiler told to
// use another execution character set would turn them into something the
// view can't convert, so refuse to build instead.
static_assert(sizeof("ア") == 4 && static_cast<unsigned char>("ア"[0]) == 0xE3 &&
                  static_cast<unsigned char>("ア"[1]) == 0x82 &&
                  static_cast<unsigned char>("ア"[2]) == 0xA2,
              "string literals must be UTF-8 (g++: -fexec-charset=UTF-8, MSVC: /utf-8)");

namespace ui {

Language LanguageOf(uint32_t locale_id) {
  return locale_id == kJapaneseLocaleId ? Language::Japanese : Language::English;
}

void TextTable::Clear() {
  for (std::string& s : texts_) s.clear();
}

void TextTable::Fill(Language language, const std::string& model, const std::string& versionLabel) {
  if (language == Language::Japanese) {
    FillJapanese(model, versionLabel);
  } else {
    FillEnglish(model, versionLabel);
  }
}

CaptionList LanguageCaptions(Language language, const std::string& model,
                             const std::string& versionLabel) {
  return language == Language::Japanese ? texts_data::JapaneseCaptions(model, versionLabel)
                                        : texts_data::EnglishCaptions(model, versionLabel);
}

CaptionList FixedCaptions() {
  return {
      {Component::EnglishItem, fixed_text::kEnglishItem},
      {Component::JapaneseItem, fixed_text::kJapaneseItem},
      {Component::Option1, fixed_text::kOption1},
      {Component::ImportIPList1, fixed_text::kImportIPList1},
  };
}

std::string CaptionOf(const CaptionList& list, Component component) {
  for (const Caption& c : list) {
    if (c.first == component) return c.second;
  }
  return std::string();
}

LanguageSwitch SwitchLanguage(Language language, const std::string& model,
                              const std::string& versionLabel) {
  LanguageSwitch s;
  s.language = language;
  const bool japanese = language == Language::Japanese;
  s.checkedItem = japanese ? Component::JapaneseItem : Component::EnglishItem;
  s.uncheckedItem = japanese ? Component::EnglishItem : Component::JapaneseItem;
  s.captions = LanguageCaptions(language, model, versionLabel);
  s.texts.Fill(language, model, versionLabel);
  return s;
}

std::string UnidentifiedRowCaption(const std::string& address) {
  return fixed_text::kRowUnidentified + address;
}

std::string NotReadyRowCaption(const std::string& address) {
  return std::string(fixed_text::kRowNotReadyOpen) + fixed_text::kRowNotReady +
         fixed_text::kRowNotReadyClose + address;
}

std::string UpdateConfirmation(const TextTable& t) {
  return t[TextKey::MsgUpdateTarget] + t[TextKey::MsgUpdateWarning];
}

std::string DowngradeQuestion(const TextTable& t, const std::string& address,
                              const std::string& mac) {
  return t[TextKey::MsgOlderPrefix] + address + "\r\n" + t[TextKey::MsgMacPrefix] + mac +
         t[TextKey::MsgDowngradeQuestion];
}

std::string BatchCountLine(const TextTable& t, size_t updated, size_t failed, size_t not_started) {
  std::string text = t[TextKey::MsgBatchCount];
  const std::pair<const char*, size_t> fields[] = {
      {"%1", updated}, {"%2", failed}, {"%3", not_started}};
  for (const auto& [mark, value] : fields) {
    const size_t at = text.find(mark);
    if (at != std::string::npos) text.replace(at, 2, std::to_string(value));
  }
  return text;
}

std::string WorkerFailureMessage(const TextTable& t, int result, const std::string& address,
                                 const std::string& mac) {
  std::string text = t[TextKey::MsgUpdateError] + address;
  switch (result) {
    case -2:
      text += t[TextKey::MsgNoResponse];
      break;
    case -11:
      text += "\r\n" + mac + t[TextKey::MsgReceiveFailed];
      break;
    case -12:
      text += "\r\n" + mac + t[TextKey::MsgSessionFailed];
      break;
    case -13:
      text += "\r\n" + mac + t[TextKey::MsgSendFailed];
      break;
    default:
      break;
  }
  return text;
}

}  // namespace ui
