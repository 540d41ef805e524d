// Unpack time of the launcher's payload through the unzip library (listing
// pass + extraction pass, as the launcher runs them) against the unzip tool
// on the same archive, each into a fresh directory; the median of N runs.
//
//   launcher_unpack_bench LIBRARY ARCHIVE [RUNS]
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "launcher/startup/startup_services.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

bool RunTool(const std::string& archive) {
  std::vector<std::string> args = {"unzip", "-o", "-qq", archive};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawnp(&pid, "unzip", nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: launcher_unpack_bench LIBRARY ARCHIVE [RUNS]\n");
    return 2;
  }
  const std::string library = fs::absolute(argv[1]).string();
  const std::string archive = fs::absolute(argv[2]).string();
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  const fs::path base = fs::temp_directory_path() / ("zt-unpack-bench-" + std::to_string(getpid()));
  std::vector<double> both, extract_only, tool;
  for (int i = 0; i < runs; ++i) {
    for (int kind = 0; kind < 3; ++kind) {
      const fs::path dir = base / (std::to_string(i) + "-" + std::to_string(kind));
      fs::create_directories(dir);
      fs::current_path(dir);
      const auto start = Clock::now();
      bool ok = true;
      if (kind == 0) {
        ok = launcher::RunUnzipPass(library, archive, true) != -1 &&
             launcher::RunUnzipPass(library, archive, false) == 0;
      } else if (kind == 1) {
        ok = launcher::RunUnzipPass(library, archive, false) == 0;
      } else {
        ok = RunTool(archive);
      }
      const double ms = Ms(Clock::now() - start);
      if (!ok) {
        std::fprintf(stderr, "unpack failed (kind %d)\n", kind);
        return 1;
      }
      (kind == 0 ? both : kind == 1 ? extract_only : tool).push_back(ms);
      fs::current_path(base);
      fs::remove_all(dir);
    }
  }
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(base);
  const double b = Median(both), e = Median(extract_only), t = Median(tool);
  std::printf("archive: %s (%.1f MB)\n", archive.c_str(), fs::file_size(archive) / 1e6);
  std::printf("library, listing + extraction (as the launcher): %8.1f ms  (%.2f x the tool)\n", b,
              b / t);
  std::printf("library, extraction pass alone:                  %8.1f ms  (%.2f x the tool)\n", e,
              e / t);
  std::printf("unzip tool (unzip -o -qq):                        %8.1f ms\n", t);
  std::printf("median of %d runs each; goal: at most 1.2 x the tool\n", runs);
  return 0;
}
