// System error codes as the backends report them, and their text.
#ifndef PLATFORM_SYS_ERROR_H_
#define PLATFORM_SYS_ERROR_H_

#include <string>

namespace platform {

// GetLastError on Windows, errno elsewhere; 0 is success.
using SysError = int;

// The system's own words for an error code, for error reports: one line,
// never empty ("system error N" when the system has no text).
std::string SysErrorText(SysError code);

}  // namespace platform

#endif  // PLATFORM_SYS_ERROR_H_
