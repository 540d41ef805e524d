#include "updater/update/system_staging_files.h"

#include "platform/profile.h"

namespace update {

std::string SystemStagingFiles::TempPath() { return platform::TempPath(); }

char SystemStagingFiles::Separator() { return platform::PathSeparator(); }

bool SystemStagingFiles::EnsurePrivateDirectory(const std::string& path, std::string* error,
                                                platform::DirectoryRefusal* refusal) {
  return platform::EnsurePrivateDirectory(path, error, refusal);
}

bool SystemStagingFiles::MakeFallbackDirectory(std::string* path, std::string* error) {
  return platform::MakeFallbackPrivateDirectory(platform::TempPath(), kStagingDirectoryName, path,
                                                error);
}

platform::ResourceError SystemStagingFiles::LoadResource(const std::string& name,
                                                         platform::Resource* out) {
  return platform::LoadOwnResource(platform::kDataResourceType, name, out);
}

platform::SysError SystemStagingFiles::CreateStagedFile(const std::string& path,
                                                        const uint8_t* data, size_t size,
                                                        platform::File* out) {
  platform::File file;
  platform::SysError error = platform::CreateFreshFile(path, &file);
  if (error != 0) return error;
  error = file.WriteAll(data, size);
  if (error != 0) {
    platform::RemoveOwnFile(path, &file);
    return error;
  }
  *out = std::move(file);
  return 0;
}

std::string SystemStagingFiles::ReadSetting(const std::string& path, const std::string& section,
                                            const std::string& key) {
  return platform::ReadProfileString(path, section, key);
}

platform::SysError SystemStagingFiles::RemoveOwnFile(const std::string& path,
                                                     platform::File* file) {
  return platform::RemoveOwnFile(path, file);
}

platform::SysError SystemStagingFiles::RemoveEmptyDirectory(const std::string& path) {
  return platform::RemoveEmptyDirectory(path);
}

std::string SystemStagingFiles::ErrorText(platform::SysError code) {
  return platform::SysErrorText(code);
}

}  // namespace update
