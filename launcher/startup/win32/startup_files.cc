// Single instance, unpack directory and unzip library file on Windows.
#include <windows.h>

#include <atomic>
#include <string>

#include "launcher/startup/launcher_startup.h"
#include "launcher/startup/startup_services.h"
#include "platform/files.h"
#include "platform/win32/wide_text.h"

namespace launcher {
namespace {

// The mutex while this process holds it. Exchanged out before it is closed,
// so the console control thread and the main thread never close it twice.
std::atomic<HANDLE> g_mutex{nullptr};

}  // namespace

int AcquireSingleInstance(const std::string& dir, std::string* error) {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, kSingleInstanceName);
  if (mutex == nullptr) {
    // Not a second instance: a same-named object we may not open (another
    // user's, or not a mutex). Still 1100, but with the reason.
    *error = "cannot take the single-instance mutex: " + platform::SysErrorText(GetLastError());
    return kStartupAlreadyRunning;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return kStartupAlreadyRunning;
  }
  HANDLE previous = g_mutex.exchange(mutex);
  if (previous != nullptr) CloseHandle(previous);
  if (!PrepareUnpackDirectory(dir, error)) {
    ReleaseSingleInstance();
    return kStartupPayloadNotWritten;
  }
  return kStartupOk;
}

// The temporary directory is the user's own on Windows.
std::string HeldDirectoryPath(const std::string& dir) { return dir; }

platform::SysError RemoveUnpackDirectoryOnce(const std::string& dir) {
  DeleteTree(dir);
  std::string bare = dir;
  while (!bare.empty() && bare.back() == '\\') bare.pop_back();
  platform::SetNormalAttributes(bare);
  return platform::RemoveEmptyDirectory(bare);
}

void ReleaseSingleInstance() {
  HANDLE mutex = g_mutex.exchange(nullptr);
  if (mutex != nullptr) CloseHandle(mutex);
}

bool HoldsSingleInstance() { return g_mutex.load() != nullptr; }

bool ChangeDirectory(const std::string& path) {
  return SetCurrentDirectoryW(platform::win32::Utf8ToWide(path).c_str()) != 0;
}

bool DirectoryExists(const std::string& path) {
  return GetFileAttributesW(platform::win32::Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// RT_RCDATA (10), id 1.
UnzipLibraryResource UnzipLibrary() { return {"#10", "#1", "Unzip32.dll"}; }

const char* ViewerRelativePath() { return "Terma\\Terma.exe"; }
const char* ZantorFileName() { return "Zantor.exe"; }

}  // namespace launcher
