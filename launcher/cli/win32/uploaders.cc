// The console updater's uploads on Windows: WinHTTP, and the curl program
// started with CreateProcess (no command interpreter), its output read
// through a pipe.
#include "launcher/cli/uploaders.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "launcher/cli/cli_system.h"
#include "launcher/cli/time_scale.h"
#include "launcher/cli/upload_request.h"
#include "platform/host.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace cli {
namespace {

// The curl program gets no time limit on its command line; one that has
// not ended after this long is stopped.
constexpr int kCurlDeadlineMs = 600000;

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

// One argument as CommandLineToArgvW reads it back: quoted when it holds
// white space or a quote or is empty, backslashes before a quote doubled.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"')
      out.append(backslashes * 2 + 1, L'\\');
    else
      out.append(backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
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

std::string CurlProgram() { return "curl.exe"; }
std::string NullDevice() { return "NUL"; }

int UploadWithCurl(const std::string& command_text, const std::vector<std::string>& args) {
  platform::DebugTrace(command_text.c_str());
  if (args.empty()) return -1;
  std::wstring line;
  for (const std::string& a : args) {
    if (!line.empty()) line += L' ';
    line += Quoted(platform::win32::Utf8ToWide(a));
  }
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_raw = nullptr, write_raw = nullptr;
  if (!CreatePipe(&read_raw, &write_raw, &inherit, 0)) return -1;
  const platform::win32::UniqueKernelHandle read_end(read_raw);
  platform::win32::UniqueKernelHandle write_end(write_raw);
  SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = write_end.get();
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  std::vector<wchar_t> buffer(line.begin(), line.end());
  buffer.push_back(L'\0');
  // No application name: "curl.exe" is looked up as Windows looks up
  // programs (the program's directory, the current one, the system, PATH).
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &si, &pi)) {
    return -1;
  }
  const platform::win32::UniqueKernelHandle process(pi.hProcess);
  const platform::win32::UniqueKernelHandle thread(pi.hThread);
  write_end.reset();  // the pipe ends when the child's copy closes
  std::string output;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(Scaled(kCurlDeadlineMs));
  bool timed_out = false;
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(read_end.get(), nullptr, 0, nullptr, &available, nullptr)) break;  // closed
    if (available > 0) {
      char chunk[512];
      DWORD got = 0;
      if (!ReadFile(read_end.get(), chunk, std::min<DWORD>(available, sizeof chunk), &got,
                    nullptr) ||
          got == 0) {
        break;
      }
      output.append(chunk, std::min<size_t>(got, 260 - output.size()));
      continue;
    }
    if (GetTickCount64() >= deadline) {
      timed_out = true;
      break;
    }
    WaitForSingleObject(process.get(), 20);
  }
  if (timed_out) TerminateProcess(process.get(), 1);
  WaitForSingleObject(process.get(), timed_out ? 5000 : INFINITE);
  if (timed_out) return 0;
  return StatusFromCurlOutput(output);
}

}  // namespace cli
