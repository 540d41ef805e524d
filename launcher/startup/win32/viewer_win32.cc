// Starts the licence viewer elevated ("runas") and waits for it.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "launcher/startup/startup_services.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace launcher {

int RunViewerElevated(const std::string& path, StartupProgress* progress) {
  const std::wstring file = platform::win32::Utf8ToWide(path);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = nullptr;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = L"";
  info.lpDirectory = nullptr;  // the current directory is inherited
  info.nShow = SW_SHOWNORMAL;
  // Declined elevation or a missing viewer: the start-up window stays until
  // the user closes it.
  if (!ShellExecuteExW(&info)) return -1;
  if (progress != nullptr) progress->ViewerStarted();
  platform::win32::UniqueKernelHandle process(info.hProcess);
  if (!process) return -1;
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  return GetExitCodeProcess(process.get(), &code) ? static_cast<int>(code) : -1;
}

}  // namespace launcher
