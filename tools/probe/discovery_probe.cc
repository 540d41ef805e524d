// discovery_probe: runs the updater's real UDP endpoint once. It chooses the
// local address as the updater does, broadcasts one search, optionally asks
// every board that answers for its basic information, model name and status,
// and prints each reply as the parser recognised it. Integration tests read
// its output; it is also a handy field tool.
//
//   discovery_probe [--ms N] [--bind A.B.C.D] [--follow]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "platform/event_loop.h"
#include "platform/udp_socket.h"
#include "updater/protocol/device_channel.h"
#include "updater/protocol/frames.h"
#include "updater/protocol/local_address.h"

namespace {

constexpr uint32_t kStopTimer = 1;

class Printer final : public protocol::ReplyDecoder {
 public:
  Printer(protocol::DeviceList& devices, bool follow) : devices_(devices), follow_(follow) {}
  void set_channel(protocol::DeviceChannel* channel) { channel_ = channel; }
  int replies() const { return replies_; }

  void DecodeReply(const protocol::ReplyParser& p, const std::string& from) override {
    ++replies_;
    static constexpr char kLetters[] = "piqscn";
    const int kind = static_cast<int>(p.kind());
    std::printf("reply from=%s kind=%c group=%d command=0x%04X result=0x%04X length=%d",
                from.c_str(), kind >= 0 ? kLetters[kind] : '-', p.group(),
                static_cast<unsigned>(p.command()) & 0xFFFF,
                static_cast<unsigned>(p.result()) & 0xFFFF, p.length());
    if (p.group() == 0 && p.command() == 0) {
      std::printf(" prefix=%.4s type=%s version=%s mac=%s kindbyte=%d",
                  reinterpret_cast<const char*>(p.data()),
                  protocol::VersionText(p.data_at(36), p.data_at(37)).c_str(),
                  protocol::VersionText(p.data_at(38), p.data_at(39)).c_str(),
                  protocol::MacText(p.data() + protocol::kInfoMac).c_str(), p.data_at(61));
      if (follow_ && p.kind() == protocol::ReplyKind::kP && seen_.insert(from).second) {
        const protocol::TDevice* d = devices_.Append(protocol::TDevice::FromSearchReply(
            from, protocol::MacText(p.data() + protocol::kInfoMac), "", "", 0));
        channel_->PostRequest(protocol::REQ_SEARCH_OR_INFO, d);
        channel_->PostRequest(protocol::REQ_MODEL, d);
        channel_->PostRequest(protocol::REQ_STATUS, d);
      }
    } else if (p.group() == 3 && p.command() == 0x0001) {
      std::printf(
          " mac=%s model=%s printer=%s", protocol::MacText(p.data() + protocol::kModelMac).c_str(),
          p.TextAt(protocol::kModelName).c_str(), p.TextAt(protocol::kModelPrinterName).c_str());
    } else if (p.group() == 3 && p.command() == 0x0010) {
      std::printf(" status=0x%02X ready=%d", p.data_at(0),
                  (p.data_at(0) & protocol::kStatusNotReady) ? 0 : 1);
    }
    std::printf("\n");
    std::fflush(stdout);
  }

 private:
  protocol::DeviceList& devices_;
  bool follow_;
  protocol::DeviceChannel* channel_ = nullptr;
  std::set<std::string> seen_;
  int replies_ = 0;
};

class StopAfter final : public platform::TimerSink {
 public:
  explicit StopAfter(platform::EventLoop& loop) : loop_(loop) {}
  void OnTimer(uint32_t) override {
    loop_.StopTimer(kStopTimer);
    loop_.Quit(0);
  }

 private:
  platform::EventLoop& loop_;
};

}  // namespace

int main(int argc, char** argv) {
  unsigned ms = 2000;
  std::string bind;
  bool follow = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ms") == 0 && i + 1 < argc) {
      ms = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else if (std::strcmp(argv[i], "--bind") == 0 && i + 1 < argc) {
      bind = argv[++i];
    } else if (std::strcmp(argv[i], "--follow") == 0) {
      follow = true;
    } else {
      std::fprintf(stderr, "usage: discovery_probe [--ms N] [--bind A.B.C.D] [--follow]\n");
      return 2;
    }
  }

  auto loop = platform::CreateEventLoop();
  auto udp = platform::CreateUdpApi();
  protocol::DeviceList devices;
  Printer printer(devices, follow);
  protocol::DeviceChannel channel(*udp, *loop, devices, printer);
  printer.set_channel(&channel);
  channel.Startup();

  std::string chosen;
  if (!bind.empty()) {
    chosen = bind;
  } else if (!protocol::ChooseLocalAddress(&chosen)) {
    chosen.clear();
  }
  if (!chosen.empty()) channel.SetBindAddress(chosen);
  std::printf("bind %s\n", chosen.empty() ? "0.0.0.0" : chosen.c_str());
  std::fflush(stdout);

  channel.PostRequest(protocol::REQ_SEARCH_OR_INFO, nullptr);
  StopAfter stop(*loop);
  loop->StartTimer(kStopTimer, ms, &stop);
  loop->Run();
  std::printf("replies %d\n", printer.replies());
  return 0;
}
