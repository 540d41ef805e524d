// Starting another program: an argument vector handed to the system as it
// is, never through a command interpreter. Texts are UTF-8.
#ifndef PLATFORM_PROCESS_H_
#define PLATFORM_PROCESS_H_

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/sys_error.h"

namespace platform {

struct ProcessSpec {
  // argv[0] names the program: a path, or a bare name looked up as the
  // system looks up programs (PATH; on Windows the program's directory, the
  // current one, the system folders, then PATH).
  std::vector<std::string> argv;
  std::string directory;  // where it starts; empty keeps ours
  // Windows: no console window of its own. Nothing to hide elsewhere.
  bool hidden = false;
  // With the administrator's rights: Windows asks ("runas"); Linux goes
  // through pkexec when not root and pkexec is installed, else starts it
  // as it is.
  bool elevated = false;
  // Its standard output comes back through a pipe, of which the first
  // `output_limit` bytes are kept; the rest is drained so it never blocks.
  bool read_output = false;
  size_t output_limit = 4096;
  // Its standard streams go to the null device.
  bool quiet = false;
  // False: started and left to run; nothing is left for us to reap.
  bool wait = true;
  // Stopped (killed) once it has run this long; negative: no limit.
  int deadline_ms = -1;
  // While we wait, the terminal's Ctrl+C and Ctrl+\ are for the child, as
  // with system(): we ignore them, so we can clean up after it.
  bool interrupts_to_child = false;
  // Called once the program runs, before the wait.
  std::function<void()> started;
};

// The child always starts with the default handlers of the signals that
// end a program (interrupt, quit, terminate, hang-up, broken pipe) and an
// empty signal mask, whatever we ignore or block ourselves.

enum class ProcessEnd {
  kExited,       // exit_code holds its status
  kKilled,       // ended by a signal (POSIX)
  kTimedOut,     // ran past deadline_ms and was stopped
  kNotStarted,   // error says why
  kLeftRunning,  // wait was false
};

struct ProcessResult {
  ProcessEnd end = ProcessEnd::kNotStarted;
  int exit_code = -1;
  std::string output;  // with read_output
  SysError error = 0;  // with kNotStarted
};

ProcessResult RunProcess(const ProcessSpec& spec);

// The program file of a bare name: "curl.exe" on Windows, "curl" elsewhere.
std::string ProgramFileName(const std::string& name);
// "NUL" on Windows, "/dev/null" elsewhere: for programs that want a path.
std::string NullDevice();

}  // namespace platform

#endif  // PLATFORM_PROCESS_H_
