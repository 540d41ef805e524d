#include "platform/text_file.h"

#include <windows.h>

#include "platform/files.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {

bool ReadTextLines(const std::string& path, std::vector<std::string>* lines, std::string* error) {
  lines->clear();
  auto fail = [&](DWORD code) {
    *error = "Cannot open file \"" + path + "\". " + SysErrorText(static_cast<SysError>(code));
    return false;
  };
  win32::UniqueFileHandle file(CreateFileW(win32::Utf8ToWide(path).c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return fail(GetLastError());
  // A pipe or device could block or never end: only disk files are read.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return fail(ERROR_INVALID_FUNCTION);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return fail(GetLastError());
  if (static_cast<uint64_t>(size.QuadPart) > kTextFileMaxBytes) return fail(ERROR_FILE_TOO_LARGE);
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(file.get(), &bytes[done], static_cast<DWORD>(bytes.size() - done), &got,
                  nullptr)) {
      return fail(GetLastError());
    }
    if (got == 0) break;  // the file shrank meanwhile
    done += got;
  }
  bytes.resize(done);
  *lines = DecodeTextLines(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                           [](const char* b, size_t n) { return win32::AnsiToUtf8(b, n); });
  return true;
}

}  // namespace platform
