// The values of the settings file Zantor.ini that the program carries:
// section "Application", read key by key with "" as the default.
#ifndef UPDATER_UPDATE_SETTINGS_H_
#define UPDATER_UPDATE_SETTINGS_H_

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace update {

constexpr char kSettingsSection[] = "Application";

struct Settings {
  std::string ifVersion;     // DEF_IF_VERSION: the image's version label, "Ver.5.12"
  std::string exeName;       // DEF_EXE_NAME: About box; firewall exception name
  std::string exeDispName;   // DEF_EXE_DISPNAME: read and kept, unused
  std::string prgVersion;    // DEF_PRG_VERSION: About box
  std::string prgDateJ;      // DEF_PRG_DATE_J: About box, Japanese
  std::string prgDateE;      // DEF_PRG_DATE_E: About box, English
  std::string copyright;     // DEF_COPYRIGHT: About box
  std::string caption;       // DEF_CAPTION: main window caption
  std::string firmFileName;  // DEF_FIRMFILE_NAME: the image's file name
};

struct SettingsKey {
  const char* key;
  std::string Settings::*field;
};

// The keys in the order they are read.
extern const std::array<SettingsKey, 9> kSettingsKeys;

// Reads every key through `read` (key -> value, "" when missing), in order.
Settings ReadSettings(const std::function<std::string(const char* key)>& read);

// "[Update] SideBySide=": how many boards may sit in their restart wait or
// confirmation at once when the user turns "several boards at once" on.
constexpr char kUpdateSection[] = "Update";
constexpr char kSideBySideKey[] = "SideBySide";
constexpr uint32_t kSideBySideDefault = 8;
constexpr uint32_t kSideBySideMost = 9999;

// The value of SideBySide: a whole number from 1 to kSideBySideMost;
// anything else (missing, 0, signs, words, too large) gives the default.
uint32_t SideBySideFromText(const std::string& text);

}  // namespace update

#endif  // UPDATER_UPDATE_SETTINGS_H_
