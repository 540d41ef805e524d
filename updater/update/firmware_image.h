// The Firmware image record: what the embedded image installs and where it
// was staged. It holds no image bytes; the upload opens the staged file.
#ifndef UPDATER_UPDATE_FIRMWARE_IMAGE_H_
#define UPDATER_UPDATE_FIRMWARE_IMAGE_H_

#include <string>

#include "updater/update/settings.h"

namespace update {

// The model the image is for; part of the program, not of the settings.
constexpr char kImageModelName[] = "QJ-L04";

// Resources of type platform::kDataResourceType that the program carries.
constexpr char kSettingsResource[] = "ZANTOR";
constexpr char kImageResource[] = "QJL04RCC";
constexpr char kImageResourceQ01[] = "QJL04RCC_1";  // launcher's DW-Q01/06 variant
constexpr char kImageResourceQ02[] = "QJL04RCC_2";  // launcher's DW-Q02/06 variant

constexpr char kUploadFieldBin[] = "srom1";
constexpr char kUploadFieldRcc[] = "rcc";

struct FirmwareImage {
  std::string modelName;      // "QJ-L04"
  std::string versionLabel;   // DEF_IF_VERSION, "Ver.5.12"
  std::string targetVersion;  // what every version comparison uses, "5.12"
  std::string fileName;       // DEF_FIRMFILE_NAME; also announced by the upload
  std::string stagedPath;     // staging directory + separator + file name
  std::string fieldName;      // upload form field
};

// The label without its first four characters, cut to at most four:
// "Ver.5.12" -> "5.12", "Ver.12.345" -> "12.3", "V5" -> "".
std::string TargetVersionText(const std::string& version_label);

// "srom1" when the name contains ".bin" (case-sensitive, anywhere), else "rcc".
const char* UploadFieldName(const std::string& file_name);

FirmwareImage MakeFirmwareImage(const Settings& settings, const std::string& staged_path);

}  // namespace update

#endif  // UPDATER_UPDATE_FIRMWARE_IMAGE_H_
