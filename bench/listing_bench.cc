// Time from Refresh to every simulated board listed (identified, with its
// row in the wired QJ-L04 node), with the real loop and sockets. Run inside
// the host namespace by bench/run_listing.sh, which starts the simulator.
//
//   listing_bench BOARDS [ROUNDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/udp_socket.h"
#include "updater/protocol/local_address.h"
#include "updater/ui/headless_view.h"
#include "updater/ui/main_form.h"

namespace {

constexpr uint32_t kPollTimer = 950;
constexpr uint32_t kGiveUpTimer = 951;

class Watch final : public platform::TimerSink {
 public:
  Watch(platform::EventLoop& loop, ui::HeadlessView& view, size_t boards)
      : loop_(loop), view_(view), boards_(boards) {}
  void OnTimer(uint32_t id) override {
    if (id == kGiveUpTimer || Listed() >= boards_) loop_.Quit(0);
  }
  size_t Listed() const {
    size_t n = 0;
    for (const auto& [ref, row] : view_.rows) {
      if (row.image == ui::kImageReady) ++n;
    }
    return n;
  }

 private:
  platform::EventLoop& loop_;
  ui::HeadlessView& view_;
  size_t boards_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: listing_bench BOARDS [ROUNDS]\n");
    return 2;
  }
  const size_t boards = std::strtoul(argv[1], nullptr, 10);
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  std::vector<double> times;
  for (int round = 0; round < rounds; ++round) {
    auto loop = platform::CreateEventLoop();
    auto udp = platform::CreateUdpApi();
    ui::HeadlessView view;
    ui::FormServices services;
    ui::TMainForm form(*loop, *udp, view, services);
    std::string local;
    protocol::ChooseLocalAddress(&local);
    ui::FormSettings settings;
    settings.caption = "bench";
    settings.target_version = "5.12";
    settings.version_label = "Ver.5.12";
    form.Create(local, settings, false);
    Watch watch(*loop, view, boards);
    const auto start = std::chrono::steady_clock::now();
    form.FormShow(1033);
    form.SelectCategory(form.FindNode("QJ-L04(Wired)"), ui::SelectVia::kMouse);
    loop->StartTimer(kPollTimer, 1, &watch);
    loop->StartTimer(kGiveUpTimer, 10000, &watch);
    loop->Run();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const size_t listed = watch.Listed();
    if (listed < boards) {
      std::printf("round %d: only %zu of %zu boards listed after %.0f ms\n", round, listed, boards,
                  ms);
      return 1;
    }
    times.push_back(ms);
  }
  double best = times[0], sum = 0;
  for (double t : times) {
    best = t < best ? t : best;
    sum += t;
  }
  // What the search socket got, as every socket of the endpoint gets it.
  auto udp = platform::CreateUdpApi();
  const platform::SocketHandle probe = udp->Create();
  const int receive_buffer = udp->ReceiveBufferBytes(probe);
  udp->ShutdownAndClose(probe);
  std::printf(
      "boards=%zu rounds=%d refresh-to-listed best=%.1f ms mean=%.1f ms receive-buffer=%d bytes\n",
      boards, rounds, best, sum / times.size(), receive_buffer);
  return 0;
}
