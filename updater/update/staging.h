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
#include <vector>

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
  // Creates the directory, or accepts an existing one only when it is safe
  // to stage in; false with a specific `error` and its `refusal` otherwise.
  virtual bool EnsurePrivateDirectory(const std::string& path, std::string* error,
                                      platform::DirectoryRefusal* refusal) = 0;
  // A private directory of the user's own elsewhere, for when the shared
  // name is taken by what is not (see platform::MakeFallbackPrivateDirectory).
  virtual bool MakeFallbackDirectory(std::string* path, std::string* error) = 0;
  // A resource of type platform::kDataResourceType of the running program.
  virtual platform::ResourceError LoadResource(const std::string& name,
                                               platform::Resource* out) = 0;
  // Creates `path` afresh (a stale file or link of that name is removed,
  // never followed) holding exactly these bytes, and leaves it open in
  // `out`. A file that could not be written whole is removed again.
  virtual platform::SysError CreateStagedFile(const std::string& path, const uint8_t* data,
                                              size_t size, platform::File* out) = 0;
  virtual std::string ReadSetting(const std::string& path, const std::string& section,
                                  const std::string& key) = 0;
  // Removes `path` while it is still `file` (see platform::RemoveOwnFile)
  // and closes `file`.
  virtual platform::SysError RemoveOwnFile(const std::string& path, platform::File* file) = 0;
  virtual platform::SysError RemoveEmptyDirectory(const std::string& path) = 0;
  virtual std::string ErrorText(platform::SysError code) = 0;
};

enum class StageError {
  kNone,
  kNoTempPath,        // the system gave no temporary directory
  kUnsafeDirectory,   // ZANTOR cannot be made, or is not ours alone
  kResourceMissing,   // the program lacks a resource, or it cannot be read
  kWriteFailed,       // a staged file cannot be written
  kBadImageFileName,  // DEF_FIRMFILE_NAME is empty or not a plain file name
};

struct StageResult {
  StageError error = StageError::kNone;
  std::string report;  // on failure: what failed and the system's reason
  // Where the files are staged: <temp>ZANTOR, or a private directory when
  // that name was taken by another user (`note` then says which and why).
  std::string directory;
  std::string note;
  Settings settings;
  FirmwareImage image;
  // Both staged files stay open for the whole run: the upload reads the
  // image from its descriptor, so a file put in its place later is never
  // sent, and at exit each file is removed only while it is still ours.
  platform::File settingsFile;
  platform::File imageFile;

  bool ok() const { return error == StageError::kNone; }
};

// Stages both files and reads the settings, in the order the program always
// has: directory (an existing one is used when it is safe), settings file,
// the nine keys, image. On failure the program must not start; what this
// call wrote is removed again, so nothing is left for RemoveStagedFiles.
StageResult StageAndLoad(StagingFiles& files);

// Removes the staged settings file and image that `staged` created, and the
// directory when that leaves it empty; then closes both files. A file of the
// same name that another instance staged since is left to that instance.
// Failures are ignored: files that are gone, or the launcher's files
// keeping the directory, are the normal case.
void RemoveStagedFiles(StagingFiles& files, StageResult& staged);

// The upload's image: from the open staged file, or else from its path.
bool AppendStagedImage(const StageResult& staged, size_t reserve_after, std::vector<uint8_t>* out);

}  // namespace update

#endif  // UPDATER_UPDATE_STAGING_H_
