// The operating-system services of a console run that the platform layer
// does not already offer: time, language, the program's path, the current
// directory, the log file, the console and the interrupt handler.
#ifndef LAUNCHER_CLI_CLI_SYSTEM_H_
#define LAUNCHER_CLI_CLI_SYSTEM_H_

#include <cstdint>
#include <string>

#include "launcher/cli/result_log.h"

namespace cli {

// True in the Windows build (the log path rule and the curl program differ).
bool IsWindowsBuild();

int64_t NowSeconds();
LocalTime ToLocalTime(int64_t seconds);
// Windows: GetUserDefaultLangID() == 1041. Elsewhere: the first of LC_ALL,
// LC_TIME, LANG that is set and not empty begins with "ja".
bool UserLanguageJapanese();

// The running program's file (GetModuleFileNameW / /proc/self/exe).
std::string ProgramPath();

// Paths are UTF-8, as everywhere in the launcher.
bool ChangeDirectory(const std::string& path);

// One value of section "Application" of the settings file at `path`
// (GetPrivateProfileString rules), "" when missing.
std::string ReadSetting(const std::string& path, const std::string& key);

// Opens `path` for appending (never truncating), writes `line` and a line
// end (CR LF on Windows), closes it. False when any of that fails.
bool AppendLogLine(const std::string& path, const std::string& line);

void SleepMs(int ms);

// Windows: SetConsoleCtrlHandler(ConsoleCtrlHandler, TRUE). Linux: SIGINT and
// SIGTERM release the single-instance lock, then end the process as they
// would have.
bool InstallInterruptHandler();

// Writes to standard output at once.
void Print(const std::string& text);

}  // namespace cli

#endif  // LAUNCHER_CLI_CLI_SYSTEM_H_
