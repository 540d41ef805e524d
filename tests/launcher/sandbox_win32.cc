#include <windows.h>

#include "tests/launcher/sandbox.h"

namespace testing_support {

void SetTempDirectoryVariable(const std::string& utf8_dir) {
  const std::wstring wide = std::filesystem::u8path(utf8_dir).wstring();
  SetEnvironmentVariableW(L"TMP", wide.c_str());
  SetEnvironmentVariableW(L"TEMP", wide.c_str());
}

bool MakeReadOnly(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_READONLY);
}

bool MakeDirectoryLink(const std::filesystem::path& link, const std::filesystem::path& target) {
  return CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) != 0;
}

}  // namespace testing_support
