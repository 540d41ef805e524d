// Starts the licence viewer on Linux: directly when already root, through
// pkexec when it is installed, else directly (the viewer needs no rights of
// its own; Zantor after it asks for what it needs).
#include <signal.h>
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

class IgnoreInterrupts {
 public:
  IgnoreInterrupts() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGINT, &ignore, &int_);
    ::sigaction(SIGQUIT, &ignore, &quit_);
  }
  ~IgnoreInterrupts() {
    ::sigaction(SIGINT, &int_, nullptr);
    ::sigaction(SIGQUIT, &quit_, nullptr);
  }
  IgnoreInterrupts(const IgnoreInterrupts&) = delete;
  IgnoreInterrupts& operator=(const IgnoreInterrupts&) = delete;

 private:
  struct sigaction int_ {};
  struct sigaction quit_ {};
};

}  // namespace

int RunViewerElevated(const std::string& path, StartupProgress* progress) {
  std::vector<std::string> args;
  const std::string pkexec = ::geteuid() == 0 ? std::string() : FindInPath("pkexec");
  if (!pkexec.empty()) {
    args.push_back(pkexec);
    // pkexec cannot see our descriptors: it gets the file's real name (only
    // this user can change the tree under it).
    char* real = ::realpath(path.c_str(), nullptr);
    args.push_back(real != nullptr ? real : path);
    std::free(real);
  } else {
    args.push_back(path);
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);

  // As system() does: Ctrl+C on the terminal is for the viewer and what it
  // runs, while the launcher waits to remove the unpacked tree afterwards.
  // The viewer starts with the default handlers.
  IgnoreInterrupts ignore;
  posix_spawnattr_t attributes;
  ::posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGQUIT);
  ::posix_spawnattr_setsigdefault(&attributes, &defaults);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int error = ::posix_spawn(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
  ::posix_spawnattr_destroy(&attributes);
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
