#include "tools/boardsim/http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace boardsim {

namespace {

constexpr size_t kMaxConns = 32;         // more at once are reset at accept
constexpr int64_t kDrainMs = 2000;       // after the answer, how long a client may go on sending
constexpr int64_t kAcceptPauseMs = 100;  // after an accept error such as EMFILE
constexpr int kReadRounds = 16;          // reads per connection per poll, so none starves
// A board with a rate keeps its receive buffer small, so the client really
// sends at the board's pace instead of filling a large kernel buffer at once.
constexpr int kRatedReceiveBuffer = 65536;
constexpr uint64_t kRateBurst = 65536;  // bytes a rated board reads at once from the start

const char* StatusText(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 400:
      return "Bad Request";
    case 302:
      return "Found";
    case 401:
      return "Unauthorized";
    case 404:
      return "Not Found";
    default:
      return "Internal Server Error";
  }
}

std::string Response(int status) {
  const char* message = status == 200   ? "Firmware received. The board restarts now."
                        : status == 500 ? "Firmware update failed."
                                        : "The request was not accepted.";
  std::string body = "<html><head><title>" + std::to_string(status) + " " + StatusText(status) +
                     "</title></head><body><p>" + message + "</p></body></html>\r\n";
  // A redirect points at another path of the same board: a client that
  // follows it sends a second request, which the log shows.
  const std::string location = status == 302 ? "\r\nLocation: /fwupdate/moved.cgi" : "";
  return "HTTP/1.1 " + std::to_string(status) + " " + StatusText(status) + location +
         "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

// Abortive close: the peer sees a reset, not an orderly end.
void ResetAndClose(int fd) {
  linger lg{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
  close(fd);
}

std::string BoardText(const Board& b) { return "board=" + IpText(b.ip) + " mac=" + MacText(b.mac); }

}  // namespace

MappedFile::~MappedFile() {
  if (data_) munmap(data_, size_);
}

bool MappedFile::Open(const std::string& path, std::string& err) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    err = path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!ok) {
    err = path + ": not a regular file";
  } else if (st.st_size > 0) {
    void* p = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (p == MAP_FAILED) {
      err = path + ": mmap: " + std::strerror(errno);
      ok = false;
    } else {
      data_ = static_cast<uint8_t*>(p);
      size_ = static_cast<uint64_t>(st.st_size);
    }
  }
  close(fd);
  return ok;
}

HttpServer::HttpServer(std::vector<Board>& boards, SimLog& log, HttpOptions options)
    : boards_(boards), log_(log), opt_(std::move(options)), wasDown_(boards.size()) {}

HttpServer::~HttpServer() {
  for (Listener& l : listeners_)
    if (l.fd >= 0) close(l.fd);
  for (auto& c : conns_)
    if (c->fd >= 0) close(c->fd);
}

bool HttpServer::Serving(const Board& b, int64_t now) const {
  return b.http != HttpMode::Refuse && b.downUntilMs <= now;
}

int HttpServer::ServingBoard(uint32_t ip, int64_t now) const {
  for (size_t i = 0; i < boards_.size(); ++i)
    if (boards_[i].ip == ip && Serving(boards_[i], now)) return static_cast<int>(i);
  return -1;
}

UploadExpect HttpServer::ExpectFor(const Board& b) const {
  UploadExpect e = opt_.expect;
  if (b.field) e.field = *b.field;
  if (b.filename) e.filename = *b.filename;
  return e;
}

bool HttpServer::OpenListener(Listener& l, std::string& err) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    err = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  int one = 1;
  const char lo[] = "lo";
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(opt_.port);
  addr.sin_addr.s_addr = htonl(l.ip);
  // Reopened after every restart while old connections may linger in TIME_WAIT.
  if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0) {
    err = std::string("SO_REUSEADDR: ") + std::strerror(errno);
  } else if (loopbackOnly_ && setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, lo, sizeof lo) != 0) {
    err = std::string("SO_BINDTODEVICE lo: ") + std::strerror(errno);
  } else if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    err = "bind " + IpText(l.ip) + ":" + std::to_string(opt_.port) + ": " + std::strerror(errno);
  } else if (listen(fd, 16) != 0) {
    err = std::string("listen: ") + std::strerror(errno);
  } else {
    l.fd = fd;
    return true;
  }
  close(fd);
  return false;
}

