// StagingFiles on the real platform services.
#ifndef UPDATER_UPDATE_SYSTEM_STAGING_FILES_H_
#define UPDATER_UPDATE_SYSTEM_STAGING_FILES_H_

#include "updater/update/staging.h"

namespace update {

class SystemStagingFiles : public StagingFiles {
 public:
  std::string TempPath() override;
  char Separator() override;
  bool EnsurePrivateDirectory(const std::string& path, std::string* error,
                              platform::DirectoryRefusal* refusal) override;
  bool MakeFallbackDirectory(std::string* path, std::string* error) override;
  platform::ResourceError LoadResource(const std::string& name, platform::Resource* out) override;
  platform::SysError CreateStagedFile(const std::string& path, const uint8_t* data, size_t size,
                                      platform::File* out) override;
  std::string ReadSetting(const std::string& path, const std::string& section,
                          const std::string& key) override;
  platform::SysError RemoveOwnFile(const std::string& path, platform::File* file) override;
  platform::SysError RemoveEmptyDirectory(const std::string& path) override;
  std::string ErrorText(platform::SysError code) override;
};

}  // namespace update

#endif  // UPDATER_UPDATE_SYSTEM_STAGING_FILES_H_
