// The compatibility test of the unzip library's version record, apart from
// the library so it can be tested with any numbers.
#ifndef LAUNCHER_STARTUP_UNZIP_VERSION_H_
#define LAUNCHER_STARTUP_UNZIP_VERSION_H_

#include <cstddef>

namespace launcher {

struct UnzipVersionInfo {
  size_t struct_length = 0;    // as the library reports it
  size_t api_minimum_end = 0;  // where the record's dllapimin field ends
  unsigned unzip_major = 0;
  unsigned api_major = 0, api_minor = 0, api_patch = 0;
};

// UnZip 6 or later, and either a record too short to hold the minimum
// interface version (an older library that does not state one) or a minimum
// of at most 6.0.0, the interface whose records this program fills.
bool UnzipVersionAcceptable(const UnzipVersionInfo& info);

}  // namespace launcher

#endif  // LAUNCHER_STARTUP_UNZIP_VERSION_H_