bool HttpServer::Open(bool loopbackOnly, std::string& err) {
  loopbackOnly_ = loopbackOnly;
  for (const Board& b : boards_)
    if (std::none_of(listeners_.begin(), listeners_.end(),
                     [&b](const Listener& l) { return l.ip == b.ip; }))
      listeners_.push_back(Listener{b.ip, -1, 0, {}});
  int64_t now = log_.NowMs();
  for (size_t i = 0; i < boards_.size(); ++i) wasDown_[i] = boards_[i].downUntilMs > now;
  return Reconcile(now, &err);
}

bool HttpServer::Reconcile(int64_t now, std::string* fatal) {
  for (Listener& l : listeners_) {
    bool want = ServingBoard(l.ip, now) >= 0;
    if (want && l.fd < 0) {
      std::string err;
      if (OpenListener(l, err)) {
        l.lastErr.clear();
        log_.Line("listen ip=%s port=%u", IpText(l.ip).c_str(), opt_.port);
      } else if (fatal) {
        *fatal = err;
        return false;
      } else if (err != l.lastErr) {  // retried every turn; said once
        l.lastErr = err;
        log_.Line("httperr ip=%s %s", IpText(l.ip).c_str(), err.c_str());
      }
    } else if (!want && l.fd >= 0) {
      close(l.fd);
      l.fd = -1;
      bool down = std::any_of(boards_.begin(), boards_.end(),
                              [&](const Board& b) { return b.ip == l.ip && b.downUntilMs > now; });
      log_.Line("unlisten ip=%s port=%u reason=%s", IpText(l.ip).c_str(), opt_.port,
                down ? "down" : "refuse");
    }
  }
  return true;
}

void HttpServer::AddPollFds(std::vector<pollfd>& fds) {
  polled_.clear();
  int64_t now = log_.NowMs();
  for (size_t i = 0; i < listeners_.size(); ++i) {
    if (listeners_[i].fd < 0 || listeners_[i].pausedUntilMs > now) continue;
    fds.push_back({listeners_[i].fd, POLLIN, 0});
    polled_.push_back(i);
  }
  for (size_t i = 0; i < conns_.size(); ++i) {
    const Conn& c = *conns_[i];
    if (c.fd < 0) continue;
    short events = c.phase == Phase::Writing ? POLLOUT : 0;
    // After the client's FIN a socket stays readable for good; asking again would spin.
    if (!c.peerDone && !(c.phase == Phase::Reading && c.resumeMs > now)) events |= POLLIN;
    if (events == 0) continue;
    fds.push_back({c.fd, events, 0});
    polled_.push_back(listeners_.size() + i);
  }
}

void HttpServer::OnPoll(const pollfd* fds, size_t count) {
  for (size_t k = 0; k < count && k < polled_.size(); ++k) {
    if (!fds[k].revents) continue;
    size_t tag = polled_[k];
    if (tag < listeners_.size()) {
      if (listeners_[tag].fd == fds[k].fd) Accept(listeners_[tag]);
      continue;
    }
    Conn& c = *conns_[tag - listeners_.size()];
    if (c.fd != fds[k].fd) continue;
    if (fds[k].revents & (POLLIN | POLLERR | POLLHUP)) Read(c);
    // A hang-up while answering comes without POLLOUT; the failing send closes the socket.
    if (c.fd >= 0 && c.phase == Phase::Writing) Write(c);
  }
  conns_.erase(std::remove_if(conns_.begin(), conns_.end(),
                              [](const std::unique_ptr<Conn>& c) { return c->fd < 0; }),
               conns_.end());
}

void HttpServer::Accept(Listener& l) {
  for (;;) {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    int fd = accept4(l.fd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) {
        log_.Line("httperr ip=%s accept: %s", IpText(l.ip).c_str(), std::strerror(errno));
        l.pausedUntilMs = log_.NowMs() + kAcceptPauseMs;
      }
      return;
    }
    char addr[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &peer.sin_addr, addr, sizeof addr);
    std::string from = std::string(addr) + ":" + std::to_string(ntohs(peer.sin_port));
    int64_t now = log_.NowMs();
    int board = ServingBoard(l.ip, now);
    if (board < 0 || conns_.size() >= kMaxConns) {
      log_.Line("http ip=%s from=%s answer=reset reason=%s", IpText(l.ip).c_str(), from.c_str(),
                board < 0 ? "no board serves" : "too many connections");
      ResetAndClose(fd);
      continue;
    }
    auto c = std::make_unique<Conn>(ExpectFor(boards_[static_cast<size_t>(board)]));
    c->fd = fd;
    c->board = static_cast<size_t>(board);
    c->from = from;
    c->startMs = c->lastMs = c->phaseMs = now;
    if (boards_[c->board].rateBytesPerSec) {
      setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kRatedReceiveBuffer, sizeof kRatedReceiveBuffer);
    }
    log_.Line("accept %s from=%s", BoardText(boards_[c->board]).c_str(), from.c_str());
    conns_.push_back(std::move(c));
  }
}

