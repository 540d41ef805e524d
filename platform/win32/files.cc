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
  // Wide, so a user name that the ANSI code page cannot spell survives
  // (GetTempPathA gives "?" in its place). The old 260-unit buffer stays:
  // a longer path does not fit, and GetTempPathW then returns the size it
  // would need, which is no path at all.
  wchar_t buffer[260];
  const DWORD n = GetTempPathW(260, buffer);
  if (n == 0 || n >= 260) return std::string();
  return win32::WideToUtf8(buffer, n);
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

bool EnsurePrivateDirectory(const std::string& path, std::string* error,
                            DirectoryRefusal* refusal) {
  if (refusal != nullptr) *refusal = DirectoryRefusal::kFailed;
  // The temporary directory is the user's own on Windows; what remains to
  // refuse is a name that is not a plain directory.
  const std::wstring wide = Utf8ToWide(path);
  if (!CreateDirectoryW(wide.c_str(), nullptr)) {
    const DWORD code = GetLastError();
    if (code != ERROR_ALREADY_EXISTS) {
      *error = "Cannot create the directory " + path + ": " + SysErrorText(code);
      return false;
    }
  }
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *error = "Cannot examine the directory " + path + ": " + SysErrorText(GetLastError());
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    *error = path + " is a link (reparse point), not a directory; refusing to use it";
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    *error = path + " exists and is not a directory";
    return false;
  }
  if (refusal != nullptr) *refusal = DirectoryRefusal::kNone;
  return true;
}

bool MakeFallbackPrivateDirectory(const std::string&, const std::string&, std::string*,
                                  std::string* error) {
  *error = "No other private directory: the temporary directory is the user's own";
  return false;
}

namespace {

HANDLE AsHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

bool IdOf(HANDLE h, FileId* id) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return false;
  id->device = info.dwVolumeSerialNumber;
  id->inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  id->valid = true;
  return true;
}

}  // namespace

File::~File() {
  if (handle_ != kNone) CloseHandle(AsHandle(handle_));
}

SysError File::WriteAll(const uint8_t* data, size_t size) {
  if (handle_ == kNone) return ERROR_INVALID_HANDLE;
  size_t done = 0;
  while (done < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(AsHandle(handle_), data + done, chunk, &written, nullptr)) {
      return static_cast<SysError>(GetLastError());
    }
    if (written == 0) return ERROR_WRITE_FAULT;
    done += written;
  }
  return 0;
}

SysError File::ReadAt(uint64_t offset, uint8_t* data, size_t size, size_t* got) const {
  *got = 0;
  if (handle_ == kNone) return ERROR_INVALID_HANDLE;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD n = 0;
  const DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
  if (!::ReadFile(AsHandle(handle_), data, want, &n, &at)) {
    const DWORD code = GetLastError();
    if (code == ERROR_HANDLE_EOF) return 0;
    return static_cast<SysError>(code);
  }
  *got = n;
  return 0;
}

SysError File::Size(uint64_t* size) const {
  LARGE_INTEGER n{};
  if (!GetFileSizeEx(AsHandle(handle_), &n)) return static_cast<SysError>(GetLastError());
  *size = static_cast<uint64_t>(n.QuadPart);
  return 0;
}

SysError File::SetMode(unsigned mode) {
  FILE_BASIC_INFO info{};
  if (!GetFileInformationByHandleEx(AsHandle(handle_), FileBasicInfo, &info, sizeof info)) {
    return static_cast<SysError>(GetLastError());
  }
  if ((mode & 0200) == 0) {
    info.FileAttributes |= FILE_ATTRIBUTE_READONLY;
  } else {
    info.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  }
  if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  return Result(SetFileInformationByHandle(AsHandle(handle_), FileBasicInfo, &info, sizeof info));
}

SysError File::Close() {
  if (handle_ == kNone) return ERROR_INVALID_HANDLE;
  const HANDLE h = AsHandle(handle_);
  handle_ = kNone;
  return Result(CloseHandle(h));
}

SysError CreateFreshFile(const std::string& path, File* out) {
  *out = File();
  const std::wstring wide = Utf8ToWide(path);
  // Others may read and write it but not delete it while we hold it: the
  // last holder removes it (RemoveOwnFile).
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
  for (int attempt = 0;; ++attempt) {
    const SysError removed = RemoveNoFollow(path);
    HANDLE h = INVALID_HANDLE_VALUE;
    if (removed == ERROR_SHARING_VIOLATION) {
      // Another instance holds it: share it, emptied for our bytes.
      h = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      if (h != INVALID_HANDLE_VALUE && !SetEndOfFile(h)) {
        const DWORD code = GetLastError();
        CloseHandle(h);
        return static_cast<SysError>(code);
      }
    } else if (removed != 0 && removed != ERROR_FILE_NOT_FOUND) {
      return removed;
    } else {
      h = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    }
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      if ((code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) && attempt == 0) continue;
      return static_cast<SysError>(code);
    }
    FileId id;
    if (!IdOf(h, &id)) {
      const DWORD code = GetLastError();
      CloseHandle(h);
      return static_cast<SysError>(code);
    }
    *out = File::Adopt(reinterpret_cast<intptr_t>(h), id);
    return 0;
  }
}

SysError OpenForReading(const std::string& path, File* out) {
  *out = File();
  const HANDLE h =
      CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return static_cast<SysError>(GetLastError());
  FileId id;
  IdOf(h, &id);
  *out = File::Adopt(reinterpret_cast<intptr_t>(h), id);
  return 0;
}

SysError RemoveNoFollow(const std::string& path) {
  // DeleteFileW removes a symbolic link itself and refuses a directory; a
  // read-only file must lose that attribute first.
  const std::wstring wide = Utf8ToWide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return static_cast<SysError>(GetLastError());
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ERROR_ACCESS_DENIED;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    SetFileAttributesW(wide.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  return Result(DeleteFileW(wide.c_str()));
}

SysError RemoveIfSameFile(const std::string& path, const FileId& id) {
  const std::wstring wide = Utf8ToWide(path);
  win32::UniqueFileHandle file(CreateFileW(
      wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return static_cast<SysError>(GetLastError());
  FileId found;
  if (!IdOf(file.get(), &found)) return static_cast<SysError>(GetLastError());
  file.Close();
  if (found != id) return ERROR_FILE_EXISTS;
  return RemoveNoFollow(path);
}

SysError RemoveOwnFile(const std::string& path, File* file) {
  const FileId id = file->id();
  if (file->is_open()) file->Close();
  return RemoveIfSameFile(path, id);
}

}  // namespace platform
