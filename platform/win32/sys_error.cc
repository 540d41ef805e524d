#include "platform/sys_error.h"

#include <windows.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {

std::string SysErrorText(SysError code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  win32::UniqueLocalMemory<wchar_t> owned(text);
  std::string out;
  if (n != 0 && owned) out = win32::WideToUtf8(owned.get(), n);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) {
    out.pop_back();
  }
  if (out.empty()) out = "system error " + std::to_string(code);
  return out;
}

}  // namespace platform
