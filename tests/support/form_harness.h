// A main window on virtual time with a fake socket and the test view: the
// whole finding-and-listing logic runs without a network or a window.
#ifndef TESTS_SUPPORT_FORM_HARNESS_H_
#define TESTS_SUPPORT_FORM_HARNESS_H_

#include <functional>
#include <string>
#include <vector>

#include "tests/support/fake_http.h"
#include "tests/support/fake_udp.h"
#include "tests/support/reply_builder.h"
#include "tests/support/test_view.h"
#include "tests/support/virtual_loop.h"
#include "updater/protocol/frames.h"
#include "updater/ui/main_form.h"

namespace testing_support {

// The deployment tool's pipe as the window sees it: every message kept.
class FakePipe final : public update::ProgressPipe {
 public:
  bool present = true;     // a server is listening
  int32_t vanish_at = -1;  // the server goes away at this progress value
  std::vector<int32_t> progress;
  std::vector<int32_t> results;
  int failures = 0;
  std::function<uint64_t()> now;            // stamps each message
  std::vector<uint64_t> progress_at;        // when each progress message went
  std::function<void(int32_t)> on_progress;  // runs after each message
  bool SendProgressMessage(int32_t value) override {
    progress.push_back(value);
    if (now) progress_at.push_back(now());
    if (on_progress) on_progress(value);
    if (vanish_at >= 0 && value >= vanish_at) present = false;
    if (!present) ++failures;
    return present;
  }
  platform::PipeExchangeResult SendResult(int32_t code) override {
    results.push_back(code);
    platform::PipeExchangeResult r;
    r.written = present;
    return r;
  }
};

// Settings of the shipped configuration, with the image at `image_path`.
ui::FormSettings ShippedSettings(const std::string& image_path = "");

class FormHarness {
 public:
  FakeUdpApi api;
  VirtualLoop loop;
  TestView view{loop};
  FakeBoardHttp http;
  FakePipe pipe;
  std::vector<std::string> forgotten;  // addresses dropped from the ARP cache
  std::vector<std::string> traces;
  uint32_t locale = 1033;  // the system's default locale id
  ui::TMainForm form{loop, api, view, Services()};

  explicit FormHarness(const std::string& local = "10.213.0.2",
                       const std::string& image_path = "") {
    pipe.now = [this] { return loop.now(); };
    form.Create(local, ShippedSettings(image_path), false);
  }
  ui::FormServices Services();

  // The socket the last search opened.
  platform::SocketHandle socket() const {
    return api.open.empty() ? platform::kNoSocket : *api.open.rbegin();
  }
  // A datagram arrives from a board and is handled with all it posts.
  void Receive(const Bytes& datagram, const std::string& from, uint16_t port = 3289) {
    api.inbound.push_back({datagram, from, port});
    loop.SignalReadable(socket());
    loop.ProcessPending();
  }
  // A wired QJ-L04 board answers the search, the query and the status poll.
  void AddBoard(const std::string& address, const std::string& mac, uint8_t major, uint8_t minor,
                uint8_t status = 0x00) {
    const BoardInfo b = Wired(mac, major, minor);
    Receive(InfoReply('p', b), address);
    Receive(InfoReply('q', b), address);
    Receive(StatusReply(status), address);
  }
  // The board answers a basic-information query with this version.
  void AnswerVersion(const std::string& address, const std::string& mac, uint8_t major,
                     uint8_t minor) {
    Receive(InfoReply('q', Wired(mac, major, minor)), address);
  }
  void Refresh() {
    form.RefreshItemClick();
    loop.ProcessPending();
  }
  void Select(const std::string& node_text) {
    form.SelectCategory(form.FindNode(node_text), ui::SelectVia::kMouse);
  }
  // Runs the loop until no worker sits in its restart wait: the moment the
  // update command returned when the wait ran inside the worker's Run.
  void RunOutRestartWait();
  // Frames sent since `from`, as "kind dest" strings: "search", "info 10.0.0.5".
  std::vector<std::string> Sent(size_t from = 0) const;
  void ClearSent() { api.sent.clear(); }
  const protocol::TDevice* Device(const std::string& address) const;
};

}  // namespace testing_support

#endif  // TESTS_SUPPORT_FORM_HARNESS_H_
