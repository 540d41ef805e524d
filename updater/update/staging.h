// Staging: at start the settings file and the firmware image that the program
// carries are written to <temp>ZANTOR, the settings are read back from the
// staged copy and the Firmware image record is made; at exit the two files
// go again. The directory is shared with the launcher, whose files are
// never touched.
#ifndef UPDATER_UPDATE_STAGING_H_
#define UPDATER_UPDATE_STAGING_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/files.h"
#include "platform/resources.h"
#include "updater/update/firmware_image.h"
#include "updater/update/settings.h"

namespace update {

constexpr char kStagingDirectoryName[] = "ZANTOR";
constexpr char kSettingsFileName[] = "Zantor.ini";

// What staging asks of the system; SystemStagingFiles forwards to platform/,
// tests record and fail on purpose.
class StagingFiles {
 public:
  virtual ~StagingFiles() = default;
  virtual std::string TempPath() = 0;  // ends with the separator; "" when none
  virtual char Separator() = 0;
  virtual platform::SysError MakeDirectory(const std::string& path) = 0;
  // A resource of type platform::kDataResourceType of the running program.
  virtual platform::ResourceError LoadResource(const std::string& name,
                                               platform::Resource* out) = 0;
  virtual platform::SysError WriteWholeFile(const std::string& path, const uint8_t* data,
                                            size_t size) = 0;
  virtual std::string ReadSetting(const std::string& path, const std::string& section,
                                  const std::string& key) = 0;
  virtual platform::SysError SetNormalAttributes(const std::string& path) = 0;
  virtual platform::SysError RemoveFile(const std::string& path) = 0;
  virtual platform::SysError RemoveEmptyDirectory(const std::string& path) = 0;
  virtual std::string ErrorText(platform::SysError code) = 0;
};

enum class StageError {
  kNone,
  kNoTempPath,        // the system gave no temporary directory
  kResourceMissing,   // the program lacks a resource, or it cannot be read
  kWriteFailed,       // a staged file cannot be written
  kBadImageFileName,  // DEF_FIRMFILE_NAME is empty or not a plain file name
};

struct StageResult {
  StageError error = StageError::kNone;
  std::string report;  // on failure: what failed and the system's reason
  std::string directory;
  Settings settings;
  FirmwareImage image;

  bool ok() const { return error == StageError::kNone; }
};

// Stages both files and reads the settings, in the order the program always
// has: directory (an existing one is used as it is), settings file, the nine
// keys, image. On failure the program must not start; what this call wrote
// is removed again, so nothing is left for RemoveStagedFiles.
StageResult StageAndLoad(StagingFiles& files);

// Removes the staged settings file and image, and the directory when that
// leaves it empty. Failures are ignored: files that are gone, or the
// launcher's files keeping the directory, are the normal case.
void RemoveStagedFiles(StagingFiles& files, const FirmwareImage& image);

}  // namespace update

#endif  // UPDATER_UPDATE_STAGING_H_
