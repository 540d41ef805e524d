// Tree removal on Windows. A symbolic link or junction (reparse point) is
// removed as the link it is, never entered: removing the contents of its
// target would reach outside the tree.
#include <windows.h>

#include <string>

#include "launcher/startup/launcher_startup.h"
#include "platform/win32/wide_text.h"

namespace launcher {
namespace {

constexpr int kMaxDepth = 64;

void DeleteContents(const std::wstring& path, int depth) {
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((path + L"\\*.*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    // Dot-files stay (and keep their directory), "." and ".." among them.
    if (found.cFileName[0] == L'.') continue;
    const std::wstring child = path + L"\\" + found.cFileName;
    const DWORD attributes = found.dwFileAttributes;
    const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (directory) {
      if (!link && depth < kMaxDepth) DeleteContents(child, depth + 1);
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (RemoveDirectoryW(child.c_str())) {
        OutputDebugStringW(child.c_str());
      }
    } else {
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(child.c_str());
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

}  // namespace

void DeleteTree(const std::string& path) {
  std::wstring wide = platform::win32::Utf8ToWide(path);
  while (!wide.empty() && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back();
  if (wide.empty()) return;
  // The start itself must be a real directory, not a link to elsewhere.
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return;
  }
  DeleteContents(wide, 0);
}

}  // namespace launcher
