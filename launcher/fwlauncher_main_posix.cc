// fwlauncher on Linux. No argument: the graphical launcher's flow on the
// terminal (start-up progress, licence viewer, clean-up). Arguments: the
// console updater.
#include <string>
#include <vector>

#include "launcher/cli/console_main.h"
#include "launcher/cli/options.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return launcher::RunFwlauncher(nullptr, cli::ArgumentVectorFromArguments(arguments));
}
