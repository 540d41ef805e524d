// Zantor's entry on Windows: the interactive window. The single-instance
// guard, the automatic mode and the progress pipe join this file later;
// each step below stays one call so they slot in between.
#include <windows.h>

#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/host.h"
#include "platform/http_session.h"
#include "platform/udp_socket.h"
#include "updater/protocol/local_address.h"
#include "updater/ui/main_form.h"
#include "updater/ui/win32/form_events.h"
#include "updater/ui/win32/main_window.h"

namespace {

// What the staged settings file will provide once it is read at start.
ui::FormSettings DefaultFormSettings() {
  ui::FormSettings s;
  s.caption = "QJ-L04 Network Firmware Updater Ver.5.12";
  s.target_version = "5.12";
  s.version_label = "Ver.5.12";
  return s;
}

// The outside world of an update batch. The staged image joins with the
// staged settings.
ui::FormServices DefaultFormServices() {
  ui::FormServices s;
  s.clock = &platform::SystemClock();
  s.http = [] { return platform::CreateHttpSession(); };
  s.forget_neighbour = [](const std::string& address) { platform::ForgetNeighbour(address); };
  s.trace = [](const char* text) { platform::DebugTrace(text); };
  return s;
}

std::string LocalAddress() {
  std::string address;
  // No usable adapter: bind to any address.
  if (!protocol::ChooseLocalAddress(&address)) address.clear();
  return address;
}

int RunInteractive(HINSTANCE instance, int show_command) {
  std::unique_ptr<platform::EventLoop> loop = platform::CreateEventLoop();
  std::unique_ptr<platform::UdpApi> udp = platform::CreateUdpApi();
  if (loop == nullptr || udp == nullptr) return 1;

  const bool old_controls = ui::win32::CommonControlsAreOld();
  // The window outlives the form: the form's destructor still empties the
  // list through it.
  ui::win32::MainWindow window;
  if (!window.Create(instance, old_controls)) return 1;
  ui::TMainForm form(*loop, *udp, window, DefaultFormServices());
  ui::win32::FormEvents events(form, [&loop] { loop->Quit(0); });
  window.SetEvents(&events);

  form.Create(LocalAddress(), DefaultFormSettings(), old_controls);
  // The first show's language and search run before the window appears,
  // so its first paint already has the captions of that language.
  form.FormShow(static_cast<uint32_t>(GetSystemDefaultLCID()));
  window.Show(show_command);
  const int code = loop->Run();

  // From here on the window only disappears; nobody listens.
  window.SetEvents(nullptr);
  return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  return RunInteractive(instance, show_command);
}