size_t HttpServer::ReadAllowance(Conn& c, size_t most, int64_t now) {
  const uint64_t rate = boards_[c.board].rateBytesPerSec;
  if (rate == 0 || c.phase != Phase::Reading) return most;
  const uint64_t allowed = kRateBurst + rate * static_cast<uint64_t>(now - c.startMs) / 1000;
  // Wait for a reasonable chunk rather than reading a few bytes at a time.
  const uint64_t chunk = std::min<uint64_t>(16384, rate / 10 + 1);
  if (allowed >= c.received + chunk)
    return static_cast<size_t>(std::min<uint64_t>(most, allowed - c.received));
  c.resumeMs =
      c.startMs + static_cast<int64_t>((c.received + chunk - kRateBurst) * 1000 / rate) + 1;
  return 0;
}

void HttpServer::Read(Conn& c) {
  uint8_t buf[65536];
  for (int round = 0; round < kReadRounds && c.fd >= 0; ++round) {
    const size_t most = ReadAllowance(c, sizeof buf, log_.NowMs());
    if (most == 0) return;
    ssize_t n = recv(c.fd, buf, most, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return;
      std::string cause = std::string("receive error: ") + std::strerror(errno);
      if (c.phase == Phase::Reading) LogRequest(c, "none", cause + " " + Progress(c));
      Close(c, "error");
      return;
    }
    if (n == 0) {
      c.peerDone = true;
      if (c.phase == Phase::Reading) {
        LogRequest(c, "none", "connection closed by the client " + Progress(c));
        Close(c, "client");
      } else if (c.phase != Phase::Writing) {
        Close(c, c.phase == Phase::Holding ? "client" : "done");
      }
      return;
    }
    c.lastMs = log_.NowMs();
    c.received += static_cast<uint64_t>(n);
    Consume(c, buf, static_cast<size_t>(n));
  }
}

void HttpServer::Consume(Conn& c, const uint8_t* p, size_t n) {
  while (n > 0 && c.fd >= 0) {
    if (c.phase != Phase::Reading) {
      c.extra += n;
      return;
    }
    const Board& b = boards_[c.board];
    size_t len = n;
    bool resetting = b.http == HttpMode::Reset && c.check.state() == RequestCheck::State::Body;
    if (resetting) {
      uint64_t got = c.check.BodyReceived();
      len = static_cast<size_t>(std::min<uint64_t>(len, b.resetAt > got ? b.resetAt - got : 0));
    }
    size_t used = len ? c.check.Feed(p, len) : 0;
    p += used;
    n -= used;
    switch (c.check.state()) {
      case RequestCheck::State::Head:
        break;
      case RequestCheck::State::Body:
        if (b.http == HttpMode::Reset && c.check.BodyReceived() >= b.resetAt) {
          LogRequest(c, "reset", "reset by the board " + Progress(c));
          Close(c, "reset", true);
          return;
        }
        break;
      case RequestCheck::State::Complete:
      case RequestCheck::State::Rejected:
        Decide(c);
        break;
    }
  }
}

