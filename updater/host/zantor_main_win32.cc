// Zantor's entry on Windows. Interactive runs (no argument) are single
// instance: a second one raises the first and ends with -1. With an
// argument the program runs hidden in automatic mode. Every run that gets
// past the single-instance rule ends by sending its result code over the
// deployment tool's pipe, a failed start too (402); the exit code is that
// result when it was delivered, -1 otherwise.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/firewall.h"
#include "platform/host.h"
#include "platform/text_file.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "updater/host/application_window.h"
#include "updater/host/firewall.h"
#include "updater/host/zantor_session.h"
#include "updater/ui/dialog_commands.h"
#include "updater/ui/win32/dialogs/dialog_view_win32.h"
#include "updater/ui/win32/main_window.h"

namespace {

constexpr char kMutexName[] = "ZantorMutex";

// The program's arguments after its own name.
std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int count = 0;
  platform::win32::UniqueLocalMemory<LPWSTR> argv(CommandLineToArgvW(GetCommandLineW(), &count));
  if (!argv) return args;
  for (int i = 1; i < count; ++i) {
    args.push_back(platform::win32::WideToUtf8(argv.get()[i], wcslen(argv.get()[i])));
  }
  return args;
}

// A failure that ends the run. In automatic mode nothing is ever shown: nobody sits
// at the desktop, and a box would hold the run (and the deployment tool's
// final message) for ever. The debug trace keeps the reason.
void ReportFailure(bool automatic, const std::string& text) {
  if (automatic) {
    platform::DebugTrace(("Zantor: " + text + "\n").c_str());
  } else {
    MessageBoxW(nullptr, platform::win32::Utf8ToWide(text).c_str(), L"Zantor",
                MB_OK | MB_ICONERROR);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show_command) {
  platform::win32::UniqueKernelHandle mutex;
  if (command_line == nullptr || command_line[0] == '\0') {
    mutex.reset(CreateMutexA(nullptr, FALSE, kMutexName));
    if (!mutex) return -1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      mutex.reset();
      HWND first = FindWindowA("TApplication", "Zantor");
      if (first != nullptr) {
        if (IsIconic(first)) SendMessageA(first, WM_SYSCOMMAND, SC_RESTORE, 0);
        SetForegroundWindow(first);
      }
      return -1;
    }
  }
  const std::vector<std::string> args = Arguments();
  const bool automatic = !args.empty();
  // For the whole run on this thread, which opens web pages and the
  // open-file dialog, and runs arp.
  const platform::win32::ComApartment com;

  // The window outlives the session: the form's destructor still empties
  // the list through it. The session owns the pipe, so a failed start
  // still sends its 402.
  ui::win32::MainWindow window;
  host::ZantorSession session;
  host::ApplicationWindow application;
  application.Create(instance);
  const bool old_controls = ui::win32::CommonControlsAreOld();
  if (!window.Create(instance, old_controls)) {
    ReportFailure(automatic, "The main window could not be created.");
    return session.SendResultMessage();
  }
  application.SetMainWindow(window.hwnd());

  std::string error;
  if (!session.Start(window, old_controls, &error)) {
    ReportFailure(automatic, error);
    return session.SendResultMessage();
  }
  ui::TMainForm& form = session.form();
  window.SetHandlers(&form);
  window.SetDestroyed([&session] { session.loop().Quit(0); });

  // The dialogs exist for the whole run (about, adapter, typed address, in
  // that order), owned by the main window and centred on it.
  ui::win32::Win32DialogView dialogs(instance);
  dialogs.set_owner(window.hwnd());
  dialogs.set_selected_row([&window] { return window.SelectedRow(); });
  ui::DialogCommands commands(form, window, dialogs, session.staged().settings, "QJ-L04",
                              platform::ReadTextLines);
  form.set_dialog_commands(&commands);

  // The firewall offer's questions belong to the visible main window, so
  // it is shown first; its captions are already in the first show's
  // language.
  const std::unique_ptr<platform::FirewallSystem> firewall = platform::MakeSystemFirewall();
  form.set_firewall_offer([&] {
    window.Show(show_command);
    host::OfferFirewallException(firewall.get(), session.staged().settings.exeName, form.texts(),
                                 window);
  });

  try {
    if (form.ParseCommandLine(args) == 1) {
      // Automatic mode: nothing is ever shown.
      if (application.hwnd() != nullptr) ShowWindow(application.hwnd(), SW_HIDE);
    } else {
      // The first show's language and search run before the window
      // appears, so its first paint already has that language's captions.
      form.FormShow();
      window.Show(show_command);
    }
    session.loop().Run();
  } catch (const std::exception& e) {
    ReportFailure(automatic, e.what());
  }
  window.SetHandlers(nullptr);
  window.SetDestroyed(nullptr);
  form.set_dialog_commands(nullptr);
  form.set_firewall_offer(nullptr);
  return session.SendResultMessage();
}
