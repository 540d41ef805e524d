#include "launcher/startup/unzip_version.h"

namespace launcher {

bool UnzipVersionAcceptable(const UnzipVersionInfo& info) {
  if (info.unzip_major <= 5) return false;
  if (info.struct_length < info.api_minimum_end) return true;
  if (info.api_major < 6) return true;
  return info.api_major == 6 && info.api_minor == 0 && info.api_patch == 0;
}

}  // namespace launcher
