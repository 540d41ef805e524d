// Starts the licence viewer elevated ("runas") and waits for it.
#include <string>

#include "launcher/startup/startup_services.h"
#include "platform/process.h"

namespace launcher {

int RunViewerElevated(const std::string& path, StartupProgress* progress) {
  platform::ProcessSpec spec;
  spec.argv = {path};
  spec.elevated = true;
  spec.started = [progress] {
    if (progress != nullptr) progress->ViewerStarted();
  };
  // Declined elevation or a missing viewer: the start-up window stays until
  // the user closes it.
  const platform::ProcessResult run = platform::RunProcess(spec);
  return run.end == platform::ProcessEnd::kExited ? run.exit_code : -1;
}

}  // namespace launcher
