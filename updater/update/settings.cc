#include "updater/update/settings.h"

namespace update {

const std::array<SettingsKey, 9> kSettingsKeys = {{
    {"DEF_IF_VERSION", &Settings::ifVersion},
    {"DEF_EXE_NAME", &Settings::exeName},
    {"DEF_EXE_DISPNAME", &Settings::exeDispName},
    {"DEF_PRG_VERSION", &Settings::prgVersion},
    {"DEF_PRG_DATE_J", &Settings::prgDateJ},
    {"DEF_PRG_DATE_E", &Settings::prgDateE},
    {"DEF_COPYRIGHT", &Settings::copyright},
    {"DEF_CAPTION", &Settings::caption},
    {"DEF_FIRMFILE_NAME", &Settings::firmFileName},
}};

uint32_t SideBySideFromText(const std::string& text) {
  if (text.empty() || text.size() > 4) return kSideBySideDefault;
  uint32_t n = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return kSideBySideDefault;
    n = n * 10 + static_cast<uint32_t>(c - '0');
  }
  return n >= 1 && n <= kSideBySideMost ? n : kSideBySideDefault;
}

Settings ReadSettings(const std::function<std::string(const char* key)>& read) {
  Settings settings;
  for (const SettingsKey& k : kSettingsKeys) settings.*(k.field) = read(k.key);
  return settings;
}

}  // namespace update
