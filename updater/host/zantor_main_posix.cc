// Zantor on Linux: the same main-window logic without a window. It finds
// the boards on the chosen interface, selects the wired QJ-L04 category as
// a user would, and prints the device list whenever it changes.
//
//   Zantor [--list-seconds N]
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/event_loop.h"
#include "platform/udp_socket.h"
#include "updater/protocol/local_address.h"
#include "updater/ui/headless_view.h"
#include "updater/ui/main_form.h"

namespace {

constexpr uint32_t kPrintTimer = 100;
constexpr uint32_t kSelectTimer = 101;
constexpr uint32_t kEndTimer = 102;

volatile std::sig_atomic_t g_stop = 0;  // set by SIGINT/SIGTERM only
void OnSignal(int) { g_stop = 1; }

ui::FormSettings DefaultFormSettings() {
  return ui::FormSettings{"QJ-L04 Network Firmware Updater Ver.5.12", "5.12", "Ver.5.12"};
}

// The system's default locale as Windows numbers it: Japanese or not.
uint32_t DefaultLocaleId() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(name);
    if (v != nullptr && *v != '\0') return std::strncmp(v, "ja", 2) == 0 ? 1041 : 1033;
  }
  return 1033;
}

class ListPrinter final : public platform::TimerSink {
 public:
  ListPrinter(platform::EventLoop& loop, ui::TMainForm& form, ui::HeadlessView& view)
      : loop_(loop), form_(form), view_(view) {}

  void OnTimer(uint32_t id) override {
    if (id == kSelectTimer) {
      loop_.StopTimer(kSelectTimer);
      form_.SelectCategory(form_.FindNode("QJ-L04(Wired)"), ui::SelectVia::kMouse);
    } else if (id == kEndTimer || g_stop) {
      Print(false);
      loop_.Quit(0);
    } else {
      Print(false);
    }
  }

 private:
  void Print(bool always) {
    const std::string now = view_.FormatList();
    if (!always && now == last_ && printed_) return;
    printed_ = true;
    last_ = now;
    std::printf("%s - %zu board(s) listed\n%s", view_.status_panels[0].c_str(),
                view_.list_order.size(), now.c_str());
    std::fflush(stdout);
  }

  platform::EventLoop& loop_;
  ui::TMainForm& form_;
  ui::HeadlessView& view_;
  std::string last_;
  bool printed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  unsigned seconds = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--list-seconds") == 0 && i + 1 < argc) {
      seconds = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else {
      std::fprintf(stderr, "usage: Zantor [--list-seconds N]\n");
      return 2;
    }
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);

  auto loop = platform::CreateEventLoop();
  auto udp = platform::CreateUdpApi();
  ui::HeadlessView view;
  ui::TMainForm form(*loop, *udp, view);
  std::string local;
  if (!protocol::ChooseLocalAddress(&local)) local.clear();
  form.Create(local, DefaultFormSettings(), false);
  std::printf("%s\nsearching from %s\n", view.caption.c_str(),
              local.empty() ? "any address" : local.c_str());
  form.FormShow(DefaultLocaleId());

  ListPrinter printer(*loop, form, view);
  loop->StartTimer(kSelectTimer, 1000, &printer);
  loop->StartTimer(kPrintTimer, 500, &printer);
  if (seconds > 0) loop->StartTimer(kEndTimer, seconds * 1000, &printer);
  return loop->Run();
}
