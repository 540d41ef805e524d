// fwlauncher on Windows: a GUI program. No argument: the graphical launcher
// (start-up window, licence viewer elevated, clean-up). Arguments: the
// console updater on the parent's console (or a new one).
#include <windows.h>

#include <string>
#include <vector>

#include "launcher/cli/console_main.h"
#include "launcher/startup/launcher_startup.h"
#include "platform/win32/com_apartment.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  // This thread starts the licence viewer elevated through the shell.
  const platform::win32::ComApartment com;
  std::vector<std::string> args =
      launcher::BuildArgumentVector(command_line != nullptr ? command_line : "");
  if (args.size() <= 1) {
    return launcher::LauncherStartup(instance, launcher::LaunchMode::kGraphical);
  }
  std::vector<char*> vector;
  for (std::string& arg : args) vector.push_back(&arg[0]);
  vector.push_back(nullptr);
  launcher::AttachConsoleForRun();
  const int code = launcher::ConsoleMain(static_cast<int>(args.size()), vector.data());
  launcher::ReleaseConsoleAfterRun();
  return code;
}
