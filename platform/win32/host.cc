#include "platform/host.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "platform/process.h"
#include "platform/win32/wide_text.h"

namespace platform {

void ForgetNeighbour(const std::string& address) {
  // Only a dotted IPv4 address, rewritten from its four bytes, reaches the
  // command line, so no text of the caller's is ever passed to a shell.
  in_addr parsed{};
  if (address.empty() || InetPtonA(AF_INET, address.c_str(), &parsed) != 1) return;
  const unsigned char* b = reinterpret_cast<const unsigned char*>(&parsed);
  char dotted[16];
  std::snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  // Not waited for: the entry is gone long before the upload connects, and
  // a failure only costs the board one more ARP exchange.
  ProcessSpec spec;
  spec.argv = {"arp", "-d", dotted};
  spec.hidden = true;
  spec.wait = false;
  RunProcess(spec);
}

std::string ToAnsiCodePage(const std::string& utf8) {
  const std::wstring wide = win32::Utf8ToWide(utf8);
  if (wide.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr,
                      nullptr);
  return out;
}

void OpenWebPage(const std::string& url) {
  ShellExecuteW(nullptr, L"open", win32::Utf8ToWide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void DebugTrace(const char* text) {
  if (text) OutputDebugStringA(text);
}

uint32_t SystemLocaleId() { return static_cast<uint32_t>(GetSystemDefaultLCID()); }

}  // namespace platform