void HttpServer::Decide(Conn& c) {
  const Board& b = boards_[c.board];
  const RequestCheck& k = c.check;
  if (k.state() == RequestCheck::State::Rejected) {
    Answer(c, k.BadStatus());
    return;
  }
  switch (b.http) {
    case HttpMode::Ok:
      Answer(c, k.Ok() ? 200 : k.BadStatus());
      if (k.Ok()) Restart(c.board);
      break;
    case HttpMode::Error500:
      Answer(c, k.Ok() ? 500 : k.BadStatus());
      break;
    case HttpMode::Redirect:
      Answer(c, k.Ok() ? 302 : k.BadStatus());
      break;
    case HttpMode::Unauthorized:
      Answer(c, k.Ok() ? 401 : k.BadStatus());
      break;
    case HttpMode::Continue:
      if (!k.Ok()) {
        Answer(c, k.BadStatus());
        break;
      }
      AnswerRaw(c, "100+200", "HTTP/1.1 100 Continue\r\n\r\n" + Response(200), false);
      Restart(c.board);
      break;
    case HttpMode::Reset:
    case HttpMode::Refuse:  // switched on after this connection was taken
      LogRequest(c, "reset", "reset by the board " + Progress(c));
      Close(c, "reset", true);
      break;
    case HttpMode::NoAnswer:
      LogRequest(c, "none");
      c.phase = Phase::Holding;
      c.phaseMs = log_.NowMs();
      break;
    case HttpMode::SlowBody:
    case HttpMode::CutShort:
      if (!k.Ok()) {
        Answer(c, k.BadStatus());
        break;
      }
      // A head that promises far more body than ever comes: the board
      // restarts right after answering, or writes its flash first.
      AnswerRaw(c, b.http == HttpMode::SlowBody ? "200-slowbody" : "200-cutshort",
                "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 100000\r\n"
                "Connection: close\r\n\r\n<html>",
                b.http == HttpMode::SlowBody);
      Restart(c.board);
      break;
    case HttpMode::NoCode:
      AnswerRaw(c, "nocode", "HTTP/ OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n", false);
      break;
  }
}

void HttpServer::AnswerRaw(Conn& c, const std::string& logged, std::string bytes, bool hold) {
  LogRequest(c, logged);
  c.out = std::move(bytes);
  c.outOff = 0;
  c.holdAfterWrite = hold;
  c.phase = Phase::Writing;
  c.phaseMs = log_.NowMs();
  Write(c);
}

void HttpServer::Answer(Conn& c, int status) {
  LogRequest(c, std::to_string(status));
  c.out = Response(status);
  c.outOff = 0;
  c.phase = Phase::Writing;
  c.phaseMs = log_.NowMs();
  Write(c);
}

void HttpServer::Write(Conn& c) {
  while (c.outOff < c.out.size()) {
    ssize_t n = send(c.fd, c.out.data() + c.outOff, c.out.size() - c.outOff, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return;
      Close(c, "error");
      return;
    }
    c.outOff += static_cast<size_t>(n);
    c.lastMs = log_.NowMs();
  }
  if (c.peerDone) {
    Close(c, "done");
    return;
  }
  if (c.holdAfterWrite) {
    c.phase = Phase::Holding;
    c.phaseMs = log_.NowMs();
    return;
  }
  // FIN after the answer, then read what the client still sends: closing with
  // unread data would reset the connection and could destroy the answer in flight.
  shutdown(c.fd, SHUT_WR);
  c.phase = Phase::Draining;
  c.phaseMs = log_.NowMs();
}

void HttpServer::Restart(size_t i) {
  Board& b = boards_[i];
  int64_t now = log_.NowMs();
  uint8_t major = b.versionMajor, minor = b.versionMinor;
  if (b.newVersion) {
    major = (*b.newVersion)[0];
    minor = (*b.newVersion)[1];
  } else if (opt_.newVersion) {
    major = (*opt_.newVersion)[0];
    minor = (*opt_.newVersion)[1];
  } else {
    VersionFromFileName(b.filename ? *b.filename : opt_.expect.filename, major, minor);
  }
  b.versionMajor = major;
  b.versionMinor = minor;
  b.downUntilMs = b.restartMs == kNever ? kNever : now + b.restartMs;
  wasDown_[i] = true;
  log_.Line("restart %s down=%s version=%s", BoardText(b).c_str(),
            b.restartMs == kNever ? "never" : std::to_string(b.restartMs).c_str(),
            VersionText(major, minor).c_str());
  Reconcile(now, nullptr);
}

std::string HttpServer::Progress(const Conn& c) const {
  const RequestCheck& k = c.check;
  if (k.state() == RequestCheck::State::Head)
    return "in the header after " + std::to_string(k.HeadBytes()) + " bytes";
  return "after " + std::to_string(k.BodyReceived()) + " of " + std::to_string(k.ContentLength()) +
         " body bytes";
}

