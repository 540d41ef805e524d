#include "platform/win32/wide_text.h"

#include <windows.h>

#include <climits>

namespace platform {
namespace win32 {

std::wstring Utf8ToWide(const std::string& text) {
  if (text.empty() || text.size() > INT_MAX) return std::wstring();
  const int in = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), in, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), in, &out[0], n);
  return out;
}

std::string WideToUtf8(const wchar_t* text, size_t length) {
  if (length == 0 || length > INT_MAX) return std::string();
  const int in = static_cast<int>(length);
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, in, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, in, &out[0], n, nullptr, nullptr);
  return out;
}

std::string AnsiToUtf8(const char* text, size_t length) {
  if (length == 0 || length > INT_MAX) return std::string();
  const int in = static_cast<int>(length);
  const int n = MultiByteToWideChar(CP_ACP, 0, text, in, nullptr, 0);
  if (n <= 0) return std::string();
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, in, &wide[0], n);
  return WideToUtf8(wide);
}

}  // namespace win32
}  // namespace platform
