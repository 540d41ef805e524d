// Time, language, paths, the log file and the console control handler on
// Windows.
#include "launcher/cli/cli_system.h"

#include <windows.h>

#include <cstdio>
#include <ctime>

#include "launcher/startup/launcher_startup.h"
#include "platform/profile.h"
#include "platform/win32/wide_text.h"

namespace cli {

bool IsWindowsBuild() { return true; }

int64_t NowSeconds() { return static_cast<int64_t>(_time64(nullptr)); }

LocalTime ToLocalTime(int64_t seconds) {
  const __time64_t t = seconds;
  tm parts{};
  _localtime64_s(&parts, &t);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
          parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

bool UserLanguageJapanese() { return GetUserDefaultLangID() == 1041; }

std::string ProgramPath() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return "";
  return platform::win32::WideToUtf8(path, n);
}

bool ChangeDirectory(const std::string& path) {
  return SetCurrentDirectoryW(platform::win32::Utf8ToWide(path).c_str()) != 0;
}

std::string ReadSetting(const std::string& path, const std::string& key) {
  return platform::ReadProfileString(path, "Application", key);
}

bool AppendLogLine(const std::string& path, const std::string& line) {
  // Text mode: the line ends in CR LF on disk.
  FILE* f = _wfopen(platform::win32::Utf8ToWide(path).c_str(), L"a");
  if (!f) return false;
  const bool written = std::fputs(line.c_str(), f) >= 0 && std::fputs("\n", f) >= 0;
  return std::fclose(f) == 0 && written;
}

void SleepMs(int ms) { Sleep(static_cast<DWORD>(ms)); }

namespace {

// Runs on a thread of the console system: closes the mutex and leaves the
// event to the default handling, which ends the process.
BOOL WINAPI ConsoleCtrlHandler(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) launcher::ReleaseSingleInstance();
  return FALSE;
}

}  // namespace

bool InstallInterruptHandler() { return SetConsoleCtrlHandler(ConsoleCtrlHandler, TRUE) != 0; }

void Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace cli
