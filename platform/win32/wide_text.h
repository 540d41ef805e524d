// UTF-8 <-> UTF-16 and ANSI -> UTF-8 at the Win32 boundary; the core keeps
// UTF-8. Shared by the Windows backends and the Windows programs.
#ifndef PLATFORM_WIN32_WIDE_TEXT_H_
#define PLATFORM_WIN32_WIDE_TEXT_H_

#include <string>

namespace platform {
namespace win32 {

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const wchar_t* text, size_t length);
inline std::string WideToUtf8(const std::wstring& text) {
  return WideToUtf8(text.data(), text.size());
}
// Text in the ANSI code page (CP_ACP), as the A functions return it.
std::string AnsiToUtf8(const char* text, size_t length);

}  // namespace win32
}  // namespace platform

#endif  // PLATFORM_WIN32_WIDE_TEXT_H_
