// Child processes on Linux: what a started program gets and how its end is
// read; and the browser launch on it: xdg-open from the PATH gets the URL as
// one argument of its own (no shell reads it), the call does not wait for
// the browser, and without xdg-open nothing happens.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/host.h"
#include "platform/process.h"

namespace platform {
namespace {

class PathScope {
 public:
  explicit PathScope(const std::string& path)
      : old_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    setenv("PATH", path.c_str(), 1);
  }
  ~PathScope() { setenv("PATH", old_.c_str(), 1); }

 private:
  std::string old_;
};

TEST(RunProcess, OutputEndAndDeadline) {
  struct Case {
    std::vector<std::string> argv;
    int deadline_ms;
    ProcessEnd end;
    int exit_code;
    std::string output;  // the first 8 bytes are kept
  };
  const Case cases[] = {
      {{"/bin/sh", "-c", "printf 'HTTP 200 and much more'; exit 7"}, -1, ProcessEnd::kExited, 7,
       "HTTP 200"},
      // Found on the PATH; an argument with spaces and quotes stays one.
      {{"printf", "%s|", "a b \"c\""}, 2000, ProcessEnd::kExited, 0, "a b \"c\"|"},
      {{"/bin/sh", "-c", "kill -9 $$"}, -1, ProcessEnd::kKilled, -1, ""},
      // Output that never closes does not keep us past the deadline.
      {{"/bin/sh", "-c", "printf x; exec sleep 5"}, 200, ProcessEnd::kTimedOut, -1, "x"},
      {{"/bin/sleep", "5"}, 200, ProcessEnd::kTimedOut, -1, ""},
      {{"zt-no-such-program"}, -1, ProcessEnd::kNotStarted, -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argv[0] + " " + (c.argv.size() > 2 ? c.argv[2] : ""));
    ProcessSpec spec;
    spec.argv = c.argv;
    spec.read_output = true;
    spec.output_limit = 8;
    spec.deadline_ms = c.deadline_ms;
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult r = RunProcess(spec);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(r.end, c.end);
    EXPECT_EQ(r.exit_code, c.exit_code);
    EXPECT_EQ(r.output, c.output);
    if (c.end == ProcessEnd::kNotStarted) {
      EXPECT_EQ(r.error, ENOENT);
    }
  }
}

// What we ignore is not what the child starts with; Ctrl+C during the wait
// is the child's, and our own handling comes back afterwards.
TEST(RunProcess, ChildStartsWithDefaultSignalsAndInterruptsAreItsDuringTheWait) {
  struct sigaction ignore {}, saved {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &saved);
  ProcessSpec spec;
  spec.argv = {"/bin/sh", "-c", "grep '^SigIgn' /proc/self/status; kill -INT $PPID; exit 3"};
  spec.read_output = true;
  spec.interrupts_to_child = true;
  const ProcessResult r = RunProcess(spec);
  sigaction(SIGPIPE, &saved, nullptr);
  EXPECT_EQ(r.end, ProcessEnd::kExited);  // and we are still here
  EXPECT_EQ(r.exit_code, 3);
  ASSERT_EQ(r.output.rfind("SigIgn:", 0), 0u) << r.output;
  const unsigned long long ignored = std::strtoull(r.output.c_str() + 7, nullptr, 16);
  EXPECT_EQ(ignored & ((1ull << (SIGPIPE - 1)) | (1ull << (SIGINT - 1))), 0u) << r.output;
  struct sigaction now {};
  sigaction(SIGINT, nullptr, &now);
  EXPECT_NE(now.sa_handler, SIG_IGN);
}

TEST(OpenWebPage, XdgOpenGetsTheUrlAsOneArgumentAndIsNotWaitedFor) {
  char dir_template[] = "/tmp/zt-xdg-XXXXXX";
  ASSERT_NE(mkdtemp(dir_template), nullptr);
  const std::string dir = dir_template;
  const std::string out = dir + "/args";
  {
    // Records its arguments one per line, then lingers like a browser.
    std::ofstream script(dir + "/xdg-open");
    script << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > " << out << ".tmp\nmv "
           << out << ".tmp " << out << "\nsleep 5\n";
  }
  chmod((dir + "/xdg-open").c_str(), 0700);
  const std::string url = "http://10.213.0.11/;touch " + dir + "/pwned";
  const auto start = std::chrono::steady_clock::now();
  {
    PathScope path(dir + ":/usr/bin:/bin");
    OpenWebPage(url);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  std::string lines;
  for (int i = 0; i < 100 && lines.empty(); ++i) {
    std::ifstream in(out);
    std::stringstream s;
    s << in.rdbuf();
    lines = s.str();
    if (lines.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(lines, url + "\n");
  EXPECT_NE(access((dir + "/pwned").c_str(), F_OK), 0);

  // No xdg-open on the PATH: nothing, and no error.
  {
    PathScope path(dir + "/none");
    OpenWebPage("http://10.213.0.12/");
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace platform
