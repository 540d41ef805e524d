// A stand-in for curl.exe in the Windows tests. Wine starts a Linux curl,
// but hands it neither the pipe for its standard output nor a process
// handle to wait for, so the tests put this in its place: it records the
// arguments it got (one per line, into the file ZT_CURL_ARGS names), then
// posts the file of "-F rcc=@FILE" to the URL as curl would (its own
// boundary) and prints the status as "-w %{http_code}" does ("000" when
// there is none; a proxy other than "" is never reachable here).
#include <windows.h>
#include <winhttp.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"

namespace {

constexpr char kBoundary[] = "------------------------0123456789abcdef";

int Fail() {
  std::fputs("000", stdout);
  return 7;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(platform::win32::WideToUtf8(argv[i]));
  wchar_t where[1024];
  if (GetEnvironmentVariableW(L"ZT_CURL_ARGS", where, 1024) > 0) {
    if (FILE* f = _wfopen(where, L"wb")) {
      for (const std::string& a : args) std::fprintf(f, "%s\n", a.c_str());
      std::fclose(f);
    }
  }
  std::string file, url, proxy;
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "-F" && args[i + 1].rfind("rcc=@", 0) == 0) file = args[i + 1].substr(5);
    if (args[i] == "--proxy") proxy = args[i + 1];
  }
  if (!args.empty()) url = args.back();
  if (!proxy.empty() || file.empty() || url.rfind("http://", 0) != 0) return Fail();
  const size_t slash = url.find('/', 7);
  const std::wstring host = platform::win32::Utf8ToWide(url.substr(7, slash - 7));
  const std::wstring path = platform::win32::Utf8ToWide(url.substr(slash));
  std::string body = std::string("--") + kBoundary +
                     "\r\nContent-Disposition: form-data; name=\"rcc\"; filename=\"" + file +
                     "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
  FILE* f = _wfopen(platform::win32::Utf8ToWide(file).c_str(), L"rb");
  if (!f) return Fail();
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) body.append(chunk, n);
  std::fclose(f);
  body += std::string("\r\n--") + kBoundary + "--\r\n";
  HINTERNET session = WinHttpOpen(L"curl/standin", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  HINTERNET connection = session ? WinHttpConnect(session, host.c_str(), 80, 0) : nullptr;
  HINTERNET request = connection
                          ? WinHttpOpenRequest(connection, L"POST", path.c_str(), nullptr,
                                               WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                          : nullptr;
  DWORD status = 0, size = sizeof status;
  const std::wstring header = platform::win32::Utf8ToWide(
      std::string("Content-Type: multipart/form-data; boundary=") + kBoundary);
  if (request &&
      WinHttpAddRequestHeaders(request, header.c_str(), static_cast<DWORD>(-1),
                               WINHTTP_ADDREQ_FLAG_ADD) &&
      WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, body.data(),
                         static_cast<DWORD>(body.size()), static_cast<DWORD>(body.size()), 0) &&
      WinHttpReceiveResponse(request, nullptr)) {
    WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
  }
  if (request) WinHttpCloseHandle(request);
  if (connection) WinHttpCloseHandle(connection);
  if (session) WinHttpCloseHandle(session);
  std::printf("%03lu", static_cast<unsigned long>(status));
  return status ? 0 : 7;
}
