// Line log that integration tests read while the simulator runs: every line
// is written with one write() so it is visible at once and never interleaved.
#ifndef TOOLS_BOARDSIM_SIM_LOG_H_
#define TOOLS_BOARDSIM_SIM_LOG_H_

#include <cstdint>
#include <string>

namespace boardsim {

class SimLog {
 public:
  SimLog();
  ~SimLog();
  SimLog(const SimLog&) = delete;
  SimLog& operator=(const SimLog&) = delete;

  // Empty path: standard output. Truncates an existing file.
  bool Open(const std::string& path, std::string& err);

  // Milliseconds on the monotonic clock since construction.
  int64_t NowMs() const;

  // Writes "t=<ms> " + the formatted text + newline.
  void Line(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

 private:
  int fd_ = 1;
  bool ownsFd_ = false;
  int64_t startNs_ = 0;
};

}  // namespace boardsim

#endif  // TOOLS_BOARDSIM_SIM_LOG_H_
