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

// The same test on the library's own record (UzpVer, as UzpVersion gives
// it), read alike on both systems; a missing record is refused.
template <typename UzpVersionRecord>
bool UnzipVersionAcceptable(const UzpVersionRecord* version) {
  if (version == nullptr) return false;
  UnzipVersionInfo info;
  info.struct_length = version->structlen;
  info.api_minimum_end = offsetof(UzpVersionRecord, dllapimin) + sizeof(version->dllapimin);
  info.unzip_major = version->unzip.major;
  info.api_major = version->dllapimin.major;
  info.api_minor = version->dllapimin.minor;
  info.api_patch = version->dllapimin.patchlevel;
  return UnzipVersionAcceptable(info);
}

}  // namespace launcher

#endif  // LAUNCHER_STARTUP_UNZIP_VERSION_H_
