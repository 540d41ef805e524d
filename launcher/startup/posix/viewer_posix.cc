// Starts the licence viewer on Linux: directly when already root, through
// pkexec when it is installed, else directly (the viewer needs no rights of
// its own; Zantor after it asks for what it needs).
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "launcher/startup/startup_services.h"

extern char** environ;

namespace launcher {
namespace {

std::string FindInPath(const char* name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = dirs.substr(start, end - start);
    if (!dir.empty() && dir[0] == '/') {
      const std::string candidate = dir + "/" + name;
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    start = end + 1;
  }
  return std::string();
}

}  // namespace

int RunViewerElevated(const std::string& path, StartupProgress* progress) {
  std::vector<std::string> args;
  const std::string pkexec = ::geteuid() == 0 ? std::string() : FindInPath("pkexec");
  if (!pkexec.empty()) args.push_back(pkexec);
  args.push_back(path);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);

  pid_t pid = -1;
  const int error = ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  // A terminal has no close button to end the bar by hand, so it ends here
  // whether or not the viewer runs.
  if (progress != nullptr) progress->ViewerStarted();
  if (error != 0) {
    std::fprintf(stderr, "fwlauncher: cannot start the licence viewer %s: %s\n", path.c_str(),
                 std::strerror(error));
    return -1;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace launcher
