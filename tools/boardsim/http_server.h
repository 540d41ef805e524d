// The boards' web servers: port 80 of every board address, taking the
// firmware upload, checking it byte by byte and answering as each board is
// told to. Single-threaded; the main loop polls these sockets together with
// the UDP ones.
#ifndef TOOLS_BOARDSIM_HTTP_SERVER_H_
#define TOOLS_BOARDSIM_HTTP_SERVER_H_

#include <poll.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/boardsim/board_config.h"
#include "tools/boardsim/http_check.h"
#include "tools/boardsim/sim_log.h"

namespace boardsim {

// A file mapped read-only, so that a large image is compared in place.
class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  bool Open(const std::string& path, std::string& err);
  const uint8_t* data() const { return data_; }
  uint64_t size() const { return size_; }

 private:
  uint8_t* data_ = nullptr;
  uint64_t size_ = 0;
};

struct HttpOptions {
  UploadExpect expect;  // field, file name and image for boards without their own
  uint16_t port = 80;
  int64_t idleMs = 30000;  // a connection that sends nothing this long is closed
  std::optional<std::array<uint8_t, 2>> newVersion;  // default of the boards' newversion
};

class HttpServer {
 public:
  HttpServer(std::vector<Board>& boards, SimLog& log, HttpOptions options);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Listens on every board address whose board serves now; a failure here is fatal.
  bool Open(bool loopbackOnly, std::string& err);

  // Appends the sockets to watch; OnPoll gets the same entries back after poll.
  void AddPollFds(std::vector<pollfd>& fds);
  void OnPoll(const pollfd* fds, size_t count);

  // Time-outs, boards coming back from a restart, listeners to open or close
  // after run-time changes. Call once per loop turn.
  void Tick();
  // Time of the next thing Tick has to do, or -1.
  int64_t NextDueMs() const;

 private:
  struct Listener {
    uint32_t ip = 0;
    int fd = -1;
    int64_t pausedUntilMs = 0;
    std::string lastErr;
  };
  enum class Phase { Reading, Writing, Draining, Holding };
  struct Conn {
    explicit Conn(UploadExpect e) : check(std::move(e)) {}
    int fd = -1;
    size_t board = 0;
    std::string from;
    RequestCheck check;
    Phase phase = Phase::Reading;
    bool peerDone = false;  // the client sent FIN
    int64_t startMs = 0, lastMs = 0, phaseMs = 0;
    std::string out;
    size_t outOff = 0;
    uint64_t extra = 0;           // bytes after the request
    uint64_t received = 0;        // request bytes read so far (head and body)
    int64_t resumeMs = 0;         // a board with a rate reads again from this time
    bool holdAfterWrite = false;  // keep the connection open, silent, after the answer
  };

  bool Serving(const Board& b, int64_t now) const;
  int ServingBoard(uint32_t ip, int64_t now) const;
  bool OpenListener(Listener& l, std::string& err);
  bool Reconcile(int64_t now, std::string* fatal);
  void Accept(Listener& l);
  void Read(Conn& c);
  // Bytes the board's rate lets this connection read now; 0 sets resumeMs.
  size_t ReadAllowance(Conn& c, size_t most, int64_t now);
  void Consume(Conn& c, const uint8_t* p, size_t n);
  void Decide(Conn& c);
  void Answer(Conn& c, int status);
  // Sends `bytes` as the answer, logged as `logged`.
  void AnswerRaw(Conn& c, const std::string& logged, std::string bytes, bool hold);
  void Write(Conn& c);
  void Restart(size_t board);
  void LogRequest(const Conn& c, const std::string& answer, const std::string& cause = "");
  std::string Progress(const Conn& c) const;
  void Close(Conn& c, const char* reason, bool reset = false);
  UploadExpect ExpectFor(const Board& b) const;

  std::vector<Board>& boards_;
  SimLog& log_;
  HttpOptions opt_;
  bool loopbackOnly_ = false;
  std::vector<Listener> listeners_;
  std::vector<std::unique_ptr<Conn>> conns_;
  std::vector<bool> wasDown_;
  // What AddPollFds appended: listener index, or conns_ index + listeners_.size().
  std::vector<size_t> polled_;
};

}  // namespace boardsim

#endif  // TOOLS_BOARDSIM_HTTP_SERVER_H_