void HttpServer::LogRequest(const Conn& c, const std::string& answer, const std::string& cause) {
  const RequestCheck& k = c.check;
  bool finished =
      k.state() == RequestCheck::State::Complete || k.state() == RequestCheck::State::Rejected;
  const char* request = !finished ? "incomplete" : k.Ok() ? "ok" : "bad";
  std::string reason = cause;
  std::string problem = k.Problem();
  if (!problem.empty()) reason += (reason.empty() ? "" : "; ") + problem;
  std::string length = k.HasLength() ? std::to_string(k.ContentLength()) : "-";
  std::string agent = k.HasAgent() ? LogQuote(k.Agent(), 80) : "-";
  std::string expect = k.Expect().empty() ? "" : " expect=" + LogQuote(k.Expect());
  if (!k.Boundary().empty()) expect += " boundary=" + LogQuote(k.Boundary(), 80);
  if (!k.Field().empty()) expect += " field=" + LogQuote(k.Field(), 80);
  // The reason goes last and unquoted: it may quote received text itself.
  log_.Line(
      "http %s from=%s request=%s body=%llu length=%s compare=%s agent=%s%s answer=%s "
      "ms=%lld%s%s",
      BoardText(boards_[c.board]).c_str(), c.from.c_str(), request,
      static_cast<unsigned long long>(k.BodyReceived()), length.c_str(), k.Compare(), agent.c_str(),
      expect.c_str(), answer.c_str(), static_cast<long long>(log_.NowMs() - c.startMs),
      reason.empty() ? "" : " reason=", reason.c_str());
}

void HttpServer::Close(Conn& c, const char* reason, bool reset) {
  if (c.fd < 0) return;
  if (reset)
    ResetAndClose(c.fd);
  else
    close(c.fd);
  c.fd = -1;
  std::string extra = c.extra ? " extra=" + std::to_string(c.extra) : "";
  log_.Line("close %s from=%s reason=%s ms=%lld%s", BoardText(boards_[c.board]).c_str(),
            c.from.c_str(), reason, static_cast<long long>(log_.NowMs() - c.startMs),
            extra.c_str());
}

void HttpServer::Tick() {
  int64_t now = log_.NowMs();
  for (auto& cp : conns_) {
    Conn& c = *cp;
    if (c.fd < 0) continue;
    bool idle = now - c.lastMs >= opt_.idleMs;
    if (c.phase == Phase::Reading && idle) {
      LogRequest(c, "none", "idle for " + std::to_string(now - c.lastMs) + " ms " + Progress(c));
      Close(c, "idle");
    } else if (c.phase == Phase::Writing && idle) {
      Close(c, "idle");
    } else if (c.phase == Phase::Draining && (idle || now - c.phaseMs >= kDrainMs)) {
      Close(c, "done");
    }
  }
  conns_.erase(std::remove_if(conns_.begin(), conns_.end(),
                              [](const std::unique_ptr<Conn>& c) { return c->fd < 0; }),
               conns_.end());

  for (size_t i = 0; i < boards_.size(); ++i) {
    bool down = boards_[i].downUntilMs > now;
    if (wasDown_[i] && !down)
      log_.Line("up %s version=%s", BoardText(boards_[i]).c_str(),
                VersionText(boards_[i].versionMajor, boards_[i].versionMinor).c_str());
    wasDown_[i] = down;
  }
  Reconcile(now, nullptr);
}

int64_t HttpServer::NextDueMs() const {
  int64_t best = -1;
  auto consider = [&best](int64_t t) {
    if (best < 0 || t < best) best = t;
  };
  int64_t now = log_.NowMs();
  for (const auto& cp : conns_) {
    const Conn& c = *cp;
    if (c.fd < 0 || c.phase == Phase::Holding) continue;
    consider(c.lastMs + opt_.idleMs);
    if (c.phase == Phase::Draining) consider(c.phaseMs + kDrainMs);
    if (c.phase == Phase::Reading && c.resumeMs > now) consider(c.resumeMs);
  }
  for (const Board& b : boards_)
    if (b.downUntilMs > now && b.downUntilMs != kNever) consider(b.downUntilMs);
  for (const Listener& l : listeners_) {
    if (l.pausedUntilMs > now) consider(l.pausedUntilMs);
    // A listener that failed to open is tried again.
    if (l.fd < 0 && !l.lastErr.empty()) consider(now + 1000);
  }
  return best;
}

}  // namespace boardsim
