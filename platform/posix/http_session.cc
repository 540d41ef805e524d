// HTTP through libcurl, in the push style of WinHTTP: the caller hands the
// body over chunk by chunk. One easy handle runs inside a private multi
// handle; its read callback takes from the chunk being pushed and pauses
// the upload when that chunk is used up, and each WriteData drives the
// transfer until its chunk is taken. Everything runs on the caller's
// thread, as the synchronous WinHTTP calls do.
#include "platform/http_session.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace platform {
namespace {

// libcurl's global state must be set up once per process before any handle
// is made; a function-local static does that once even across threads.
bool CurlReady() {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

struct EasyFree {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct MultiFree {
  void operator()(CURLM* h) const { curl_multi_cleanup(h); }
};
struct ListFree {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using EasyHandle = std::unique_ptr<CURL, EasyFree>;
using MultiHandle = std::unique_ptr<CURLM, MultiFree>;
using HeaderList = std::unique_ptr<curl_slist, ListFree>;

using Clock = std::chrono::steady_clock;

// A host name or an address, nothing that could change the meaning of the
// URL it is pasted into.
bool PlainHost(const std::string& host) {
  if (host.empty() || host.size() > 253) return false;
  for (const char c : host) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '-';
    if (!ok) return false;
  }
  return true;
}

// The request target as WinHTTP takes it, with or without its leading
// slash; the URL always gets one.
bool PlainPath(const std::string& path) {
  if (path.empty()) return false;
  for (const char c : path) {
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f || c == '#') return false;
  }
  return true;
}

bool Append(HeaderList* list, const char* line) {
  curl_slist* grown = curl_slist_append(list->get(), line);
  if (!grown) return false;
  list->release();  // now owned through `grown`
  list->reset(grown);
  return true;
}

class CurlHttpSession final : public HttpSession {
 public:
  // "HTTP/1.x NNN" followed by a space or the line's end, and nothing
  // else, gives NNN; any other line gives 0.
  static uint32_t ParseStatusLine(const char* line, size_t n) {
    const char* prefix = "HTTP/1.";
    if (n < 12 || std::memcmp(line, prefix, 7) != 0) return 0;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (!digit(line[7]) || line[8] != ' ') return 0;
    if (!digit(line[9]) || !digit(line[10]) || !digit(line[11])) return 0;
    if (n > 12 && line[12] != ' ' && line[12] != '\r' && line[12] != '\n') return 0;
    const uint32_t code =
        static_cast<uint32_t>((line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0'));
    return code >= 100 ? code : 0;
  }

  ~CurlHttpSession() override { Close(); }

  bool Open(const HttpRequestSpec& spec) override {
    Close();
    if (!CurlReady() || !PlainHost(spec.server) || !PlainPath(spec.path) || spec.method.empty()) {
      return false;
    }
    EasyHandle easy(curl_easy_init());
    MultiHandle multi(curl_multi_init());
    if (!easy || !multi) return false;
    CURL* e = easy.get();
    url_ = "http://" + spec.server + ":" + std::to_string(spec.port) +
           (spec.path[0] == '/' ? "" : "/") + spec.path;
    timeouts_ = spec.timeouts;
    // WinHTTP resolves and connects under two limits; curl has one for both.
    const long connect_ms = static_cast<long>(std::max(0, spec.timeouts.resolve_ms)) +
                            std::max(0, spec.timeouts.connect_ms);
    bool ok = curl_easy_setopt(e, CURLOPT_URL, url_.c_str()) == CURLE_OK;
#if LIBCURL_VERSION_NUM >= 0x075500
    ok = ok && curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http") == CURLE_OK;
#else
    ok =
        ok && curl_easy_setopt(e, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP)) == CURLE_OK;
#endif
    ok = ok && curl_easy_setopt(e, CURLOPT_HTTP_VERSION,
                                static_cast<long>(CURL_HTTP_VERSION_1_1)) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_POST, 1L) == CURLE_OK;
    if (spec.method != "POST") {
      ok = ok && curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, spec.method.c_str()) == CURLE_OK;
    }
    ok = ok && curl_easy_setopt(e, CURLOPT_USERAGENT, spec.user_agent.c_str()) == CURLE_OK;
    // The boards sit on the LAN: never a proxy, whatever the environment says.
    ok = ok && curl_easy_setopt(e, CURLOPT_PROXY, "") == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_NOPROXY, "*") == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, connect_ms) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_READFUNCTION, &CurlHttpSession::OnRead) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_READDATA, this) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &CurlHttpSession::OnResponse) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_WRITEDATA, this) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &CurlHttpSession::OnHeader) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_HEADERDATA, this) == CURLE_OK;
    if (!ok) return false;
    // Headers curl would add on its own and WinHTTP does not: the boards'
    // server answers no "Expect: 100-continue", and a POST without a
    // Content-Type of the caller's goes without one.
    if (!Append(&headers_, "Expect:") || !Append(&headers_, "Accept:") ||
        !Append(&headers_, "Content-Type:")) {
      headers_.reset();
      return false;
    }
    easy_ = std::move(easy);
    multi_ = std::move(multi);
    return true;
  }

  bool AddHeader(const std::string& line) override {
    if (!easy_ || attached_) return false;
    // WinHTTP takes one or more lines each ending in CR LF; curl wants each
    // line bare.
    size_t start = 0;
    while (start < line.size()) {
      size_t end = line.find_first_of("\r\n", start);
      if (end == std::string::npos) end = line.size();
      if (end > start && !Append(&headers_, line.substr(start, end - start).c_str())) return false;
      start = end + 1;
    }
    return true;
  }

  bool SendRequest(uint64_t content_length) override {
    if (!easy_ || attached_) return false;
    if (content_length > static_cast<uint64_t>(INT64_MAX)) return false;
    if (curl_easy_setopt(easy_.get(), CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(content_length)) != CURLE_OK ||
        curl_easy_setopt(easy_.get(), CURLOPT_HTTPHEADER, headers_.get()) != CURLE_OK ||
        curl_multi_add_handle(multi_.get(), easy_.get()) != CURLM_OK) {
      failed_ = true;
      return false;
    }
    attached_ = true;
    remaining_ = content_length;
    // Connect and send the headers now, as WinHttpSendRequest does, so a
    // refused connection shows here. The first call of the read callback
    // says curl is ready for the body. An empty body never asks, and the
    // whole exchange is left to ReceiveResponse.
    if (content_length == 0) return true;
    Drive([this] { return wants_body_; }, timeouts_.resolve_ms + timeouts_.connect_ms);
    if (!wants_body_) failed_ = true;
    return !failed_;
  }

  bool WriteData(const uint8_t* data, uint32_t length, uint32_t* written) override {
    if (written) *written = 0;
    if (!attached_ || failed_ || done_ || (length > 0 && !data)) return false;
    if (length == 0) return true;
    if (remaining_ == 0) return false;  // more than was announced
    chunk_ = data;
    chunk_left_ = static_cast<size_t>(std::min<uint64_t>(length, remaining_));
    const size_t offered = chunk_left_;
    curl_easy_pause(easy_.get(), CURLPAUSE_CONT);
    Drive([this] { return chunk_left_ == 0; }, timeouts_.send_ms);
    const size_t taken = offered - chunk_left_;
    chunk_ = nullptr;
    chunk_left_ = 0;
    if (written) *written = static_cast<uint32_t>(taken);
    // A transfer that has ended cannot take the rest of the body, even when
    // the server answered early; WinHTTP fails such a write as well.
    if (taken < offered || (done_ && result_ != CURLE_OK)) failed_ = true;
    return !failed_;
  }

  bool ReceiveResponse() override {
    if (!attached_ || failed_) return false;
    // A body cut short would leave the server waiting for the rest.
    if (remaining_ > 0) return false;
    // As WinHTTP does: done when the final status line and its headers are
    // in. The body may come slowly, never end, or be cut short when the
    // board restarts; none of that changes the answer.
    Drive([this] { return headers_done_; }, timeouts_.receive_ms);
    responded_ = headers_done_ && status_ != 0;
    return responded_;
  }

  bool QueryStatusCode(uint32_t* status) override {
    if (!responded_ || !status) return false;
    *status = status_;
    return true;
  }

  void Close() override {
    if (attached_) curl_multi_remove_handle(multi_.get(), easy_.get());
    easy_.reset();
    headers_.reset();
    multi_.reset();
    attached_ = false;
    wants_body_ = false;
    done_ = false;
    failed_ = false;
    responded_ = false;
    expect_status_line_ = true;
    headers_done_ = false;
    status_ = 0;
    result_ = CURLE_OK;
    remaining_ = 0;
    chunk_ = nullptr;
    chunk_left_ = 0;
  }

 private:
  static size_t OnRead(char* buffer, size_t size, size_t count, void* self_ptr) {
    auto* self = static_cast<CurlHttpSession*>(self_ptr);
    self->wants_body_ = true;
    const size_t room = size * count;
    if (self->chunk_left_ == 0 || room == 0) return CURL_READFUNC_PAUSE;
    const size_t n = std::min(room, self->chunk_left_);
    std::memcpy(buffer, self->chunk_, n);
    self->chunk_ += n;
    self->chunk_left_ -= n;
    self->remaining_ -= n;
    return n;
  }

  // The response body means nothing to the caller.
  static size_t OnResponse(char*, size_t size, size_t count, void*) { return size * count; }

  // One header line at a time, the status lines of interim (1xx) answers
  // included. curl itself takes a status line without a code ("HTTP/ OK")
  // for 200, so the line is judged here.
  static size_t OnHeader(char* line, size_t size, size_t count, void* self_ptr) {
    auto* self = static_cast<CurlHttpSession*>(self_ptr);
    const size_t n = size * count;
    if (self->headers_done_) return n;
    if (self->expect_status_line_) {
      self->expect_status_line_ = false;
      self->status_ = ParseStatusLine(line, n);
      if (self->status_ == 0) return 0;  // ends the transfer: not an HTTP/1.x answer
      return n;
    }
    if (n == 2 && line[0] == '\r' && line[1] == '\n') {
      if (self->status_ >= 100 && self->status_ < 200) {
        self->expect_status_line_ = true;  // an interim answer; the real one follows
      } else {
        self->headers_done_ = true;
      }
    }
    return n;
  }

  // Runs the transfer until `reached` says so, the transfer ends, or
  // `limit_ms` have passed since the call: an absolute limit, so a peer
  // that trickles bytes cannot keep us waiting for ever.
  template <typename Reached>
  void Drive(Reached reached, int limit_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(limit_ms, 0));
    for (;;) {
      int running = 0;
      if (curl_multi_perform(multi_.get(), &running) != CURLM_OK) {
        failed_ = true;
        return;
      }
      int queued = 0;
      while (CURLMsg* msg = curl_multi_info_read(multi_.get(), &queued)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy_.get()) {
          done_ = true;
          result_ = msg->data.result;
        }
      }
      if (reached() || done_) return;
      const auto now = Clock::now();
      if (now >= deadline) {
        failed_ = true;
        return;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
      const int wait_ms = static_cast<int>(std::min<int64_t>(left.count() + 1, 100));
      curl_multi_poll(multi_.get(), nullptr, 0, wait_ms, nullptr);
    }
  }

  std::string url_;
  HttpTimeouts timeouts_;
  // Declared so that destruction frees the request before the session.
  MultiHandle multi_;
  HeaderList headers_;
  EasyHandle easy_;
  bool attached_ = false;    // easy handle is in the multi handle
  bool wants_body_ = false;  // curl has asked for body bytes once
  bool done_ = false;        // the transfer has ended, see result_
  bool failed_ = false;      // no further call can succeed
  bool responded_ = false;   // a final status line and its headers arrived
  bool expect_status_line_ = true;
  bool headers_done_ = false;  // the final answer's headers are complete
  uint32_t status_ = 0;        // of the last status line; 0 when malformed
  CURLcode result_ = CURLE_OK;
  uint64_t remaining_ = 0;  // body bytes announced but not yet taken
  const uint8_t* chunk_ = nullptr;
  size_t chunk_left_ = 0;
};

}  // namespace

std::unique_ptr<HttpSession> CreateHttpSession() { return std::make_unique<CurlHttpSession>(); }

}  // namespace platform
