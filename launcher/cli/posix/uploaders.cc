// The console updater's own client on Linux, through libcurl, putting on
// the wire the bytes the WinHTTP client sends.
#include "launcher/cli/uploaders.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "launcher/cli/cli_system.h"
#include "launcher/cli/upload_request.h"

namespace cli {
namespace {

// WinHTTP's default limits, which the Windows client keeps: 60 s to
// connect, 30 s without progress while sending or waiting for the answer.
constexpr long kConnectTimeoutMs = 60000;
constexpr long kStallSeconds = 30;

bool CurlReady() {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

// Letters, digits, dots and hyphens only: nothing that could change the
// meaning of the URL it is put into.
bool PlainHost(const std::string& host) {
  if (host.empty()) return false;
  return std::all_of(host.begin(), host.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-';
  });
}

struct Upload {
  std::string preamble;
  std::unique_ptr<uint8_t[]> file;  // not zero-filled first: the read fills it
  size_t file_size = 0;
  std::string epilogue;
  uint64_t total = 0;
  uint64_t sent = 0;
  size_t file_pos = 0;
  int piece = 0;  // 0 preamble, 1 file, 2 epilogue, 3 done
  // The response's status line and whether the head is complete.
  std::string status_line;
  bool head_done = false;
  bool status_ok = false;
  int status = 0;
};

size_t Copy(char* to, size_t room, const void* from, size_t n) {
  n = std::min(n, room);
  std::memcpy(to, from, n);
  return n;
}

// One piece of the body: the preamble, the next 8192 bytes of the file, or
// the epilogue, with its progress line.
size_t NextPiece(Upload* u, char* buffer, size_t room) {
  size_t n = 0;
  if (u->piece == 0) {
    n = Copy(buffer, room, u->preamble.data(), u->preamble.size());
    u->preamble.erase(0, n);
    if (u->preamble.empty()) u->piece = 1;
  } else if (u->piece == 1 && u->file_pos < u->file_size) {
    const size_t chunk = std::min<size_t>(kUploadChunk, u->file_size - u->file_pos);
    n = Copy(buffer, room, u->file.get() + u->file_pos, chunk);
    u->file_pos += n;
  } else if (u->piece <= 2) {
    u->piece = 2;
    n = Copy(buffer, room, u->epilogue.data(), u->epilogue.size());
    u->epilogue.erase(0, n);
    if (u->epilogue.empty()) u->piece = 3;
  }
  if (u->piece == 1 && u->file_pos == u->file_size) u->piece = 2;
  u->sent += n;
  if (n > 0) Print(SendingProgressLine(u->sent, u->total, u->piece == 3));
  return n;
}

// libcurl asks for a buffer at a time; it gets as many pieces as fit, each
// with its progress line, as the Windows client writes and reports them.
size_t ReadBody(char* buffer, size_t size, size_t count, void* user) {
  auto* u = static_cast<Upload*>(user);
  const size_t room = size * count;
  size_t used = 0;
  while (used < room && u->piece < 3) {
    const size_t n = NextPiece(u, buffer + used, room - used);
    if (n == 0) break;
    used += n;
  }
  return used;
}

bool WellFormedStatusLine(const std::string& line, int* status) {
  // "HTTP/1.1 200 OK\r\n": version, one space, three digits, then a space or the line end.
  if (line.size() < 14 || line.compare(0, 5, "HTTP/") != 0) return false;
  const size_t space = line.find(' ');
  if (space == std::string::npos || line.size() < space + 4) return false;
  int value = 0;
  for (size_t i = space + 1; i < space + 4; ++i) {
    if (line[i] < '0' || line[i] > '9') return false;
    value = value * 10 + (line[i] - '0');
  }
  const char after = line[space + 4];
  if (after != ' ' && after != '\r' && after != '\n') return false;
  *status = value;
  return true;
}

size_t ReadHeader(char* data, size_t size, size_t count, void* user) {
  auto* u = static_cast<Upload*>(user);
  const std::string line(data, size * count);
  if (u->head_done) return size * count;
  if (line.compare(0, 5, "HTTP/") == 0) {
    // A new head (after an interim 1xx answer) replaces the last one.
    u->status_line = line;
    u->status_ok = WellFormedStatusLine(line, &u->status);
  } else if (line == "\r\n" || line == "\n") {
    if (u->status_ok && u->status >= 200) u->head_done = true;
  }
  return size * count;
}

// The body of the answer is of no interest: stop reading once the head is in.
size_t IgnoreBody(char*, size_t, size_t, void*) { return 0; }

struct EasyFree {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct ListFree {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// The whole file in one buffer sized in advance: one read, no regrowth.
bool ReadWholeFile(const std::string& name, Upload* u) {
  const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok) {
    u->file_size = static_cast<size_t>(st.st_size);
    u->file.reset(new (std::nothrow) uint8_t[u->file_size ? u->file_size : 1]);
    ok = u->file != nullptr;
    size_t done = 0;
    while (ok && done < u->file_size) {
      const ssize_t n = read(fd, u->file.get() + done, u->file_size - done);
      if (n < 0 && errno == EINTR) continue;
      ok = n > 0;
      if (ok) done += static_cast<size_t>(n);
    }
  }
  close(fd);
  return ok;
}

}  // namespace

int UploadWithWinHttp(const std::string& host, const std::string& object,
                      const std::string& file_name) {
  if (!CurlReady() || !PlainHost(host)) return -1;
  std::unique_ptr<CURL, EasyFree> easy(curl_easy_init());
  if (!easy) return -1;
  Upload u;
  if (!ReadWholeFile(file_name, &u)) return -1;
  u.preamble = UploadPreamble(file_name);
  u.epilogue = UploadEpilogue();
  u.total = u.preamble.size() + u.file_size + u.epilogue.size();

  curl_slist* raw = nullptr;
  for (const std::string& line : {UploadContentTypeHeader(), std::string("Expect:")}) {
    curl_slist* grown = curl_slist_append(raw, line.c_str());
    if (!grown) {
      curl_slist_free_all(raw);
      return -1;
    }
    raw = grown;
  }
  std::unique_ptr<curl_slist, ListFree> headers(raw);
  const std::string url = "http://" + host + "/" + object;
  CURL* e = easy.get();
  curl_easy_setopt(e, CURLOPT_URL, url.c_str());
  curl_easy_setopt(e, CURLOPT_PROXY, "");  // no proxy, as the Windows client opens WinHTTP
  curl_easy_setopt(e, CURLOPT_USERAGENT, kUploadAgent);
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(e, CURLOPT_POST, 1L);
  curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(u.total));
  curl_easy_setopt(e, CURLOPT_READFUNCTION, ReadBody);
  curl_easy_setopt(e, CURLOPT_READDATA, &u);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, ReadHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, &u);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, IgnoreBody);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http");
  // Larger hand-overs than the 8192-byte pieces keep pace with the curl tool.
  curl_easy_setopt(e, CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024);
  const CURLcode rc = curl_easy_perform(e);
  // Stopping at the body counts as a received answer; anything else failed.
  const bool answered = u.head_done && (rc == CURLE_OK || rc == CURLE_WRITE_ERROR);
  if (!answered) return -1;
  Print("  HTTP Status Code  " + std::to_string(u.status) + "\n");
  // Only a board that took the image says 200; a refusal, a redirect or an
  // error page means nothing was flashed.
  return u.status == 200 ? 0 : -1;
}

}  // namespace cli
