// The console of a console run: the parent's, else a new one. A standard
// stream the caller redirected to a file or a pipe keeps its target, so a
// deployment script that captures the output gets it.
#include <windows.h>

#include <cstdio>

#include "launcher/cli/console_main.h"

namespace launcher {
namespace {

bool Redirected(DWORD which) {
  const HANDLE h = GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return false;
  const DWORD type = GetFileType(h);
  return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

bool g_reopened_input = false;

}  // namespace

void AttachConsoleForRun() {
  const bool out = Redirected(STD_OUTPUT_HANDLE);
  const bool err = Redirected(STD_ERROR_HANDLE);
  const bool in = Redirected(STD_INPUT_HANDLE);
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) AllocConsole();
  if (!out) std::freopen("CONOUT$", "w", stdout);
  if (!err) std::freopen("CONOUT$", "w", stderr);
  if (!in) g_reopened_input = std::freopen("CONIN$", "r", stdin) != nullptr;
}

void ReleaseConsoleAfterRun() {
  std::fflush(stdout);
  std::fflush(stderr);
  if (g_reopened_input) std::fclose(stdin);
  FreeConsole();
}

}  // namespace launcher
