// fwlauncher on Linux. No argument: the graphical launcher's flow on the
// terminal (start-up progress, licence viewer, clean-up). Arguments: the
// console updater.
#include <string>
#include <vector>

#include "launcher/cli/console_main.h"
#include "launcher/startup/launcher_startup.h"

int main(int argc, char** argv) {
  // Joined and split again, so a command line splits as on Windows.
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    // An empty argument stays an argument, written as Windows sees it on its
    // command line: it asks for the console updater, which then wants an
    // address.
    line += argv[i][0] != '\0' ? argv[i] : "\"\"";
  }
  std::vector<std::string> args = launcher::BuildArgumentVector(line);
  if (args.size() <= 1) {
    return launcher::LauncherStartup(nullptr, launcher::LaunchMode::kGraphical);
  }
  std::vector<char*> vector;
  for (std::string& arg : args) vector.push_back(&arg[0]);
  vector.push_back(nullptr);
  launcher::AttachConsoleForRun();
  const int code = launcher::ConsoleMain(static_cast<int>(args.size()), vector.data());
  launcher::ReleaseConsoleAfterRun();
  return code;
}
