// fwlauncher on Windows: a GUI program. No argument: the graphical launcher
// (start-up window, licence viewer elevated, clean-up). Arguments: the
// console updater on the parent's console (or a new one).
#include <windows.h>

#include "launcher/cli/console_main.h"
#include "launcher/cli/options.h"
#include "platform/win32/com_apartment.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  // This thread starts the licence viewer elevated through the shell.
  const platform::win32::ComApartment com;
  return launcher::RunFwlauncher(
      instance, cli::BuildArgumentVector(command_line != nullptr ? command_line : ""));
}
