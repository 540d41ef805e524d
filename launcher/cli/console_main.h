// fwlauncher's console mode: the command-line updater, from its options to
// a verified update, a log line and an exit code.
#ifndef LAUNCHER_CLI_CONSOLE_MAIN_H_
#define LAUNCHER_CLI_CONSOLE_MAIN_H_

#include <string>
#include <vector>

namespace launcher {

// Slot 0 "Zantor", then the tokens of the 8-bit command line split at runs
// of spaces (no quoting), at most 127 slots. Linux entries join their
// arguments with single spaces first, so both systems split alike.
std::vector<std::string> BuildArgumentVector(const std::string& command_line);

// argv: the vector above (argc slots). Returns the exit code.
int ConsoleMain(int argc, char** argv);

// Windows: attaches to the parent's console or makes one, and reopens the
// standard streams on it, except those the caller redirected to a file or
// a pipe, which keep their target. Linux: nothing to do.
void AttachConsoleForRun();
void ReleaseConsoleAfterRun();

}  // namespace launcher

#endif  // LAUNCHER_CLI_CONSOLE_MAIN_H_
