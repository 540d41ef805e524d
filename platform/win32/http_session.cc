// HTTP through synchronous WinHTTP, one call per operation. Texts arrive as
// UTF-8 and become UTF-16 here.
#include "platform/http_session.h"

#include <windows.h>
#include <winhttp.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

using win32::Utf8ToWide;

// One WinHTTP handle: session, connection or request.
struct InternetTraits {
  using Handle = HINTERNET;
  static Handle None() { return nullptr; }
  static bool Close(Handle h) { return WinHttpCloseHandle(h) != FALSE; }
};
using InternetHandle = win32::UniqueHandle<InternetTraits>;

class WinHttpSession final : public HttpSession {
 public:
  ~WinHttpSession() override { Close(); }

  bool Open(const HttpRequestSpec& spec) override {
    Close();
    if (!WinHttpCheckPlatform()) return false;
    const std::wstring agent = Utf8ToWide(spec.user_agent);
    root_.reset(WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                            WINHTTP_NO_PROXY_BYPASS, 0));
    if (!root_) return false;
    // A session without its time-outs still works, with WinHTTP's defaults.
    WinHttpSetTimeouts(root_.get(), spec.timeouts.resolve_ms, spec.timeouts.connect_ms,
                       spec.timeouts.send_ms, spec.timeouts.receive_ms);
    const std::wstring server = Utf8ToWide(spec.server);
    connection_.reset(WinHttpConnect(root_.get(), server.c_str(), spec.port, 0));
    if (!connection_) {
      Close();
      return false;
    }
    const std::wstring method = Utf8ToWide(spec.method);
    const std::wstring path = Utf8ToWide(spec.path);
    request_.reset(WinHttpOpenRequest(connection_.get(), method.c_str(), path.c_str(), nullptr,
                                      WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
    if (!request_) {
      Close();
      return false;
    }
    // WinHTTP follows redirects on its own, re-sending a POST as a GET with
    // the POST's headers: an upload is answered where it was sent, or fails.
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    if (!WinHttpSetOption(request_.get(), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never)) {
      Close();
      return false;
    }
    return true;
  }

  bool AddHeader(const std::string& line) override {
    if (!request_) return false;
    const std::wstring wide = Utf8ToWide(line);
    return WinHttpAddRequestHeaders(request_.get(), wide.c_str(), static_cast<DWORD>(-1),
                                    WINHTTP_ADDREQ_FLAG_ADD) != FALSE;
  }

  bool SendRequest(uint64_t content_length) override {
    if (!request_) return false;
    // WinHTTP announces at most 4 GB - 1 through this call.
    if (content_length > 0xFFFFFFFFull) return false;
    sent_ = WinHttpSendRequest(request_.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                               WINHTTP_NO_REQUEST_DATA, 0, static_cast<DWORD>(content_length),
                               0) != FALSE;
    return sent_;
  }

  bool WriteData(const uint8_t* data, uint32_t length, uint32_t* written) override {
    if (written) *written = 0;
    // Windows fails a write on a request that was never sent; Wine's
    // WinHTTP dereferences the missing connection instead, so do not ask.
    if (!request_ || !sent_) {
      SetLastError(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
      return false;
    }
    DWORD count = 0;
    const BOOL ok = WinHttpWriteData(request_.get(), data, length, &count);
    if (written) *written = count;
    return ok != FALSE;
  }

  bool ReceiveResponse() override {
    if (!request_ || !sent_) {
      SetLastError(ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
      return false;
    }
    // Windows skips interim (1xx) answers itself. Wine's WinHTTP cannot:
    // it takes the blank line that ends a "100 Continue" for the next
    // status line and fails, and the answer after it cannot be read.
    return WinHttpReceiveResponse(request_.get(), nullptr) != FALSE;
  }

  bool QueryStatusCode(uint32_t* status) override {
    if (!request_ || !status) return false;
    DWORD code = 0;
    DWORD size = sizeof code;
    if (!WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX)) {
      return false;
    }
    *status = code;
    return true;
  }

  void Close() override {
    sent_ = false;
    request_.reset();
    connection_.reset();
    root_.reset();
  }

 private:
  InternetHandle root_;
  InternetHandle connection_;
  InternetHandle request_;
  bool sent_ = false;  // WinHttpSendRequest succeeded on request_
};

}  // namespace

std::unique_ptr<HttpSession> CreateHttpSession() { return std::make_unique<WinHttpSession>(); }

}  // namespace platform
