// Private-profile reading: one value of a settings file, as
// GetPrivateProfileStringW reads it (rules in platform/profile_text.h).
#ifndef PLATFORM_PROFILE_H_
#define PLATFORM_PROFILE_H_

#include <cstddef>
#include <string>

namespace platform {

// UTF-16 units of the buffer every value is read into, NUL included; a
// longer value is cut to one unit less.
constexpr size_t kProfileValueCapacity = 1024;

// The value, or "" (the default) when the file, the section or the key is
// missing or the file cannot be read. Paths and results are UTF-8; 8-bit
// files are in the ANSI code page on Windows and passed through elsewhere.
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key);

}  // namespace platform

#endif  // PLATFORM_PROFILE_H_
