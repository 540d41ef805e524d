#include "platform/sys_error.h"

#include <cstring>

namespace platform {

// strerror's text, never empty, as the header promises.
std::string SysErrorText(SysError code) {
  const char* text = std::strerror(code);
  return text != nullptr && *text != '\0' ? text : "system error " + std::to_string(code);
}

}  // namespace platform
