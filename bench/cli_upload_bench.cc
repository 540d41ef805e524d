// One upload by the console updater's own client, timed, with the process's
// peak memory:   cli_upload_bench ADDRESS FILE   (run in the file's directory;
// the progress lines go to standard output, the figures to standard error).
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "launcher/cli/uploaders.h"
#include "launcher/cli/upload_request.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: cli_upload_bench ADDRESS FILE\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const int result = cli::UploadWithWinHttp(argv[1], cli::kUploadObject, argv[2]);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::fprintf(stderr, "result=%d seconds=%.3f peak_rss_kib=%ld\n", result, seconds,
               usage.ru_maxrss);
  return result == 0 ? 0 : 1;
}
