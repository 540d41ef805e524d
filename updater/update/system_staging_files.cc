#include "updater/update/system_staging_files.h"

#include "platform/profile.h"

namespace update {

std::string SystemStagingFiles::TempPath() { return platform::TempPath(); }

char SystemStagingFiles::Separator() { return platform::PathSeparator(); }

platform::SysError SystemStagingFiles::MakeDirectory(const std::string& path) {
  return platform::MakeDirectory(path);
}

platform::ResourceError SystemStagingFiles::LoadResource(const std::string& name,
                                                         platform::Resource* out) {
  return platform::LoadOwnResource(platform::kDataResourceType, name, out);
}

platform::SysError SystemStagingFiles::WriteWholeFile(const std::string& path, const uint8_t* data,
                                                      size_t size) {
  return platform::WriteWholeFile(path, data, size);
}

std::string SystemStagingFiles::ReadSetting(const std::string& path, const std::string& section,
                                            const std::string& key) {
  return platform::ReadProfileString(path, section, key);
}

platform::SysError SystemStagingFiles::SetNormalAttributes(const std::string& path) {
  return platform::SetNormalAttributes(path);
}

platform::SysError SystemStagingFiles::RemoveFile(const std::string& path) {
  return platform::RemoveFile(path);
}

platform::SysError SystemStagingFiles::RemoveEmptyDirectory(const std::string& path) {
  return platform::RemoveEmptyDirectory(path);
}

std::string SystemStagingFiles::ErrorText(platform::SysError code) {
  return platform::SysErrorText(code);
}

}  // namespace update
