// The console updater's command line: the argument vector the entry builds
// from the 8-bit command line, and the option loop over it.
#ifndef LAUNCHER_CLI_OPTIONS_H_
#define LAUNCHER_CLI_OPTIONS_H_

#include <cstddef>
#include <string>
#include <vector>

namespace cli {

// Fixed buffers of the run settings, in characters (their terminating zero
// not counted). Longer values are cut, as such a buffer would hold them.
constexpr size_t kAddressLimit = 31;
constexpr size_t kTargetVersionLimit = 7;
constexpr size_t kProxyLimit = 63;
constexpr size_t kMaxArgumentSlots = 127;  // slot 0 included

enum class UploadMethod { kWinHttp = 1, kCurl = 2 };
enum class ProxyMode { kNone = 0, kNoProxy = 1, kExplicit = 2 };

struct RunOptions {
  std::string address;
  std::string target_version;
  bool overwrite = false;
  bool wireless_family = false;
  bool type_a = false;
  bool type_c = false;
  UploadMethod method = UploadMethod::kWinHttp;
  ProxyMode proxy_mode = ProxyMode::kNone;
  std::string proxy;
  bool list_all = false;  // "-all" seen: the loop stopped at that token
};

// Slot 0 is "Zantor"; the tokens follow, split at runs of spaces, no
// quoting, at most 126 of them.
std::vector<std::string> BuildArgumentVector(const std::string& command_line);
// The same vector from arguments already split by the system (Linux): each
// is split again at spaces, so both systems read a command alike.
std::vector<std::string> ArgumentVectorFromArguments(const std::vector<std::string>& arguments);

// Every slot is tested against every option in table order; later tokens
// overwrite earlier values; a token with "-all" ends the loop.
RunOptions ParseOptions(const std::vector<std::string>& args);

// At most `limit` characters of `text`.
std::string Cut(const std::string& text, size_t limit);

}  // namespace cli

#endif  // LAUNCHER_CLI_OPTIONS_H_
