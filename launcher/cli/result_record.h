// What one console run learns about its board, before and after the update.
#ifndef LAUNCHER_CLI_RESULT_RECORD_H_
#define LAUNCHER_CLI_RESULT_RECORD_H_

#include <cstdint>
#include <string>

namespace cli {

struct ResultRecord {
  std::string start_text;
  int64_t start_time = 0;  // seconds since 1970
  std::string ip;
  std::string mac;
  std::string uib;
  std::string from;
  std::string to;
  std::string printer;
  std::string serial_no;
};

}  // namespace cli

#endif  // LAUNCHER_CLI_RESULT_RECORD_H_
