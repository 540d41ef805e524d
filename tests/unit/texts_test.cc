#include "updater/ui/texts.h"

#include <gtest/gtest.h>

#include <set>

namespace ui {
namespace {

const char kModel[] = "QJ-L04";
const char kVer[] = "Ver.5.12";

TextTable Filled(Language language, const std::string& model = kModel,
                 const std::string& ver = kVer) {
  TextTable t;
  t.Fill(language, model, ver);
  return t;
}

TEST(Texts, LanguageOfLocale) {
  EXPECT_EQ(LanguageOf(1041), Language::Japanese);
  EXPECT_EQ(LanguageOf(1033), Language::English);
  EXPECT_EQ(LanguageOf(2052), Language::English);
  EXPECT_EQ(LanguageOf(0), Language::English);
}

TEST(Texts, EveryKeyAndCaptionPresentInBothLanguages) {
  EXPECT_FALSE(TextTable().filled());
  EXPECT_TRUE(TextTable()[TextKey::MsgSuccess].empty());

  for (Language lang : {Language::English, Language::Japanese}) {
    const TextTable t = Filled(lang);
    EXPECT_TRUE(t.filled());
    for (size_t k = 0; k < kTextKeyCount; ++k) {
      EXPECT_FALSE(t[static_cast<TextKey>(k)].empty()) << "key " << k;
    }
    // Every component has exactly one caption, from the language list or
    // the fixed list.
    std::set<Component> seen;
    CaptionList all = LanguageCaptions(lang, kModel, kVer);
    for (const Caption& c : FixedCaptions()) all.push_back(c);
    for (const Caption& c : all) {
      EXPECT_FALSE(c.second.empty()) << static_cast<int>(c.first);
      EXPECT_TRUE(seen.insert(c.first).second) << "twice: " << static_cast<int>(c.first);
    }
    EXPECT_EQ(seen.size(), kComponentCount);
  }
}

TEST(Texts, ComposedUpdateCaption) {
  const CaptionList en = LanguageCaptions(Language::English, kModel, kVer);
  const CaptionList ja = LanguageCaptions(Language::Japanese, kModel, kVer);
  EXPECT_EQ(CaptionOf(en, Component::FirmUpdateButton), "Update QJ-L04 to Ver.5.12");
  EXPECT_EQ(CaptionOf(en, Component::FirmwareUpdateItem), "Update QJ-L04 to Ver.5.12");
  EXPECT_EQ(CaptionOf(ja, Component::FirmUpdateButton),
            "QJ-L04 Ver.5.12\xE3\x81\xB8\xE3\x82\xA2\xE3\x83\x83\xE3\x83\x97\xE3\x83\x87"
            "\xE3\x83\xBC\xE3\x83\x88");  // へアップデート, spelled in bytes
  EXPECT_EQ(CaptionOf(ja, Component::FirmwareUpdateItem),
            CaptionOf(ja, Component::FirmUpdateButton));
  EXPECT_EQ(CaptionOf(ja, Component::FileItem), "ファイル(&F)");
  EXPECT_EQ(CaptionOf(ja, Component::AboutItem), "バージョン情報(&A)...");
  // The menu item and the button differ only by the ellipsis.
  EXPECT_EQ(CaptionOf(ja, Component::WebBrowserItem) + "...",
            CaptionOf(ja, Component::WebConfigButton));
}

TEST(Texts, LineBreaksAndBlanksKeptExactly) {
  const TextTable en = Filled(Language::English);
  const TextTable ja = Filled(Language::Japanese);
  EXPECT_EQ(
      ja[TextKey::MsgNotReady],
      "印字できない状態のプリンタが選択されています。\n\rプリンタを印刷可能な状態にしてください。");
  EXPECT_EQ(en[TextKey::MsgNotReady],
            "You selected the printer which is not ready.\r\n"
            "Please change the printer into the state which can print.");
  EXPECT_NE(en[TextKey::MsgStopQuestion].find("doesn't stop. \r\nPlease wait"), std::string::npos);
  EXPECT_EQ(en[TextKey::MsgUpdateTarget], "QJ-L04 is updated to Ver.5.12.\r\n\r\n");
  EXPECT_EQ(ja[TextKey::MsgUpdateTarget],
            "QJ-L04ファームウェアを Ver.5.12 へ書き換えます。\r\n\r\n");
  // A lone LF after the first sentence, CR LF after the second.
  EXPECT_EQ(
      ja[TextKey::MsgAbortQuestion].rfind(
          "現在 QJ-L04ファームウェアを書き込み中です。\nQJ-L04が壊れる恐れがあります。\r\n", 0),
      0u);
  EXPECT_NE(ja[TextKey::MsgUpdateWarning].find("※アップデートには３～１０分程度"),
            std::string::npos);

  EXPECT_EQ(std::string(fixed_text::kStatusWiFi).size(), 10u);
  EXPECT_EQ(std::string(fixed_text::kStatusWiFiKeyUp).size(), 10u);
  EXPECT_EQ(std::string(fixed_text::kStatusWired).size(), 11u);
  EXPECT_EQ(std::string(fixed_text::kStatusWireless).size(), 14u);
  EXPECT_EQ(NotReadyRowCaption("10.0.0.5"), " [Not ready] 10.0.0.5");
  EXPECT_EQ(UnidentifiedRowCaption("10.0.0.5"), " -- NONE -- 10.0.0.5");
}

// Some sentences name the board family fixed; the rest follow the model name
// and version label they are filled with.
TEST(Texts, ModelAndVersionReachExactlyTheirTexts) {
  const std::set<TextKey> kFollowModel = {
      TextKey::MsgUpdateTarget,     TextKey::MsgUpdateWarning,   TextKey::MsgAbortQuestion,
      TextKey::MsgFirewallRegister, TextKey::MsgFirewallBlocked, TextKey::MsgOnlyFrom200,
      TextKey::MsgOnlyFrom1xx,
  };
  for (Language lang : {Language::English, Language::Japanese}) {
    const TextTable base = Filled(lang);
    const TextTable other = Filled(lang, "XX-9", "Ver.7.01");
    for (size_t k = 0; k < kTextKeyCount; ++k) {
      const TextKey key = static_cast<TextKey>(k);
      EXPECT_EQ(base[key] != other[key], kFollowModel.count(key) == 1) << "key " << k;
    }
    const CaptionList captions = LanguageCaptions(lang, "XX-9", "Ver.7.01");
    EXPECT_NE(CaptionOf(captions, Component::FirmUpdateButton).find("XX-9"), std::string::npos);
    EXPECT_NE(CaptionOf(captions, Component::FirmUpdateButton).find("Ver.7.01"), std::string::npos);
    // The mode item names its model whatever the image is.
    EXPECT_NE(CaptionOf(captions, Component::ShowQJL04Item).find("QJ-L04"), std::string::npos);
  }
  // The Japanese range messages name the configured model once and the fixed
  // family once; English names only the configured model.
  const TextTable ja = Filled(Language::Japanese, "XX-9", "Ver.7.01");
  EXPECT_EQ(ja[TextKey::MsgOnlyFrom200],
            "XX-9 Ver.7.01 へアップデートするには、\r\nQJ-L04 Ver.2.00～2.04 からのみ可能です。");
  const TextTable en = Filled(Language::English, "XX-9", "Ver.7.01");
  EXPECT_EQ(en[TextKey::MsgOnlyFrom1xx], "Only XX-9 Ver.1.xx and 2.1x\r\ncan update to Ver.7.01.");
  EXPECT_EQ(en[TextKey::MsgSameVersion],
            "The firmware data is the same as that of the QJ-L04.\r\n\r\n"
            "Do you really want to overwrite it?");
  EXPECT_EQ(
      en[TextKey::MsgOlderPrefix].rfind("The firmware data is older than that of the QJ-L04 of", 0),
      0u);
  EXPECT_EQ(ja[TextKey::MsgDowngradeQuestion].rfind(" のQJ-L04のバージョンより古いです。", 0), 0u);
}

TEST(Texts, SwitchingBackRestoresEnglishExactly) {
  const LanguageSwitch first = SwitchLanguage(Language::English, kModel, kVer);
  EXPECT_EQ(first.checkedItem, Component::EnglishItem);
  EXPECT_EQ(first.uncheckedItem, Component::JapaneseItem);

  const LanguageSwitch ja = SwitchLanguage(Language::Japanese, kModel, kVer);
  EXPECT_EQ(ja.checkedItem, Component::JapaneseItem);
  EXPECT_EQ(ja.uncheckedItem, Component::EnglishItem);
  // Both languages set the same components in the same order.
  ASSERT_EQ(ja.captions.size(), first.captions.size());
  for (size_t i = 0; i < ja.captions.size(); ++i) {
    EXPECT_EQ(ja.captions[i].first, first.captions[i].first);
  }

  // A table reused across switches holds nothing of the earlier language.
  TextTable table;
  table.FillEnglish(kModel, kVer);
  table.FillJapanese(kModel, kVer);
  EXPECT_EQ(table[TextKey::StatusFinish], "終了");
  table.FillEnglish(kModel, kVer);
  const LanguageSwitch back = SwitchLanguage(Language::English, kModel, kVer);
  EXPECT_EQ(back.captions, first.captions);
  for (size_t k = 0; k < kTextKeyCount; ++k) {
    const TextKey key = static_cast<TextKey>(k);
    EXPECT_EQ(table[key], first.texts[key]) << "key " << k;
    EXPECT_EQ(back.texts[key], first.texts[key]) << "key " << k;
  }
  EXPECT_EQ(CaptionOf(back.captions, Component::FirmUpdateButton), "Update QJ-L04 to Ver.5.12");
}

TEST(Texts, ComposedMessages) {
  const TextTable en = Filled(Language::English);
  const TextTable ja = Filled(Language::Japanese);
  const std::string ip = "192.168.0.5";
  const std::string mac = "02:00:00:12:34:5E";

  EXPECT_EQ(DowngradeQuestion(en, ip, mac),
            "The firmware data is older than that of the QJ-L04 of \r\n"
            "IP address : 192.168.0.5\r\n"
            "MAC address : 02:00:00:12:34:5E\r\n\r\n"
            "Do you really want to downgrade it?");
  EXPECT_EQ(DowngradeQuestion(ja, ip, mac),
            "ファームウェアデータが\r\nIPアドレス : 192.168.0.5\r\n"
            "MACアドレス : 02:00:00:12:34:5E のQJ-L04のバージョンより古いです。\r\n\r\n"
            "ダウングレードを本当に実行しますか？");

  const std::string confirm = UpdateConfirmation(en);
  EXPECT_EQ(confirm.rfind("QJ-L04 is updated to Ver.5.12.\r\n\r\nDon't turn off", 0), 0u);

  EXPECT_EQ(WorkerFailureMessage(en, -2, ip, mac),
            "Updating error.\r\n\r\n192.168.0.5 : There is no response from this device.");
  EXPECT_EQ(WorkerFailureMessage(en, -11, ip, mac),
            "Updating error.\r\n\r\n192.168.0.5\r\n02:00:00:12:34:5E : Failed to receive data.");
  EXPECT_EQ(WorkerFailureMessage(en, -12, ip, mac),
            "Updating error.\r\n\r\n192.168.0.5\r\n02:00:00:12:34:5E : Failed to create a "
            "session.");
  EXPECT_EQ(WorkerFailureMessage(ja, -13, ip, mac),
            "アップデート中にエラーが発生しました。\r\n\r\n192.168.0.5\r\n"
            "02:00:00:12:34:5E : データ送信に失敗しました。");
  EXPECT_EQ(WorkerFailureMessage(en, -5, ip, mac), "Updating error.\r\n\r\n192.168.0.5");

  // Counts of two digits and more each land in their own place.
  EXPECT_EQ(BatchCountLine(en, 17, 1, 12), "Boards updated: 17, failed: 1, not started: 12.");
  EXPECT_EQ(BatchCountLine(ja, 0, 20, 0), "更新済み: 0台、失敗: 20台、未開始: 0台");
  EXPECT_EQ(
      CaptionOf(LanguageCaptions(Language::Japanese, kModel, kVer), Component::SideBySideItem),
      "複数のボードを同時に更新");
}

}  // namespace
}  // namespace ui
