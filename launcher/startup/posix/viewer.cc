// Starts the licence viewer on Linux: directly when already root, through
// pkexec when it is installed, else directly (the viewer needs no rights of
// its own; Zantor after it asks for what it needs).
#include <cstdio>
#include <string>

#include "launcher/startup/startup_services.h"
#include "platform/process.h"

namespace launcher {

int RunViewerElevated(const std::string& path, StartupProgress* progress) {
  platform::ProcessSpec spec;
  spec.argv = {path};
  spec.elevated = true;
  // Ctrl+C on the terminal is for the viewer and what it runs, while the
  // launcher waits to remove the unpacked tree afterwards.
  spec.interrupts_to_child = true;
  // A terminal has no close button to end the bar by hand, so it ends
  // whether or not the viewer runs.
  spec.started = [progress] {
    if (progress != nullptr) progress->ViewerStarted();
  };
  const platform::ProcessResult run = platform::RunProcess(spec);
  if (run.end == platform::ProcessEnd::kNotStarted) {
    spec.started();
    std::fprintf(stderr, "fwlauncher: cannot start the licence viewer %s: %s\n", path.c_str(),
                 platform::SysErrorText(run.error).c_str());
    return -1;
  }
  return run.end == platform::ProcessEnd::kExited ? run.exit_code : -1;
}

}  // namespace launcher
