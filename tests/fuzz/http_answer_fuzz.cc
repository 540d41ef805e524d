// libFuzzer target: the board's answer to an upload is the input, sent by a
// loopback peer to the real HTTP session. Only a real 200 may count: when
// the session reports 200, the answer must begin with well-formed status
// lines, interim 1xx ones first, the final one "HTTP/1.x 200".
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/http_session.h"

namespace {

bool IsStatusLine(const std::string& line, int* code) {
  if (line.size() < 12 || line.compare(0, 7, "HTTP/1.") != 0) return false;
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (!digit(line[7]) || line[8] != ' ' || !digit(line[9]) || !digit(line[10]) ||
      !digit(line[11])) {
    return false;
  }
  if (line.size() > 12 && line[12] != ' ' && line[12] != '\r') return false;
  *code = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
  return true;
}

// True when `answer` really says 200: lines end with LF; status lines, each
// 1xx one followed by its headers and an empty line (CR LF), until a final
// "HTTP/1.x 200".
bool ReallySays200(const std::string& answer) {
  size_t at = 0;
  bool expect_status = true;
  int code = 0;
  for (;;) {
    const size_t end = answer.find('\n', at);
    if (end == std::string::npos) return false;
    const std::string line = answer.substr(at, end - at);
    at = end + 1;
    if (expect_status) {
      if (!IsStatusLine(line, &code)) return false;
      if (code == 200) return true;
      if (code < 100 || code >= 200) return false;
      expect_status = false;
    } else if (line == "\r") {
      expect_status = true;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string answer(reinterpret_cast<const char*>(data), size);
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof addr;
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listener, 1) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
    std::abort();
  }
  std::thread peer([&] {
    pollfd p{listener, POLLIN, 0};
    if (poll(&p, 1, 2000) != 1) return;
    const int s = accept(listener, nullptr, nullptr);
    if (s < 0) return;
    // Read the request head and its 4-byte body, then answer and close.
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos ||
           request.size() < request.find("\r\n\r\n") + 8) {
      pollfd q{s, POLLIN, 0};
      if (poll(&q, 1, 2000) != 1) break;
      const ssize_t n = recv(s, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request.append(buffer, static_cast<size_t>(n));
    }
    send(s, answer.data(), answer.size(), MSG_NOSIGNAL);
    close(s);
  });

  auto http = platform::CreateHttpSession();
  platform::HttpRequestSpec spec;
  spec.server = "127.0.0.1";
  spec.port = ntohs(addr.sin_port);
  spec.user_agent = "Zantor/1.0";
  spec.method = "POST";
  spec.path = "/fwupdate/cgi-bin/fwupdate.cgi";
  spec.timeouts = {1000, 1000, 1000, 1000};
  uint32_t status = 0;
  bool counted = false;
  if (http->Open(spec) && http->SendRequest(4)) {
    uint32_t written = 0;
    const uint8_t body[4] = {'b', 'o', 'd', 'y'};
    if (http->WriteData(body, 4, &written) && http->ReceiveResponse() &&
        http->QueryStatusCode(&status)) {
      counted = status == 200;
    }
  }
  http->Close();
  peer.join();
  close(listener);
  if (counted && !ReallySays200(answer)) std::abort();
  return 0;
}
