// fwlauncher's console mode: the command-line updater, from its options to
// a verified update, a log line and an exit code.
#ifndef LAUNCHER_CLI_CONSOLE_MAIN_H_
#define LAUNCHER_CLI_CONSOLE_MAIN_H_

#include <string>
#include <vector>

namespace launcher {

// fwlauncher's start on both systems. `args` is the vector of
// cli::BuildArgumentVector: slot 0 "Zantor", then the command line's tokens.
// Only slot 0: the graphical launcher (`instance` is the program's
// HINSTANCE on Windows, null elsewhere); more: the console updater on the
// console. Returns the exit code.
int RunFwlauncher(void* instance, const std::vector<std::string>& args);

// The console updater alone, on that vector.
int ConsoleMain(const std::vector<std::string>& args);

// Windows: attaches to the parent's console or makes one, and reopens the
// standard streams on it, except those the caller redirected to a file or
// a pipe, which keep their target. Linux: nothing to do.
void AttachConsoleForRun();
void ReleaseConsoleAfterRun();

}  // namespace launcher

#endif  // LAUNCHER_CLI_CONSOLE_MAIN_H_
