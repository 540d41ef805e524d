#include "launcher/cli/package_settings.h"

#include "launcher/cli/options.h"

namespace cli {

PackageSettings DerivePackageSettings(const std::string& if_version, const std::string& caption,
                                      const std::string& firmware_file) {
  PackageSettings s;
  s.version = Cut(if_version, kSettingLimit);
  const size_t ver = s.version.find("Ver.");
  if (ver != std::string::npos) s.version = s.version.substr(ver + 4);
  const size_t either = s.version.find(" or ");
  if (either != std::string::npos) {
    s.alternative1 = s.version.substr(0, either);
    s.alternative2 = s.version.substr(either + 4);
  }
  const std::string model = Cut(caption, kSettingLimit);
  s.model = model.substr(0, model.find(' '));
  s.firmware_file = Cut(firmware_file, kSettingLimit);
  return s;
}

}  // namespace cli
