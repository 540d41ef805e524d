// The console updater's own client on Windows: WinHTTP.
#include "launcher/cli/uploaders.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "launcher/cli/cli_system.h"
#include "launcher/cli/upload_request.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace cli {
namespace {

struct WinHttpTraits {
  using Handle = HINTERNET;
  static Handle None() { return nullptr; }
  static bool Close(Handle h) { return WinHttpCloseHandle(h) != FALSE; }
};
using UniqueInternet = platform::win32::UniqueHandle<WinHttpTraits>;

// The three WinHTTP handles; members go in reverse order, so the request
// is closed first, then the connection, then the session.
struct WinHttpHandles {
  UniqueInternet session;
  UniqueInternet connection;
  UniqueInternet request;
};

// The whole file in one buffer sized in advance: one read, no regrowth.
bool ReadWholeFile(const std::string& name, std::string* out) {
  const platform::win32::UniqueFileHandle file(
      CreateFileW(platform::win32::Utf8ToWide(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) {
    return false;
  }
  out->resize(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < out->size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(out->size() - done, 1u << 30));
    if (!ReadFile(file.get(), &(*out)[done], want, &got, nullptr) || got == 0) return false;
    done += got;
  }
  return true;
}

bool Write(HINTERNET request, const char* data, DWORD size, DWORD* written) {
  *written = 0;
  return WinHttpWriteData(request, data, size, written) != FALSE;
}

}  // namespace

int UploadWithWinHttp(const std::string& host, const std::string& object,
                      const std::string& file_name) {
  WinHttpHandles h;
  h.session.reset(WinHttpOpen(platform::win32::Utf8ToWide(kUploadAgent).c_str(),
                              WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                              WINHTTP_NO_PROXY_BYPASS, 0));
  if (!h.session) return -1;
  // The address, widened character by character.
  const std::wstring wide_host(host.begin(), host.end());
  h.connection.reset(
      WinHttpConnect(h.session.get(), wide_host.c_str(), INTERNET_DEFAULT_HTTP_PORT, 0));
  if (!h.connection) return -1;
  h.request.reset(WinHttpOpenRequest(h.connection.get(), L"POST",
                                     platform::win32::Utf8ToWide(object).c_str(), nullptr,
                                     WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
  if (!h.request) return -1;
  // An upload is answered where it was sent: WinHTTP would otherwise follow
  // a redirect and re-send the POST's headers as a GET.
  DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  if (!WinHttpSetOption(h.request.get(), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never)) {
    return -1;
  }
  const std::wstring header = platform::win32::Utf8ToWide(UploadContentTypeHeader());
  WinHttpAddRequestHeaders(h.request.get(), header.c_str(), static_cast<DWORD>(-1),
                           WINHTTP_ADDREQ_FLAG_ADD);
  std::string file;
  if (!ReadWholeFile(file_name, &file)) return -1;
  const std::string preamble = UploadPreamble(file_name);
  const std::string epilogue = UploadEpilogue();
  const uint64_t total = preamble.size() + file.size() + epilogue.size();
  if (total > 0xFFFFFFFFull) return -1;  // WinHTTP announces 32-bit lengths
  if (!WinHttpSendRequest(h.request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                          WINHTTP_NO_REQUEST_DATA, 0, static_cast<DWORD>(total), 0)) {
    return -1;
  }
  DWORD written = 0;
  if (!Write(h.request.get(), preamble.data(), static_cast<DWORD>(preamble.size()), &written)) {
    return -1;
  }
  uint64_t sent = written;
  Print(SendingProgressLine(sent, total, false));
  size_t pos = 0;
  while (pos < file.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(kUploadChunk, file.size() - pos));
    if (!Write(h.request.get(), file.data() + pos, chunk, &written)) return -1;
    pos += written;
    sent += written;
    Print(SendingProgressLine(sent, total, false));
  }
  if (!Write(h.request.get(), epilogue.data(), static_cast<DWORD>(epilogue.size()), &written)) {
    return -1;
  }
  sent += written;
  Print(SendingProgressLine(sent, total, true));
  // Windows skips interim (1xx) answers itself (Wine cannot, see
  // platform/win32/http_session.cc).
  if (!WinHttpReceiveResponse(h.request.get(), nullptr)) return -1;
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!WinHttpQueryHeaders(h.request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    return -1;
  }
  Print("  HTTP Status Code  " + std::to_string(status) + "\n");
  // Only a board that took the image says 200.
  return status == 200 ? 0 : -1;
}

}  // namespace cli
