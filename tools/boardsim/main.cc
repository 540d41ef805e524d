// boardsim: plays one or many printer interface boards on UDP port 3289 for
// the integration tests. Usage in README.md.

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tools/boardsim/board_config.h"
#include "tools/boardsim/control.h"
#include "tools/boardsim/http_server.h"
#include "tools/boardsim/sim_log.h"
#include "tools/boardsim/udp_responder.h"

using namespace boardsim;

namespace {

volatile sig_atomic_t gStop = 0;
volatile sig_atomic_t gToggle = 0;
volatile sig_atomic_t gReload = 0;

void OnSignal(int sig) {
  if (sig == SIGUSR1)
    gToggle = 1;
  else if (sig == SIGHUP)
    gReload = 1;
  else
    gStop = sig;
}

const char kUsage[] =
    "usage: boardsim --board BOARD [--board BOARD]... [--config FILE] [--log FILE]\n"
    "                [--control FILE] [--duration MS] [--image FILE [--field NAME]\n"
    "                [--filename NAME] [--newversion V] [--http-port N] [--http-timeout MS]\n"
    "                [--boundary B|any]]\n"
    "BOARD: ip=A.B.C.D[,mac=..][,form=classic|newer][,version=5.12][,type=4.00][,kind=4]\n"
    "      [,model=..][,printer=..][,serial=..][,status=0x10|ready=0|1][,fault=F+F..]\n"
    "      [,prefix=..][,result=0xE000][,cut=30][,trail=1][,size=N][,delay=MS][,down=MS]\n"
    "      "
    "[,http=ok|500|refuse|reset|noanswer|slowbody|cutshort|nocode|continue|302|401][,resetat=N][,restart=MS|never]\n"
    "      [,newversion=5.12][,field=..][,filename=..]\n"
    "faults: silent truncated wrongport trailing lenminus1 nostatus nosearch noextsearch\n"
    "        nobasic nomodel noserial none\n"
    "see tools/boardsim/README.md\n";

bool ReadFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  out = ss.str();
  return true;
}

// Config file: one board per line, "BOARD" or "board BOARD"; '#' starts a comment line.
bool ReadConfig(const std::string& path, std::vector<std::string>& boards_text, std::string& err) {
  std::string text;
  if (!ReadFile(path, text)) {
    err = path + ": cannot read";
    return false;
  }
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    size_t a = line.find_first_not_of(" \t\r");
    if (a == std::string::npos || line[a] == '#') continue;
    line = line.substr(a, line.find_last_not_of(" \t\r") - a + 1);
    if (line.compare(0, 6, "board ") == 0 || line.compare(0, 6, "board\t") == 0)
      line = line.substr(line.find_first_not_of(" \t", 6));
    boards_text.push_back(line);
  }
  return true;
}

// Non-loopback boards would answer whatever reaches port 3289 on a real
// network, so they run only inside a namespace made with "ip netns add"
// (what "ip netns identify" finds: a bind mount under /run/netns).
bool InNamedNetns() {
  struct stat self {};
  if (stat("/proc/self/ns/net", &self) != 0) return false;
  struct stat init {};
  if (stat("/proc/1/ns/net", &init) == 0 && init.st_dev == self.st_dev &&
      init.st_ino == self.st_ino)
    return false;
  for (const char* dir : {"/run/netns", "/var/run/netns"}) {
    DIR* d = opendir(dir);
    if (!d) continue;
    bool found = false;
    while (dirent* e = readdir(d)) {
      struct stat st {};
      std::string path = std::string(dir) + "/" + e->d_name;
      if (e->d_name[0] != '.' && stat(path.c_str(), &st) == 0 && st.st_dev == self.st_dev &&
          st.st_ino == self.st_ino) {
        found = true;
        break;
      }
    }
    closedir(d);
    if (found) return true;
  }
  return false;
}

bool ParseMs(const std::string& value, long long max, long long& out) {
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0' || errno != 0 || v < 0 || v > max) return false;
  out = v;
  return true;
}

