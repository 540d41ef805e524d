// The browser launch on Linux: xdg-open from the PATH gets the URL as one
// argument of its own (no shell reads it), the call does not wait for the
// browser, and without xdg-open nothing happens.
#include <gtest/gtest.h>
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
