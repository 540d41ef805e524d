// The progress pipe as a named pipe in byte mode. Overlapped I/O, so that
// every wait has a limit and the server can stop while no client comes.
//
// At most one instance listens at any time, so a client that comes while
// another is served finds the pipe busy, as with the deployment tool. A
// pipe with strictly one instance cannot listen again until the served
// client has closed its end, and a client that opens again straight after
// its reply (the updater does, for every chunk of an upload) finds it busy
// for no reason. So by default the listener keeps a second instance and
// starts listening on it just before the reply goes out, while the first
// one is still connected. With `single` it uses one instance and behaves the
// strict way.
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

// One instance of the pipe and its wait for a client.
struct Instance {
  Handle pipe;
  Handle connect_event;
  OVERLAPPED connect_ov{};
  bool pending = false;    // ConnectNamedPipe is waiting
  bool connected = false;  // a client is on this instance

  // Starts waiting for a client; one that is there already connects at
  // once.
  void Arm() {
    connect_ov = OVERLAPPED{};
    connect_ov.hEvent = connect_event.get();
    ResetEvent(connect_event.get());
    if (ConnectNamedPipe(pipe.get(), &connect_ov)) {
      connected = true;
      return;
    }
    const DWORD code = GetLastError();
    if (code == ERROR_IO_PENDING) {
      pending = true;
    } else {
      connected = code == ERROR_PIPE_CONNECTED;
      // ERROR_NO_DATA: a client came and went; make the instance usable.
      if (!connected) DisconnectNamedPipe(pipe.get());
    }
  }

  void StopWaiting() {
    if (!pending) return;
    CancelIo(pipe.get());
    DWORD ignored = 0;
    GetOverlappedResult(pipe.get(), &connect_ov, &ignored, TRUE);
    pending = false;
  }

  void Close() {
    StopWaiting();
    pipe.Reset();
    connected = false;
  }
};

class Win32Listener;

class Win32Client final : public PipeClient {
 public:
  Win32Client(Instance* instance, HANDLE io_event, Win32Listener* owner)
      : instance_(instance), io_event_(io_event), owner_(owner) {}
  ~Win32Client() override { Disconnect(); }

  int ReadMessage(uint8_t* buffer, int size, int timeout_ms) override {
    const HANDLE pipe = instance_->pipe.get();
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    int got = 0;
    while (got < size) {
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) return got;
      const int n = TimedIo(pipe, io_event_, false, buffer + got, static_cast<DWORD>(size - got),
                            static_cast<DWORD>(deadline - now));
      if (n <= 0) return got;
      got += n;
    }
    // The client writes its message in one go and then waits, so anything
    // more is already in the pipe.
    DWORD more = 0;
    if (PeekNamedPipe(pipe, nullptr, 0, nullptr, &more, nullptr)) got += static_cast<int>(more);
    return got;
  }

  bool Reply(int32_t value) override;
  void Disconnect() override;

 private:
  Instance* instance_;
  HANDLE io_event_;
  Win32Listener* owner_;
  bool open_ = true;
};

class Win32Listener final : public PipeListener {
 public:
  explicit Win32Listener(bool single) : single_(single) {}
  ~Win32Listener() override { Vanish(); }