std::string DescribeBoard(size_t i, const Board& b, bool http) {
  char buf[512];
  std::snprintf(buf, sizeof buf,
                "board n=%zu ip=%s mac=%s form=%s version=%s type=%s kind=%u model=\"%s\" "
                "printer=\"%s\" serial=\"%s\" "
                "status=0x%02X fault=%s delay=%u",
                i + 1, IpText(b.ip).c_str(), MacText(b.mac).c_str(),
                b.form == Form::Classic ? "classic" : "newer",
                VersionText(b.versionMajor, b.versionMinor).c_str(),
                VersionText(b.typeNumber, b.typeSecond).c_str(), b.kind, b.model.c_str(),
                b.printer.c_str(), b.serial.c_str(), b.status, FaultsText(b.faults).c_str(),
                b.delayMs);
  return http ? buf + (" http=" + HttpText(b)) : buf;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> boards_text;
  std::string logPath, controlPath, err;
  long long durationMs = -1;
  std::string imagePath;
  HttpOptions http;

  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    std::string value;
    size_t eq = a.find('=');
    bool inlineValue = a.compare(0, 2, "--") == 0 && eq != std::string::npos;
    if (inlineValue) {
      value = a.substr(eq + 1);
      a = a.substr(0, eq);
    }
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    bool known = a == "--board" || a == "--config" || a == "--log" || a == "--control" ||
                 a == "--duration" || a == "--image" || a == "--field" || a == "--filename" ||
                 a == "--newversion" || a == "--http-port" || a == "--http-timeout" ||
                 a == "--boundary";
    if (!known) {
      std::fprintf(stderr, "boardsim: unknown option '%s'\n%s", argv[i], kUsage);
      return 2;
    }
    if (!inlineValue) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "boardsim: %s needs a value\n", a.c_str());
        return 2;
      }
      value = argv[++i];
    }
    if (a == "--board")
      boards_text.push_back(value);
    else if (a == "--log")
      logPath = value;
    else if (a == "--control")
      controlPath = value;
    else if (a == "--config") {
      if (!ReadConfig(value, boards_text, err)) {
        std::fprintf(stderr, "boardsim: %s\n", err.c_str());
        return 2;
      }
    } else if (a == "--image") {
      imagePath = value;
    } else if (a == "--field" || a == "--filename") {
      // Line breaks or NUL could never match inside the quoted header of the body.
      if (value.empty() || value.size() > 255 ||
          value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        std::fprintf(stderr, "boardsim: bad %s '%s'\n", a.c_str(), value.c_str());
        return 2;
      }
      (a == "--field" ? http.expect.field : http.expect.filename) = value;
    } else if (a == "--boundary") {
      // RFC 2046: 1 to 70 characters; "any" takes the one each request names.
      if (value.empty() || value.size() > 70 ||
          value.find_first_of(std::string("\r\n\0\"", 4)) != std::string::npos) {
        std::fprintf(stderr, "boardsim: bad --boundary '%s'\n", value.c_str());
        return 2;
      }
      http.expect.boundary = value;
    } else if (a == "--newversion") {
      std::array<uint8_t, 2> v{};
      if (!ParseVersion(value, v[0], v[1])) {
        std::fprintf(stderr, "boardsim: bad --newversion '%s'\n", value.c_str());
        return 2;
      }
      http.newVersion = v;
    } else {
      long long v = 0;
      long long max = a == "--http-port" ? 65535 : a == "--http-timeout" ? 86400000 : LLONG_MAX;
      if (!ParseMs(value, max, v) || (a == "--http-port" && v == 0)) {
        std::fprintf(stderr, "boardsim: bad %s '%s'\n", a.c_str(), value.c_str());
        return 2;
      }
      if (a == "--http-port")
        http.port = static_cast<uint16_t>(v);
      else if (a == "--http-timeout")
        http.idleMs = v;
      else
        durationMs = v;
    }
  }
  if (boards_text.empty()) {
    std::fprintf(stderr, "boardsim: no boards given\n%s", kUsage);
    return 2;
  }

  std::vector<Board> boards;
  for (const std::string& s : boards_text) {
    Board b;
    if (!ParseBoard(s, b, err)) {
      std::fprintf(stderr, "boardsim: board '%s': %s\n", s.c_str(), err.c_str());
      return 2;
    }
    boards.push_back(b);
  }

  bool loopbackOnly = true;
  for (const Board& b : boards) loopbackOnly &= (b.ip >> 24) == 127;
  if (!loopbackOnly && !InNamedNetns()) {
    std::fprintf(
        stderr,
        "boardsim: boards with non-loopback addresses run only inside a network namespace of their "
        "own, made with ip netns add (see tests/integration/netns.sh)\n");
    return 2;
  }

  SimLog log;
  if (!log.Open(logPath, err)) {
    std::fprintf(stderr, "boardsim: log %s\n", err.c_str());
    return 2;
  }
  auto logFn = [&log](const std::string& s) { log.Line("%s", s.c_str()); };

  // Signals are only let through inside ppoll, so the handlers never race the loop.
  sigset_t handled, waitMask;
  sigemptyset(&handled);
  for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGHUP}) sigaddset(&handled, s);
  sigprocmask(SIG_BLOCK, &handled, &waitMask);
  for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGHUP}) {
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(s, &sa, nullptr);
  }
  signal(SIGPIPE, SIG_IGN);

  // The web servers run only when there is an image to compare uploads with.
  MappedFile image;
  std::unique_ptr<HttpServer> httpServer;
  if (!imagePath.empty()) {
    if (!image.Open(imagePath, err)) {
      std::fprintf(stderr, "boardsim: image %s\n", err.c_str());
      return 2;
    }
    http.expect.image = image.data();
    http.expect.imageSize = image.size();
    httpServer = std::make_unique<HttpServer>(boards, log, http);
  }

  UdpResponder responder(boards, log);
  if (!responder.Open(loopbackOnly, err) || (httpServer && !httpServer->Open(loopbackOnly, err))) {
    std::fprintf(stderr, "boardsim: %s\n", err.c_str());
    log.Line("exit reason=error %s", err.c_str());
    return 1;
  }
  for (size_t i = 0; i < boards.size(); ++i)
    log.Line("%s", DescribeBoard(i, boards[i], httpServer != nullptr).c_str());
  if (httpServer) {
    uint8_t major = 0, minor = 0;
    std::string nv = http.newVersion ? VersionText((*http.newVersion)[0], (*http.newVersion)[1])
                     : VersionFromFileName(http.expect.filename, major, minor)
                         ? VersionText(major, minor)
                         : "unchanged";
    UploadExpect& e = http.expect;
    log.Line(
        "image size=%llu body=%llu field=%s filename=%s newversion=%s",
        static_cast<unsigned long long>(e.imageSize),
        static_cast<unsigned long long>(MultipartPreamble(e.field, e.filename, e.boundary).size() +
                                        e.imageSize + MultipartEpilogue(e.boundary).size()),
        LogQuote(e.field, 255).c_str(), LogQuote(e.filename, 255).c_str(), nv.c_str());
  }
  log.Line("ready boards=%zu port=%u loopback=%d http=%s", boards.size(), kBoardPort,
           loopbackOnly ? 1 : 0, httpServer ? std::to_string(http.port).c_str() : "off");

  const char* reason = "signal";
  for (;;) {
    if (gStop) break;
    if (gToggle) {
      gToggle = 0;
      ToggleReadiness(boards, logFn);
    }
    if (gReload) {
      gReload = 0;
      std::string text;
      if (controlPath.empty())
        log.Line("control error no --control file");
      else if (!ReadFile(controlPath, text))
        log.Line("control error cannot read %s", controlPath.c_str());
      else {
        int errors = ApplyControlText(text, boards, log.NowMs(), logFn);
        log.Line("control done errors=%d", errors);
      }
    }
    if (httpServer) httpServer->Tick();
    int64_t now = log.NowMs();
    responder.SendDue(now);
    if (durationMs >= 0 && now >= durationMs) {
      reason = "duration";
      break;
    }

    int64_t wait = -1;
    for (int64_t due : {responder.NextDueMs(), httpServer ? httpServer->NextDueMs() : -1})
      if (due >= 0) wait = std::min(wait < 0 ? INT64_MAX : wait, due > now ? due - now : 0);
    if (durationMs >= 0) {
      int64_t left = durationMs - now;
      wait = wait < 0 ? left : std::min(wait, left);
    }
    std::vector<pollfd> fds = {{responder.BoardFd(), POLLIN, 0},
                               {responder.WrongPortFd(), POLLIN, 0}};
    if (httpServer) httpServer->AddPollFds(fds);
    timespec ts{};
    if (wait >= 0) {
      ts.tv_sec = static_cast<time_t>(wait / 1000);
      ts.tv_nsec = static_cast<long>((wait % 1000) * 1000000);
    }
    // A wrong-port socket opened at run time joins here; -1 entries are skipped by ppoll.
    int r = ppoll(fds.data(), fds.size(), wait >= 0 ? &ts : nullptr, &waitMask);
    if (r < 0) continue;  // EINTR: a signal flag to look at
    for (size_t i = 0; i < 2; ++i)
      if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLERR))) responder.OnReadable(fds[i].fd);
    if (httpServer) httpServer->OnPoll(fds.data() + 2, fds.size() - 2);
  }
  log.Line("exit reason=%s", reason);
  return 0;
}
