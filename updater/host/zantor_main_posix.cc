// Zantor on Linux: the updater's logic without a window.
//
//   Zantor ADDRESS [...]        automatic mode: update the board at ADDRESS,
//                               progress on the pipe, result as exit code
//   Zantor [--list-seconds N]   find the boards and print the wired QJ-L04
//                               list whenever it changes (N: stop after N s)
//   Zantor --update-ticked      find the boards, then update the pre-ticked
//                               ones as a user would, answering Yes, and
//                               print the list as the update goes
//   Zantor --adapters | --about | --help, and --adapter ADDRESS, --add
//   ADDRESS, --import FILE: the window's adapter, address and help commands
//   (see kZantorUsage), through the same core code as the dialogs.
//
// Options of this build begin with "--", which no board address does.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

#include "platform/adapters.h"
#include "platform/host.h"
#include "platform/terminal_text.h"
#include "platform/text_file.h"
#include "updater/host/zantor_options.h"
#include "updater/host/zantor_session.h"
#include "updater/ui/dialog_texts.h"
#include "updater/ui/headless_view.h"
#include "updater/ui/import_rules.h"
#include "updater/ui/manual_address.h"

namespace {

constexpr uint32_t kPrintTimer = 100;
constexpr uint32_t kSelectTimer = 101;
constexpr uint32_t kEndTimer = 102;
constexpr uint32_t kUpdateTimer = 103;

constexpr uint32_t kSignalMessage = platform::kUserMessage + 900;

// SIGINT and SIGTERM: the handler only notes the signal and writes one byte
// to a pipe that the event loop watches, so the loop wakes even in the
// middle of a poll, and the work is done by the loop's own handler.
volatile std::sig_atomic_t g_stop = 0;
int g_signal_pipe[2] = {-1, -1};
void OnSignal(int) {
  const int saved = errno;
  g_stop = 1;
  const char byte = 1;
  if (g_signal_pipe[1] >= 0) (void)!::write(g_signal_pipe[1], &byte, 1);
  errno = saved;
}

bool InstallSignalHandlers() {
  if (::pipe2(g_signal_pipe, O_NONBLOCK | O_CLOEXEC) != 0) return false;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

// Ends the run as closing the window would: a running update is abandoned
// (its upload or restart wait stops at the next step), the final message
// carries the result code, which stays 402 for an update that did not end,
// and the staged files go when the session does.
class SignalSink final : public platform::MessageSink {
 public:
  explicit SignalSink(ui::TMainForm& form) : form_(form) {}
  void OnMessage(const platform::Message&) override {
    char drain[16];
    while (::read(g_signal_pipe[0], drain, sizeof drain) > 0) {
    }
    if (!form_.closing()) form_.FormClose();
  }

 private:
  ui::TMainForm& form_;
};

// The terminal's view: a question shows where it is asked, between the
// lists printed before and after it, with the answer given.
class TerminalView final : public ui::HeadlessView {
 public:
  ui::Answer Ask(const std::string& text, const std::string& caption_text, ui::AskKind icon,
                 ui::AskButtons buttons) override {
    const ui::Answer answer = HeadlessView::Ask(text, caption_text, icon, buttons);
    // Our message texts end their lines as a Windows message box wants, CR LF;
    // a terminal needs only the LF, and a CR of a board's text stays "?".
    std::string lines = text;
    for (size_t at = 0; (at = lines.find("\r\n", at)) != std::string::npos;) lines.erase(at, 1);
    std::printf("message: %s\n", platform::TerminalText(lines, true).c_str());
    if (buttons == ui::AskButtons::kYesNo) {
      std::printf("answer: %s\n", answer == ui::Answer::kYes ? "Yes" : "No");
    }
    std::fflush(stdout);
    return answer;
  }
};

// Drives the window logic as a user at the screen would, and prints the
// list whenever it changed.
class Operator final : public platform::TimerSink {
 public:
  Operator(platform::EventLoop& loop, ui::TMainForm& form, ui::HeadlessView& view)
      : loop_(loop), form_(form), view_(view) {}

  void OnTimer(uint32_t id) override {
    switch (id) {
      case kSelectTimer:
        loop_.StopTimer(kSelectTimer);
        form_.SelectCategory(form_.FindNode("QJ-L04(Wired)"), ui::SelectVia::kMouse);
        break;
      case kUpdateTimer:
        loop_.StopTimer(kUpdateTimer);
        Print();
        std::printf("Updating the ticked boards...\n");
        for (int i = 0; i < 8; ++i) view_.answers.push_back(ui::Answer::kYes);
        started_ = true;
        form_.FirmUpdateButtonClick();
        break;
      case kEndTimer:
        Finish();
        break;
      default:
        Print();
        if (g_stop || (started_ && !form_.updating() && form_.workers().empty())) Finish();
        break;
    }
  }

 private:
  void Print() {
    const std::string now = view_.FormatList();
    if (now == last_ && printed_) return;
    printed_ = true;
    last_ = now;
    std::printf("%s - %zu board(s) listed\n%s",
                platform::TerminalText(view_.status_panels[0]).c_str(), view_.list_order.size(),
                now.c_str());
    std::fflush(stdout);
  }
  void Finish() {
    Print();
    form_.FormClose();
  }

  platform::EventLoop& loop_;
  ui::TMainForm& form_;
  ui::HeadlessView& view_;
  bool started_ = false;
  bool printed_ = false;
  std::string last_;
};

// The adapter dialog's rows: its caption, column captions, and the rows
// sorted by name as its list keeps them.
void PrintAdapters(ui::Language language) {
  const ui::AdapterDialogTexts texts = ui::AdapterTexts(language);
  std::vector<platform::AdapterRow> rows = platform::ListAdapterRows();
  std::stable_sort(
      rows.begin(), rows.end(),
      [](const platform::AdapterRow& a, const platform::AdapterRow& b) { return a.name < b.name; });
  std::printf("%s\n%-24s %s\n", texts.caption.c_str(), texts.device_column.c_str(),
              texts.address_column.c_str());
  for (const auto& r : rows) std::printf("%-24s %s\n", r.name.c_str(), r.address.c_str());
}

void PrintAbout(ui::Language language, const update::Settings& settings, const std::string& model) {
  const ui::AboutTexts t = ui::MakeAboutTexts(language, settings, model);
  for (const std::string& line :
       {t.caption, t.exe_name, t.tool_name, t.tool_version, t.tool_build,
        std::string(ui::kAboutMaker), t.copyright, std::string(ui::kAboutNotice)}) {
    std::printf("%s\n", line.c_str());
  }
}

// A dotted address by the import rules; prints why not.
bool CheckAddress(const char* option, const std::string& text, std::string* address) {
  if (ui::ImportLineAddress(text, address)) return true;
  std::fprintf(stderr, "Zantor: %s: \"%s\" is not an IPv4 address\n", option, text.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // Line by line, so a reader of a pipe or a log sees the list, the
  // questions and the errors on standard error in the order they happened.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  host::ZantorOptions options;
  std::string error;
  if (!host::ParseZantorOptions(std::vector<std::string>(argv + 1, argv + argc), &options,
                                &error)) {
    std::fprintf(stderr, "Zantor: %s\n%s", error.c_str(), host::kZantorUsage);
    return 2;
  }
  if (options.help) {
    std::printf("%s", host::kZantorUsage);
    return 0;
  }
  const ui::Language language = ui::LanguageOf(platform::SystemLocaleId());
  if (options.adapters) {
    PrintAdapters(language);
    return 0;
  }
  std::string bind;
  if (!options.adapter.empty() && !CheckAddress("--adapter", options.adapter, &bind)) return 2;
  std::vector<std::string> adds;
  for (const std::string& a : options.adds) {
    std::string address;
    if (!CheckAddress("--add", a, &address)) return 2;
    adds.push_back(address);
  }
  const unsigned seconds = options.list_seconds;
  const bool update_ticked = options.update_ticked;
  const std::vector<std::string>& args = options.args;
  if (!InstallSignalHandlers()) {
    std::fprintf(stderr, "Zantor: cannot install the signal handlers\n");
    return -1;
  }
  std::signal(SIGPIPE, SIG_IGN);

  TerminalView view;
  host::ZantorSession session;
  if (!session.Start(view, false, &error)) {
    // The deployment tool still gets its final message (402). Automatic
    // mode shows nothing, so the reason goes to the debug trace there.
    if (args.empty()) {
      std::fprintf(stderr, "Zantor: %s\n", error.c_str());
    } else {
      platform::DebugTrace(("Zantor: " + error).c_str());
    }
    return session.SendResultMessage();
  }
  ui::TMainForm& form = session.form();
  platform::EventLoop& loop = session.loop();
  if (options.about) {
    PrintAbout(language, session.staged().settings, "QJ-L04");
    return 0;
  }
  // As a row chosen in the adapter dialog: the first search goes out there.
  if (!bind.empty()) form.channel().SetBindAddress(bind);

  SignalSink on_signal(form);
  loop.Register(kSignalMessage, &on_signal);
  loop.WatchSocket(g_signal_pipe[0], kSignalMessage);
  Operator op(loop, form, view);
  if (form.ParseCommandLine(args) == 0) {
    form.set_side_by_side(options.side_by_side);
    std::printf("%s\n", view.caption.c_str());
    form.FormShow();
    // Typed and imported boards, as the dialogs add them after the start.
    for (const std::string& a : adds) ui::AddManualAddress(form, a);
    for (const std::string& file : options.imports) {
      std::vector<std::string> lines;
      if (!platform::ReadTextLines(file, &lines, &error)) {
        std::fprintf(stderr, "Zantor: %s\n", error.c_str());
        continue;
      }
      bool capped = false;
      const int added = ui::ImportAddressLines(form, lines, &capped);
      std::printf("%d address(es) added from %s\n", added, file.c_str());
      if (capped) {
        std::fprintf(stderr, "Zantor: %s holds more than %d addresses; the rest were not added\n",
                     file.c_str(), ui::kImportMaxAddresses);
      }
    }
    loop.StartTimer(kSelectTimer, 1000, &op);
    loop.StartTimer(kPrintTimer, 500, &op);
    if (update_ticked) loop.StartTimer(kUpdateTimer, 3500, &op);
    if (seconds > 0) loop.StartTimer(kEndTimer, seconds * 1000, &op);
  }
  loop.Run();
  loop.UnwatchSocket(g_signal_pipe[0]);
  loop.Unregister(kSignalMessage);
  // Linux keeps the low 8 bits of the exit status (402 -> 146); the final
  // message carries the whole code.
  return session.SendResultMessage();
}
