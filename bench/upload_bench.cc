// One firmware upload with CHTTP and the platform's HTTP session to a board,
// as the update worker makes it; prints the time, the throughput and the
// process's peak memory. Run by bench/run_upload.sh inside the host
// namespace.
//
//   upload_bench BOARD_ADDRESS IMAGE_PATH
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "platform/clock.h"
#include "platform/http_session.h"
#include "updater/update/chttp.h"

namespace {

struct QuietHost final : update::UploadHost {
  std::string percent;
  std::string PercentText(const protocol::TDevice&) override { return percent; }
  void SetPercentText(protocol::TDevice&, const std::string& t) override { percent = t; }
  void ProcessMessages() override {}
  bool automatic() const override { return false; }
  bool SendProgressMessage(int32_t) override { return true; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: upload_bench BOARD_ADDRESS IMAGE_PATH\n");
    return 2;
  }
  QuietHost host;
  protocol::TDevice board = protocol::TDevice::ForTypedAddress(argv[1]);
  update::CHTTP http(platform::CreateHttpSession, host, platform::SystemClock());
  const auto start = std::chrono::steady_clock::now();
  bool ok = http.Open(argv[1], 80, 2) && http.Upload(argv[2], "l04_05.12.rcc", "rcc", board) &&
            http.ReceiveStatus(0);
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  http.Close();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("ok=%d seconds=%.3f peak_rss_kib=%ld\n", ok ? 1 : 0, s, usage.ru_maxrss);
  return ok ? 0 : 1;
}
