// The progress pipe as a named pipe with one instance, in byte mode, as the
// deployment tool makes it. Overlapped I/O, so that every wait has a limit
// and the server can stop while no client comes.
#include <windows.h>

#include "tools/pipeserver/pipe_listener.h"

namespace pipeserver {
namespace {

// A reply or hang-up that takes longer than this means the client is gone.
constexpr DWORD kClientWaitMs = 2000;

class Handle {
 public:
  Handle() = default;
  ~Handle() { Reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE h = nullptr) {
    if (valid()) CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_ = nullptr;
};

// One read or write that gives up after `timeout_ms`. Returns the bytes
// moved, or -1 when the call failed before moving any (the client hung up).
int TimedIo(HANDLE pipe, HANDLE event, bool write, void* buffer, DWORD length, DWORD timeout_ms) {
  OVERLAPPED ov{};
  ov.hEvent = event;
  ResetEvent(event);
  const BOOL started = write ? WriteFile(pipe, buffer, length, nullptr, &ov)
                             : ReadFile(pipe, buffer, length, nullptr, &ov);
  if (!started && GetLastError() != ERROR_IO_PENDING) return -1;
  if (WaitForSingleObject(event, timeout_ms) != WAIT_OBJECT_0) CancelIo(pipe);
  // Waits for the cancelled call to finish, so `ov` and `buffer` may go.
  DWORD done = 0;
  if (!GetOverlappedResult(pipe, &ov, &done, TRUE) && done == 0) return -1;
  return static_cast<int>(done);
}

class Win32Listener;

class Win32Client final : public PipeClient {
 public:
  Win32Client(HANDLE pipe, HANDLE event, Win32Listener* owner)
      : pipe_(pipe), event_(event), owner_(owner) {}
  ~Win32Client() override { Disconnect(); }

  int ReadMessage(uint8_t* buffer, int size, int timeout_ms) override {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    int got = 0;
    while (got < size) {
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) return got;
      const int n = TimedIo(pipe_, event_, false, buffer + got, static_cast<DWORD>(size - got),
                            static_cast<DWORD>(deadline - now));
      if (n <= 0) return got;
      got += n;
    }
    // The client writes its message in one go and then waits, so anything
    // more is already in the pipe.
    DWORD more = 0;
    if (PeekNamedPipe(pipe_, nullptr, 0, nullptr, &more, nullptr)) got += static_cast<int>(more);
    return got;
  }

  bool Reply(int32_t value) override {
    if (!connected_) return false;
    const uint32_t v = static_cast<uint32_t>(value);
    uint8_t bytes[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    const bool ok = TimedIo(pipe_, event_, true, bytes, sizeof bytes, kClientWaitMs) == 4;
    // DisconnectNamedPipe throws away what the client has not read yet, so
    // wait for the client to close its end first; its read then fails.
    if (ok) {
      uint8_t ignored[16];
      while (TimedIo(pipe_, event_, false, ignored, sizeof ignored, kClientWaitMs) > 0) {
      }
    }
    Disconnect();
    return ok;
  }

  void Disconnect() override;

 private:
  HANDLE pipe_;
  HANDLE event_;
  Win32Listener* owner_;
  bool connected_ = true;
};

class Win32Listener final : public PipeListener {
 public:
  ~Win32Listener() override { Vanish(); }

  bool Listen(const std::string& name, std::string* error) override {
    Vanish();
    connect_event_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    io_event_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!connect_event_.valid() || !io_event_.valid()) {
      *error = "CreateEvent failed";
      return false;
    }
    // FIRST_PIPE_INSTANCE: a second server fails instead of sharing the
    // name; one instance: a second client is refused while one is served.
    pipe_.Reset(CreateNamedPipeA(
        name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 64, 64, 0,
        nullptr));
    if (!pipe_.valid()) {
      const DWORD code = GetLastError();
      *error = name + ": CreateNamedPipe failed, error " + std::to_string(code) +
               (code == ERROR_ACCESS_DENIED ? " (a server is there already)" : "");
      pipe_.Reset();
      return false;
    }
    return true;
  }

  std::unique_ptr<PipeClient> Accept(int timeout_ms) override {
    if (!pipe_.valid()) return nullptr;
    if (!connected_ && !pending_) Arm();
    if (pending_) {
      if (WaitForSingleObject(connect_event_.get(), static_cast<DWORD>(timeout_ms)) !=
          WAIT_OBJECT_0) {
        return nullptr;  // still waiting; the call stays pending
      }
      pending_ = false;
      DWORD ignored = 0;
      connected_ = GetOverlappedResult(pipe_.get(), &connect_ov_, &ignored, FALSE) != FALSE;
    }
    if (!connected_) {
      // ERROR_NO_DATA: a client came and went before we looked.
      DisconnectNamedPipe(pipe_.get());
      Sleep(static_cast<DWORD>(timeout_ms > 10 ? 10 : timeout_ms));
      return nullptr;
    }
    return std::make_unique<Win32Client>(pipe_.get(), io_event_.get(), this);
  }

  // Ends the connection and at once waits for the next client, so that a
  // client opening again straight after its reply finds the pipe listening
  // as soon as possible.
  void Release() {
    DisconnectNamedPipe(pipe_.get());
    connected_ = false;
    Arm();
  }

  void Vanish() override {
    if (pending_) {
      CancelIo(pipe_.get());
      DWORD ignored = 0;
      GetOverlappedResult(pipe_.get(), &connect_ov_, &ignored, TRUE);
      pending_ = false;
    }
    // The name goes with the last handle of its only instance.
    pipe_.Reset();
    connected_ = false;
  }

 private:
  // Starts waiting for a client; a client that is there already connects
  // at once.
  void Arm() {
    connect_ov_ = OVERLAPPED{};
    connect_ov_.hEvent = connect_event_.get();
    ResetEvent(connect_event_.get());
    if (ConnectNamedPipe(pipe_.get(), &connect_ov_)) {
      connected_ = true;
      return;
    }
    const DWORD code = GetLastError();
    if (code == ERROR_IO_PENDING) {
      pending_ = true;
    } else {
      connected_ = code == ERROR_PIPE_CONNECTED;
    }
  }

  Handle pipe_;
  Handle connect_event_;
  Handle io_event_;
  OVERLAPPED connect_ov_{};
  bool pending_ = false;    // ConnectNamedPipe is waiting
  bool connected_ = false;  // a client is on the pipe
};

void Win32Client::Disconnect() {
  if (!connected_) return;
  connected_ = false;
  owner_->Release();
}

}  // namespace

std::unique_ptr<PipeListener> CreatePipeListener() { return std::make_unique<Win32Listener>(); }

std::string DefaultPipeName() { return "\\\\.\\pipe\\KavroRollcast"; }

}  // namespace pipeserver
