// Time, language, paths, the log file and the interrupt handler on Linux.
#include "launcher/cli/cli_system.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "launcher/startup/launcher_startup.h"
#include "platform/profile.h"

namespace cli {

bool IsWindowsBuild() { return false; }

int64_t NowSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

LocalTime ToLocalTime(int64_t seconds) {
  const time_t t = static_cast<time_t>(seconds);
  tm parts{};
  localtime_r(&t, &parts);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
          parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

bool UserLanguageJapanese() {
  for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return std::strncmp(value, "ja", 2) == 0;
  }
  return false;
}

std::string ProgramPath() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "";
  return std::string(path, static_cast<size_t>(n));
}

bool ChangeDirectory(const std::string& path) { return chdir(path.c_str()) == 0; }

std::string ReadSetting(const std::string& path, const std::string& key) {
  return platform::ReadProfileString(path, "Application", key);
}

bool AppendLogLine(const std::string& path, const std::string& line) {
  // O_APPEND: every run adds its line, even two runs at once; O_NOFOLLOW: a
  // link planted in the program's place is not written through; O_NONBLOCK
  // and the check after it: a FIFO or device there neither holds the run at
  // its end nor gets the line.
  const int fd = open(path.c_str(),
                      O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  const std::string text = line + "\n";
  const ssize_t n = write(fd, text.data(), text.size());
  const bool closed = close(fd) == 0;
  return n == static_cast<ssize_t>(text.size()) && closed;
}

void SleepMs(int ms) {
  timespec t{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

namespace {

// Releases the lock, then lets the signal do what it would have done.
void OnInterrupt(int signal_number) {
  launcher::ReleaseSingleInstance();
  struct sigaction original {};
  original.sa_handler = SIG_DFL;
  sigemptyset(&original.sa_mask);
  sigaction(signal_number, &original, nullptr);
  raise(signal_number);
}

}  // namespace

bool InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}

void Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace cli
