#include "platform/files.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

using win32::Utf8ToWide;

SysError Result(BOOL ok) { return ok ? 0 : static_cast<SysError>(GetLastError()); }

}  // namespace

char PathSeparator() { return '\\'; }

std::string TempPath() {
  // ANSI into 260 bytes, as the staging directory has always been found.
  // A longer path does not fit; GetTempPathA then returns the size it
  // would need and leaves the buffer undefined, so it is no path at all.
  char buffer[260];
  const DWORD n = GetTempPathA(sizeof buffer, buffer);
  if (n == 0 || n >= sizeof buffer) return std::string();
  return win32::AnsiToUtf8(buffer, n);
}

// The W calls below get the same UTF-16 text that the A calls would make of
// an ANSI path, and UTF-8 paths that ANSI cannot spell still work.
SysError MakeDirectory(const std::string& path) {
  return Result(CreateDirectoryW(Utf8ToWide(path).c_str(), nullptr));
}

SysError WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) {
  const std::wstring wide = Utf8ToWide(path);
  win32::UniqueFileHandle file(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return static_cast<SysError>(GetLastError());
  SysError error = 0;
  size_t done = 0;
  while (done < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file.get(), data + done, chunk, &written, nullptr) || written == 0) {
      error = static_cast<SysError>(GetLastError());
      if (error == 0) error = ERROR_WRITE_FAULT;
      break;
    }
    done += written;
  }
  if (!file.Close() && error == 0) error = static_cast<SysError>(GetLastError());
  if (error != 0) DeleteFileW(wide.c_str());
  return error;
}

SysError SetNormalAttributes(const std::string& path) {
  return Result(SetFileAttributesW(Utf8ToWide(path).c_str(), FILE_ATTRIBUTE_NORMAL));
}

SysError RemoveFile(const std::string& path) {
  return Result(DeleteFileW(Utf8ToWide(path).c_str()));
}

SysError RemoveEmptyDirectory(const std::string& path) {
  return Result(RemoveDirectoryW(Utf8ToWide(path).c_str()));
}

}  // namespace platform
