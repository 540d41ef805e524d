// What the run learns from the package's settings file: the version it
// brings (and its two alternatives), the model and the firmware file name.
#ifndef LAUNCHER_CLI_PACKAGE_SETTINGS_H_
#define LAUNCHER_CLI_PACKAGE_SETTINGS_H_

#include <string>

namespace cli {

// Each value is read into a 64-byte buffer.
constexpr size_t kSettingLimit = 63;

struct PackageSettings {
  std::string version;       // V
  std::string alternative1;  // V1: V before " or "
  std::string alternative2;  // V2: V after " or "
  std::string model;
  std::string firmware_file;  // F
};

// From the raw values of DEF_IF_VERSION, DEF_CAPTION and DEF_FIRMFILE_NAME.
PackageSettings DerivePackageSettings(const std::string& if_version, const std::string& caption,
                                      const std::string& firmware_file);

}  // namespace cli

#endif  // LAUNCHER_CLI_PACKAGE_SETTINGS_H_