  bool Listen(const std::string& name, std::string* error) override {
    Vanish();
    name_ = name;
    // Wine ignores FILE_FLAG_FIRST_PIPE_INSTANCE, and a second server would
    // then take the spare instance; a named mutex per pipe name keeps to
    // one server on both.
    std::string lock_name = "Local\\pipeserver:" + name;
    for (size_t i = 6; i < lock_name.size(); ++i) {
      if (lock_name[i] == '\\') lock_name[i] = '/';
    }
    lock_.Reset(CreateMutexA(nullptr, FALSE, lock_name.c_str()));
    if (!lock_.valid() || GetLastError() == ERROR_ALREADY_EXISTS) {
      lock_.Reset();
      *error = name + ": a server is there already";
      return false;
    }
    io_event_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!io_event_.valid()) {
      *error = "CreateEvent failed";
      return false;
    }
    // FIRST_PIPE_INSTANCE: a second server fails instead of sharing the
    // name.
    if (!Create(&instances_[0], FILE_FLAG_FIRST_PIPE_INSTANCE)) {
      const DWORD code = GetLastError();
      *error =
          name + ": CreateNamedPipe failed, error " + std::to_string(code) +
          (code == ERROR_ACCESS_DENIED || code == ERROR_PIPE_BUSY ? " (a server is there already)"
                                                                  : "");
      instances_[0].Close();
      return false;
    }
    listening_ = 0;
    instances_[0].Arm();
    return true;
  }

  std::unique_ptr<PipeClient> Accept(int timeout_ms) override {
    if (listening_ < 0) return nullptr;
    Instance& in = instances_[listening_];
    if (!in.connected && !in.pending) in.Arm();
    if (in.pending) {
      if (WaitForSingleObject(in.connect_event.get(), static_cast<DWORD>(timeout_ms)) !=
          WAIT_OBJECT_0) {
        return nullptr;  // still waiting; the call stays pending
      }
      in.pending = false;
      DWORD ignored = 0;
      in.connected = GetOverlappedResult(in.pipe.get(), &in.connect_ov, &ignored, FALSE) != FALSE;
      if (!in.connected) DisconnectNamedPipe(in.pipe.get());
    }
    if (!in.connected) return nullptr;
    return std::make_unique<Win32Client>(&in, io_event_.get(), this);
  }

  void Seal() override { sealed_ = true; }

  void Vanish() override {
    // The name goes with the last handle of its last instance.
    for (Instance& in : instances_) in.Close();
    listening_ = -1;
    sealed_ = false;
    lock_.Reset();
  }

  // The client on `served` is about to get all it will get: listen on
  // another instance from now on, unless there is only one.
  void HandOver(Instance* served) {
    if (single_ || sealed_ || listening_ < 0) return;
    const int next = served == &instances_[0] ? 1 : 0;
    Instance& in = instances_[next];
    if (!in.pipe.valid() && !Create(&in, 0)) return;  // stay strict then
    listening_ = next;
    if (!in.pending && !in.connected) in.Arm();
  }

  // Ends the connection on `served`; with one instance, listens on it
  // again at once.
  void Release(Instance* served) {
    DisconnectNamedPipe(served->pipe.get());
    served->connected = false;
    if (!sealed_ && listening_ >= 0 && served == &instances_[listening_]) served->Arm();
  }

 private:
  bool Create(Instance* in, DWORD first) {
    in->connect_event.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!in->connect_event.valid()) return false;
    in->pipe.Reset(CreateNamedPipeA(
        name_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | first,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
        single_ ? 1 : 2, 64, 64, 0, nullptr));
    if (!in->pipe.valid()) {
      in->pipe.Reset();
      return false;
    }
    return true;
  }

  bool single_;
  bool sealed_ = false;
  std::string name_;
  Handle lock_;  // held while this server owns the name
  Handle io_event_;
  Instance instances_[2];
  int listening_ = -1;  // the instance clients can open, -1 when none
};

bool Win32Client::Reply(int32_t value) {
  if (!open_) return false;
  const HANDLE pipe = instance_->pipe.get();
  const uint32_t v = static_cast<uint32_t>(value);
  uint8_t bytes[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                      static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
  // Listening elsewhere before the reply goes out, since the client may
  // open again the moment it has read it.
  owner_->HandOver(instance_);
  const bool ok = TimedIo(pipe, io_event_, true, bytes, sizeof bytes, kClientWaitMs) == 4;
  // DisconnectNamedPipe throws away what the client has not read yet, so
  // wait for the client to close its end first; its read then fails.
  if (ok) {
    uint8_t ignored[16];
    while (TimedIo(pipe, io_event_, false, ignored, sizeof ignored, kClientWaitMs) > 0) {
    }
  }
  Disconnect();
  return ok;
}

void Win32Client::Disconnect() {
  if (!open_) return;
  open_ = false;
  owner_->HandOver(instance_);
  owner_->Release(instance_);
}

}  // namespace

std::unique_ptr<PipeListener> CreatePipeListener(bool single_instance) {
  return std::make_unique<Win32Listener>(single_instance);
}

std::string DefaultPipeName() { return "\\\\.\\pipe\\KavroRollcast"; }

}  // namespace pipeserver
