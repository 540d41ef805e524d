#include "platform/profile.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform {

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key) {
  // An empty key name is no lookup (the POSIX reader agrees); Windows would
  // answer it with whatever nameless line the section has.
  if (key.find_first_not_of(" \t\v\f\r\n\x1a") == std::string::npos) return std::string();
  wchar_t buffer[kProfileValueCapacity];
  const DWORD n = GetPrivateProfileStringW(
      win32::Utf8ToWide(section).c_str(), win32::Utf8ToWide(key).c_str(), L"", buffer,
      static_cast<DWORD>(kProfileValueCapacity), win32::Utf8ToWide(path).c_str());
  return win32::WideToUtf8(buffer, n < kProfileValueCapacity ? n : kProfileValueCapacity - 1);
}

}  // namespace platform
