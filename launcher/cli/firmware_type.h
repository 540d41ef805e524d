// Which firmware variant a board gets, from the package version, the
// board's version and the type options.
#ifndef LAUNCHER_CLI_FIRMWARE_TYPE_H_
#define LAUNCHER_CLI_FIRMWARE_TYPE_H_

#include <string>

namespace cli {

constexpr char kTypeQ05[] = "DW-Q05/06";  // the package's own image
constexpr char kTypeQ01[] = "DW-Q01/06";
constexpr char kTypeQ02[] = "DW-Q02/06";

struct TypeInput {
  std::string package_version;  // V
  std::string board_version;    // From
  bool wireless_family = false;
  bool type_a = false;
  bool type_c = false;
};

struct TypeDecision {
  int exit_code = 0;  // 0: go on with `type`
  std::string type = kTypeQ05;
  bool print = false;  // the "Firmware Type" line is shown
};

TypeDecision DecideFirmwareType(const TypeInput& in);

}  // namespace cli

#endif  // LAUNCHER_CLI_FIRMWARE_TYPE_H_
