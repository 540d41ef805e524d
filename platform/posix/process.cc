// Child processes with posix_spawn; a detached start goes through an
// intermediate child that ends at once, so the program is reaped by init.
#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/posix/unique_fd.h"

extern char** environ;

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kEndingSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGPIPE};

// The first executable `name` on the PATH; a name with a slash is a path.
std::string Resolve(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  const std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string dir = dirs.substr(start, end - start);
    if (!dir.empty()) {
      const std::string candidate = dir + "/" + name;
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    start = end + 1;
  }
  return std::string();
}

// Ctrl+C and Ctrl+\ ignored for as long as it lives.
class IgnoreInterrupts {
 public:
  explicit IgnoreInterrupts(bool on) : on_(on) {
    if (!on_) return;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGINT, &ignore, &int_);
    ::sigaction(SIGQUIT, &ignore, &quit_);
  }
  ~IgnoreInterrupts() {
    if (!on_) return;
    ::sigaction(SIGINT, &int_, nullptr);
    ::sigaction(SIGQUIT, &quit_, nullptr);
  }
  IgnoreInterrupts(const IgnoreInterrupts&) = delete;
  IgnoreInterrupts& operator=(const IgnoreInterrupts&) = delete;

 private:
  bool on_;
  struct sigaction int_ {};
  struct sigaction quit_ {};
};

class SpawnSetup {
 public:
  SpawnSetup() {
    ::posix_spawn_file_actions_init(&actions_);
    ::posix_spawnattr_init(&attributes_);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int s : kEndingSignals) sigaddset(&defaults, s);
    sigset_t none;
    sigemptyset(&none);
    ::posix_spawnattr_setsigdefault(&attributes_, &defaults);
    ::posix_spawnattr_setsigmask(&attributes_, &none);
    ::posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  }
  ~SpawnSetup() {
    ::posix_spawn_file_actions_destroy(&actions_);
    ::posix_spawnattr_destroy(&attributes_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  posix_spawn_file_actions_t* actions() { return &actions_; }
  const posix_spawnattr_t* attributes() const { return &attributes_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
};

std::vector<std::string> FullArguments(const ProcessSpec& spec) {
  std::vector<std::string> args = spec.argv;
  if (spec.elevated && ::geteuid() != 0) {
    const std::string pkexec = Resolve("pkexec");
    if (!pkexec.empty()) {
      // pkexec cannot see our descriptors or our directory: it gets the
      // program file's real name.
      char* real = ::realpath(args[0].c_str(), nullptr);
      if (real != nullptr) args[0] = real;
      std::free(real);
      args.insert(args.begin(), pkexec);
    }
  }
  return args;
}

void WaitFor(pid_t pid, int* status) {
  while (::waitpid(pid, status, 0) < 0 && errno == EINTR) {
  }
}

// Reads the child's output until it closes its end or the deadline passes.
// False when the deadline passed.
bool ReadUntilClosed(int fd, size_t limit, Clock::time_point deadline, bool limited,
                     std::string* out) {
  for (;;) {
    int wait_ms = 1000;
    if (limited) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      wait_ms = static_cast<int>(std::min<long long>(left, 1000));
    }
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, wait_ms);
    if (r < 0 && errno != EINTR) return true;
    if (r <= 0) continue;
    char buffer[512];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return true;
    const size_t room = limit > out->size() ? limit - out->size() : 0;
    out->append(buffer, std::min(static_cast<size_t>(n), room));
  }
}

// Waits for the child's end until the deadline; false when it passed.
bool WaitUntil(pid_t pid, Clock::time_point deadline, int* status) {
  for (;;) {
    const pid_t r = ::waitpid(pid, status, WNOHANG);
    if (r == pid || (r < 0 && errno != EINTR)) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

ProcessResult Detached(const std::vector<std::string>& args, bool quiet) {
  ProcessResult result;
  const std::string program = Resolve(args[0]);
  if (program.empty()) {
    result.error = ENOENT;
    return result;
  }
  // Everything the children use is made before fork: between fork and exec
  // only async-signal-safe calls are allowed.
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const UniqueFd null(quiet ? ::open("/dev/null", O_RDWR | O_CLOEXEC) : -1);
  const pid_t child = ::fork();
  if (child < 0) {
    result.error = errno;
    return result;
  }
  if (child == 0) {
    if (::fork() == 0) {
      if (null.get() >= 0) {
        ::dup2(null.get(), 0);
        ::dup2(null.get(), 1);
        ::dup2(null.get(), 2);
      }
      struct sigaction defaults {};
      defaults.sa_handler = SIG_DFL;
      sigemptyset(&defaults.sa_mask);
      for (const int s : kEndingSignals) ::sigaction(s, &defaults, nullptr);
      sigset_t none;
      sigemptyset(&none);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    ::_exit(0);
  }
  int status = 0;
  WaitFor(child, &status);
  result.end = ProcessEnd::kLeftRunning;
  return result;
}

}  // namespace

ProcessResult RunProcess(const ProcessSpec& spec) {
  ProcessResult result;
  if (spec.argv.empty() || spec.argv[0].empty()) {
    result.error = EINVAL;
    return result;
  }
  const std::vector<std::string> args = FullArguments(spec);
  if (!spec.wait) return Detached(args, spec.quiet);

  SpawnSetup setup;
  int pipe_ends[2] = {-1, -1};
  if (spec.read_output && ::pipe2(pipe_ends, O_CLOEXEC) != 0) {
    result.error = errno;
    return result;
  }
  const UniqueFd read_end(pipe_ends[0]);
  UniqueFd write_end(pipe_ends[1]);
  if (spec.quiet) {
    for (const int fd : {0, 1, 2}) {
      ::posix_spawn_file_actions_addopen(setup.actions(), fd, "/dev/null", O_RDWR, 0);
    }
  }
  if (spec.read_output) {
    ::posix_spawn_file_actions_adddup2(setup.actions(), write_end.get(), STDOUT_FILENO);
  }
  if (!spec.directory.empty()) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 29))
    ::posix_spawn_file_actions_addchdir_np(setup.actions(), spec.directory.c_str());
#else
    result.error = ENOSYS;
    return result;
#endif
  }
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  const IgnoreInterrupts ignore(spec.interrupts_to_child);
  pid_t pid = -1;
  const int error =
      ::posix_spawnp(&pid, argv[0], setup.actions(), setup.attributes(), argv.data(), environ);
  write_end.Close();  // the pipe ends when the child's copy closes
  if (error != 0) {
    result.error = error;
    return result;
  }
  if (spec.started) spec.started();

  const bool limited = spec.deadline_ms >= 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(spec.deadline_ms, 0));
  int status = 0;
  bool in_time = true;
  if (spec.read_output) {
    in_time = ReadUntilClosed(read_end.get(), spec.output_limit, deadline, limited, &result.output);
  }
  if (in_time && limited) in_time = WaitUntil(pid, deadline, &status);
  if (!in_time) {
    ::kill(pid, SIGKILL);
    WaitFor(pid, &status);
    result.end = ProcessEnd::kTimedOut;
    return result;
  }
  if (!limited) WaitFor(pid, &status);
  if (WIFEXITED(status)) {
    result.end = ProcessEnd::kExited;
    result.exit_code = WEXITSTATUS(status);
  } else {
    result.end = ProcessEnd::kKilled;
  }
  return result;
}

std::string ProgramFileName(const std::string& name) { return name; }
std::string NullDevice() { return "/dev/null"; }

}  // namespace platform
