// The serving loop of the pipe server, free of OS calls: reads one message
// per connection, logs it, replies or hangs up, and stops when told to.
#ifndef TOOLS_PIPESERVER_PIPE_SERVER_H_
#define TOOLS_PIPESERVER_PIPE_SERVER_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/pipeserver/pipe_listener.h"

namespace pipeserver {

struct ServerOptions {
  std::string name;      // pipe name or socket path; empty: default
  std::string log_path;  // empty: standard output
  bool reply = true;     // false: hang up without replying
  bool silent = false;   // neither reply nor hang up: hold each client until it goes
  int32_t reply_value = 0;
  int vanish_after = 0;  // > 0: remove the pipe after this many messages
  bool exit_after_final = false;
  int64_t duration_ms = 0;       // > 0: stop after this long
  bool single_instance = false;  // see CreatePipeListener
  int read_timeout_ms = 2000;    // a client that sends nothing is dropped
};

// Parses the command line (without the program name). False with `error`
// set for anything it does not understand.
bool ParseOptions(const std::vector<std::string>& args, ServerOptions* options, std::string* error);

extern const char kUsage[];

enum class StopReason { kStopped, kDuration, kFinal, kVanished, kListenFailed };
const char* StopReasonText(StopReason reason);

// Serves until a stop condition of `options` holds or `stop_requested`
// returns true (checked several times a second). Every line goes to
// `log_line` without its line end:
//   ready name=<name>
//   t=<ms> kind=<k> scale=<s> value=<v>
//   bad len=<n>
//   vanished
//   end reason=<stopped|duration|final|vanished|listen-failed>
// t counts milliseconds from the ready line.
StopReason Serve(PipeListener& listener, const ServerOptions& options,
                 const std::function<void(const std::string&)>& log_line,
                 const std::function<bool()>& stop_requested);

}  // namespace pipeserver

#endif  // TOOLS_PIPESERVER_PIPE_SERVER_H_
