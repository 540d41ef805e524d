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

Settings ReadSettings(const std::function<std::string(const char* key)>& read) {
  Settings settings;
  for (const SettingsKey& k : kSettingsKeys) settings.*(k.field) = read(k.key);
  return settings;
}

}  // namespace update
