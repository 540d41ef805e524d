// Zantor's entry on Windows. Interactive runs (no argument) are single
// instance: a second one raises the first and ends with -1. With an
// argument the program runs hidden in automatic mode. Every run ends by
// sending its result code over the deployment tool's pipe; the exit code is
// that result when it was delivered, -1 otherwise.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <exception>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "updater/host/application_window.h"
#include "updater/host/zantor_session.h"
#include "updater/ui/win32/form_events.h"
#include "updater/ui/win32/main_window.h"

namespace {

constexpr char kMutexName[] = "ZantorMutex";

class MutexOwner {
 public:
  ~MutexOwner() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  HANDLE handle_ = nullptr;
};

// The program's arguments after its own name.
std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return args;
  for (int i = 1; i < count; ++i)
    args.push_back(platform::win32::WideToUtf8(argv[i], wcslen(argv[i])));
  LocalFree(argv);
  return args;
}

void ShowError(const std::string& text) {
  MessageBoxW(nullptr, platform::win32::Utf8ToWide(text).c_str(), L"Zantor", MB_OK | MB_ICONERROR);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show_command) {
  MutexOwner mutex;
  if (command_line == nullptr || command_line[0] == '\0') {
    mutex.handle_ = CreateMutexA(nullptr, FALSE, kMutexName);
    if (mutex.handle_ == nullptr) return -1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      HWND first = FindWindowA("TApplication", "Zantor");
      if (first != nullptr) {
        if (IsIconic(first)) SendMessageA(first, WM_SYSCOMMAND, SC_RESTORE, 0);
        SetForegroundWindow(first);
      }
      return -1;
    }
  }

  host::ApplicationWindow application;
  application.Create(instance);
  const bool old_controls = ui::win32::CommonControlsAreOld();
  // The window outlives the session: the form's destructor still empties
  // the list through it.
  ui::win32::MainWindow window;
  if (!window.Create(instance, old_controls)) return -1;
  application.SetMainWindow(window.hwnd());

  host::ZantorSession session;
  std::string error;
  if (!session.Start(window, old_controls, &error)) {
    ShowError(error);
    return -1;
  }
  ui::TMainForm& form = session.form();
  ui::win32::FormEvents events(form, [&session] { session.loop().Quit(0); });
  window.SetEvents(&events);

  try {
    if (form.ParseCommandLine(Arguments()) == 1) {
      // Automatic mode: nothing is ever shown.
      if (application.hwnd() != nullptr) ShowWindow(application.hwnd(), SW_HIDE);
    } else {
      // The first show's language and search run before the window
      // appears, so its first paint already has that language's captions.
      form.FormShow(static_cast<uint32_t>(GetSystemDefaultLCID()));
      window.Show(show_command);
    }
    session.loop().Run();
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
  window.SetEvents(nullptr);
  return session.SendResultMessage();
}
