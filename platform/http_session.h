// One synchronous HTTP request whose body the caller pushes in chunks: the
// WinHTTP sequence Open, AddRequestHeaders, SendRequest, WriteData...,
// ReceiveResponse, QueryHeaders(status), Close. WinHTTP on Windows,
// libcurl on Linux. Texts are UTF-8.
#ifndef PLATFORM_HTTP_SESSION_H_
#define PLATFORM_HTTP_SESSION_H_

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

struct HttpTimeouts {
  int resolve_ms = 120000;
  int connect_ms = 300000;
  int send_ms = 300000;
  int receive_ms = 300000;
};

struct HttpRequestSpec {
  std::string server;  // host name or dotted address
  uint16_t port = 80;
  std::string user_agent;  // "Zantor/1.0"
  std::string method;      // "POST"
  std::string path;        // "/fwupdate/cgi-bin/fwupdate.cgi"
  HttpTimeouts timeouts;
};

class HttpSession {
 public:
  virtual ~HttpSession() = default;

  // WinHttpCheckPlatform, WinHttpOpen (no proxy), WinHttpSetTimeouts,
  // WinHttpConnect, WinHttpOpenRequest. Nothing is sent yet. False leaves
  // nothing open.
  virtual bool Open(const HttpRequestSpec& spec) = 0;
  // One header line ending in CR LF, added to the request.
  virtual bool AddHeader(const std::string& line) = 0;
  // Starts the request announcing a body of exactly `content_length` bytes.
  virtual bool SendRequest(uint64_t content_length) = 0;
  // Writes part of the body; `written` says how much was taken, which may be
  // less than `length`.
  virtual bool WriteData(const uint8_t* data, uint32_t length, uint32_t* written) = 0;
  // Waits for the response headers.
  virtual bool ReceiveResponse() = 0;
  virtual bool QueryStatusCode(uint32_t* status) = 0;
  // Request, connection and session, in that order; idempotent.
  virtual void Close() = 0;
};

std::unique_ptr<HttpSession> CreateHttpSession();

}  // namespace platform

#endif  // PLATFORM_HTTP_SESSION_H_
