// The console updater's upload through the curl program: started without a
// command interpreter, its output (the status it prints) read through a pipe.
#include "launcher/cli/time_scale.h"
#include "launcher/cli/upload_request.h"
#include "launcher/cli/uploaders.h"
#include "platform/host.h"
#include "platform/process.h"

namespace cli {
namespace {

// curl gets no time limit of its own on its command line; one that has not
// ended after this long is stopped.
constexpr int kCurlDeadlineMs = 600000;
// What curl prints is a status code; more than this is not.
constexpr size_t kCurlOutputLimit = 260;

}  // namespace

int UploadWithCurl(const std::string& command_text, const std::vector<std::string>& args) {
  platform::DebugTrace(command_text.c_str());
  platform::ProcessSpec spec;
  spec.argv = args;
  spec.hidden = true;
  spec.read_output = true;
  spec.output_limit = kCurlOutputLimit;
  spec.deadline_ms = Scaled(kCurlDeadlineMs);
  const platform::ProcessResult run = platform::RunProcess(spec);
  if (run.end == platform::ProcessEnd::kNotStarted) return -1;
  if (run.end == platform::ProcessEnd::kTimedOut) return 0;
  return StatusFromCurlOutput(run.output);
}

}  // namespace cli
