// Every caption, message and status text of the updater in English and
// Japanese. Texts are UTF-8 here; the Win32 view converts them to UTF-16 when
// it hands them to a control or a message box.
#ifndef UPDATER_UI_TEXTS_H_
#define UPDATER_UI_TEXTS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ui {

enum class Language { English, Japanese };

// The system default locale decides the language of the first show.
constexpr uint32_t kJapaneseLocaleId = 1041;
constexpr uint32_t kEnglishLocaleId = 1033;  // what an unknown locale reads as
Language LanguageOf(uint32_t locale_id);

// Message and status texts, looked up by the window logic and the update
// worker.
enum class TextKey {
  MsgCautionCaption,
  MsgUpdateTarget,
  MsgUpdateWarning,
  MsgErrorCaption,
  MsgUpdateError,
  MsgNoResponse,
  MsgStopQuestion,
  MsgAbortQuestion,
  MsgSuccess,
  MsgInfoCaption,
  MsgNotReady,
  MsgSameVersion,
  MsgOlderPrefix,
  MsgMacPrefix,
  MsgDowngradeQuestion,
  MsgReceiveFailed,
  MsgSessionFailed,
  MsgSendFailed,
  MsgFirewallRegister,
  MsgFirewallBlocked,
  MsgOnlyFrom200,
  MsgOnlyFrom1xx,
  MsgWifiSpecA,
  MsgWifiSpecB,
  StatusSending,
  StatusUpdating,
  StatusChecking,
  StatusFinish,
  StatusErrorFinish,
  // The count line of a side-by-side batch's final message; %1 updated,
  // %2 failed, %3 not started.
  MsgBatchCount,
};
constexpr size_t kTextKeyCount = static_cast<size_t>(TextKey::MsgBatchCount) + 1;

// One text per key. Empty until the first fill; each fill replaces every
// entry, so nothing of the previous language survives a switch.
class TextTable {
 public:
  // `model` is the model name of the image ("QJ-L04"), `versionLabel` the
  // DEF_IF_VERSION value ("Ver.5.12").
  void FillEnglish(const std::string& model, const std::string& versionLabel);
  void FillJapanese(const std::string& model, const std::string& versionLabel);
  void Fill(Language language, const std::string& model, const std::string& versionLabel);

  const std::string& operator[](TextKey key) const { return texts_[Index(key)]; }
  bool filled() const { return filled_; }

 private:
  static size_t Index(TextKey key) { return static_cast<size_t>(key); }
  void Set(TextKey key, std::string text) { texts_[Index(key)] = std::move(text); }
  void Clear();

  std::array<std::string, kTextKeyCount> texts_;
  bool filled_ = false;
};

// Components of the main window that carry a caption. The first group
// changes with the language; the last four are the same in both.
enum class Component {
  FileItem,
  FirmwareUpdateItem,
  WebBrowserItem,
  StopItem,
  ExitItem,
  ViewItem,
  RefreshItem,
  HelpItem,
  AboutItem,
  AdpterItem,
  InterfacesItem,
  FirmUpdateButton,
  WebConfigButton,
  StopButton,
  ListColumn0,  // IP address
  ListColumn1,  // MAC address
  ListColumn2,  // version
  ListColumn3,  // percentage
  ListColumn4,  // status
  ShowQJL01Item,
  ShowQJL02Item,
  ShowQJW02Item,
  ShowQJW03Item,
  ShowPXK60Item,
  ShowQJW04Item,
  ShowQJL04Item,
  ShowWX_Air0Item,
  ShowAllPOSDevicesItem,
  ShowAllKAVRODevicesItem,
  SideBySideItem,  // Adapter menu: update several boards at once
  // Same caption in both languages.
  EnglishItem,
  JapaneseItem,
  Option1,
  ImportIPList1,
};
constexpr size_t kComponentCount = static_cast<size_t>(Component::ImportIPList1) + 1;

using Caption = std::pair<Component, std::string>;
using CaptionList = std::vector<Caption>;

// The language-dependent captions, in the order the language routine sets
// them (menus, buttons, list columns, mode items).
CaptionList LanguageCaptions(Language language, const std::string& model,
                             const std::string& versionLabel);
// The captions that never change: the language items and the manual-address
// items. A view sets them once when it is built.
CaptionList FixedCaptions();
// The caption of `component` in `list`; empty when the list has none.
std::string CaptionOf(const CaptionList& list, Component component);

// Everything one language routine applies: which radio item of the language
// group goes on, the captions, and the whole text table.
struct LanguageSwitch {
  Language language = Language::English;
  Component checkedItem = Component::EnglishItem;
  Component uncheckedItem = Component::JapaneseItem;
  CaptionList captions;
  TextTable texts;
};
LanguageSwitch SwitchLanguage(Language language, const std::string& model,
                              const std::string& versionLabel);

// Texts that are the same in both languages.
namespace fixed_text {
// Tree nodes.
inline constexpr const char kRootPosPrinters[] = "POS Printers";
inline constexpr const char kRootKavroDevices[] = "KAVRO Devices";
inline constexpr const char kNodeQJL04Wired[] = "QJ-L04(Wired)";
inline constexpr const char kNodeQJL04Wireless[] = "QJ-L04(Wireless)";
inline constexpr const char kNodeQJL01[] = "QJ-L01";
inline constexpr const char kNodeQJL02[] = "QJ-L02";
inline constexpr const char kNodeQJW02[] = "QJ-W02";
inline constexpr const char kNodePXK60[] = "PX-K60";
inline constexpr const char kNodeEthernetIF[] = "Ethernet I/F";
// Menu items.
inline constexpr const char kEnglishItem[] = "English";
inline constexpr const char kJapaneseItem[] = "Japanese";
inline constexpr const char kOption1[] = "Input IP Address";
inline constexpr const char kImportIPList1[] = "Import IP List...";
// Status-bar panel 1 per selected category; the trailing blanks are part of
// the texts. The key-release path of the tree writes kStatusWiFiKeyUp where
// a click writes kStatusWiFi.
inline constexpr const char kStatusWiFi[] = "Wi-Fi     ";
inline constexpr const char kStatusWiFiKeyUp[] = "WiFi      ";
inline constexpr const char kStatusWired[] = "Wired      ";
inline constexpr const char kStatusWireless[] = "Wireless      ";
// Pieces of row captions.
inline constexpr const char kRowNotReadyOpen[] = " [";
inline constexpr const char kRowNotReady[] = "Not ready";
inline constexpr const char kRowNotReadyClose[] = "] ";
inline constexpr const char kRowUnidentified[] = " -- NONE -- ";
}  // namespace fixed_text

// Row captions built from the pieces above.
std::string UnidentifiedRowCaption(const std::string& address);
std::string NotReadyRowCaption(const std::string& address);  // controls older than 4.71

// Message boxes composed from several entries of the table.
std::string UpdateConfirmation(const TextTable& t);
std::string DowngradeQuestion(const TextTable& t, const std::string& address,
                              const std::string& mac);
// The message for a worker's negative result (-2, -11, -12, -13). Any other
// negative result gets the first line and the address only.
std::string WorkerFailureMessage(const TextTable& t, int result, const std::string& address,
                                 const std::string& mac);
// "Boards updated: 5, failed: 1, not started: 2." in the table's language.
std::string BatchCountLine(const TextTable& t, size_t updated, size_t failed, size_t not_started);

}  // namespace ui

#endif  // UPDATER_UI_TEXTS_H_
