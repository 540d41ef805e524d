// The Win32 event loop: a message-only window owned by the calling thread.
// Posted messages, WM_TIMER and the WSAAsyncSelect notifications all arrive
// through the thread's message queue and reach the sinks from the window
// procedure, so their order is the order Windows gives them. Every call
// except Post must come from the thread that created the loop.
#include "platform/event_loop.h"

#include <winsock2.h>
#include <windows.h>

#include <map>

#include "platform/win32/unique_handle.h"
#include "platform/win32/window_class.h"

namespace platform {
namespace {

constexpr int kPaintsPerRound = 64;  // windows repainted per round of pending messages

class WindowLoop final : public EventLoop {
 public:
  WindowLoop() = default;
  ~WindowLoop() override {
    // Messages the destruction itself sends must not reach a half-destroyed
    // object.
    if (window_.get() != nullptr) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    window_.reset();
  }
  WindowLoop(const WindowLoop&) = delete;
  WindowLoop& operator=(const WindowLoop&) = delete;

  bool Create() {
    // A registered message number cannot collide with any number a caller
    // chooses below 0xC000.
    mark_message_ = RegisterWindowMessageW(L"ZantorEventLoop.Mark");
    WNDCLASSEXW design{};
    design.lpfnWndProc = &WindowLoop::WindowProc;
    if (mark_message_ == 0 || !class_.RegisterUnique(design, L"ZantorEventLoop")) return false;
    // HWND_MESSAGE: never shown, receives no broadcasts, and needs no
    // display, so the loop also works in a service or a headless test run.
    const HWND hwnd = CreateWindowExW(0, MAKEINTATOM(class_.atom()), L"", 0, 0, 0, 0, 0,
                                      HWND_MESSAGE, nullptr, class_.instance(), this);
    window_.reset(hwnd);
    return hwnd != nullptr;
  }

  void Register(uint32_t id, MessageSink* sink) override { sinks_[id] = sink; }
  void Unregister(uint32_t id) override { sinks_.erase(id); }

  bool Post(uint32_t id, uintptr_t wparam, intptr_t lparam) override {
    return PostMessageW(window_.get(), id, static_cast<WPARAM>(wparam),
                        static_cast<LPARAM>(lparam)) != 0;
  }

  void StartTimer(uint32_t id, uint32_t interval_ms, TimerSink* sink) override {
    // SetTimer on an existing id replaces it and restarts its period.
    if (SetTimer(window_.get(), id, interval_ms, nullptr) != 0) timers_[id] = sink;
  }
  void StopTimer(uint32_t id) override {
    KillTimer(window_.get(), id);
    timers_.erase(id);
  }

  bool WatchSocket(SocketHandle socket, uint32_t message_id) override {
    if (socket == kNoSocket) return false;
    return WSAAsyncSelect(static_cast<SOCKET>(socket), window_.get(), message_id, FD_READ) == 0;
  }
  void UnwatchSocket(SocketHandle socket) override {
    // Notifications already queued still arrive (Winsock says so); the
    // sink's recvfrom on a closed or drained socket just fails.
    if (socket == kNoSocket) return;
    WSAAsyncSelect(static_cast<SOCKET>(socket), window_.get(), 0, 0);
  }

  void ProcessPending() override {
    // Everything queued before this call runs, but nothing a handler queues
    // meanwhile: a mark posted behind the queue ends the round, so a handler
    // that posts to itself cannot keep us here for ever. A nested call
    // posts a later mark; once that is seen, so are all earlier ones.
    const LPARAM mark = ++marks_posted_;
    const bool marked = PostMessageW(window_.get(), mark_message_, 0, mark) != 0;
    MSG msg;
    while (!marked || marks_seen_ < mark) {
      if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) break;
      if (msg.message == WM_QUIT) {
        // Someone called PostQuitMessage. Like any nested loop, stop and
        // put it back for the loop outside us.
        NoteQuitMessage(msg);
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      Dispatch(msg);
    }
    // WM_TIMER is made only when the queue is empty, which it may never be
    // after the mark; ask for due ticks explicitly, at most one per timer.
    for (size_t n = timers_.size(); n > 0; --n) {
      if (!PeekMessageW(&msg, window_.get(), WM_TIMER, WM_TIMER, PM_REMOVE)) break;
      Dispatch(msg);
    }
    // WM_PAINT too comes only from an empty queue: without this the window
    // shows nothing new while an upload or a chain of uploads pumps here.
    // Bounded, since a window that never validates would repaint for ever.
    for (int n = 0; n < kPaintsPerRound; ++n) {
      if (!PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) break;
      Dispatch(msg);
    }
  }

  int Run() override {
    MSG msg;
    while (!quit_) {
      const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
      if (got == -1) {  // only for a bad window handle; never loop on it
        quit_ = true;
        quit_code_ = -1;
        break;
      }
      if (got == 0) {
        NoteQuitMessage(msg);
        break;
      }
      Dispatch(msg);
    }
    quit_ = false;
    return quit_code_;
  }

  // A flag, not PostQuitMessage: a WM_QUIT left in the thread's queue would
  // end whatever modal loop next pumps it (a message box, a nested
  // ProcessPending). The mark wakes a Run blocked in GetMessage.
  void Quit(int code) override {
    quit_ = true;
    quit_code_ = code;
    PostMessageW(window_.get(), mark_message_, 0, 0);
  }
  bool QuitRequested() const override { return quit_; }

 private:
  static void Dispatch(const MSG& msg) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }

  void NoteQuitMessage(const MSG& msg) {
    quit_ = true;
    quit_code_ = static_cast<int>(msg.wParam);
  }

  // Returns true when the message was the loop's own.
  bool Route(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == mark_message_) {
      if (lparam > marks_seen_) marks_seen_ = lparam;
      return true;
    }
    if (message == WM_TIMER && lparam == 0) {
      const uint32_t id = static_cast<uint32_t>(wparam);
      auto it = timers_.find(id);
      // A tick generated before StopTimer may still be in the queue.
      if (it != timers_.end()) it->second->OnTimer(id);
      return true;
    }
    auto it = sinks_.find(message);
    if (it == sinks_.end()) return false;
    // Copy out: the handler may register or unregister sinks.
    MessageSink* sink = it->second;
    sink->OnMessage(
        Message{message, static_cast<uintptr_t>(wparam), static_cast<intptr_t>(lparam)});
    return true;
  }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<WindowLoop*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && self->Route(message, wparam, lparam)) return 0;
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }

  // Declared before the window so the window is destroyed first; destroying
  // the window also kills its timers and discards its queued messages.
  win32::WindowClass class_;
  win32::UniqueWindow window_;
  UINT mark_message_ = 0;
  LPARAM marks_posted_ = 0;
  LPARAM marks_seen_ = 0;
  std::map<uint32_t, MessageSink*> sinks_;
  std::map<uint32_t, TimerSink*> timers_;
  bool quit_ = false;
  int quit_code_ = 0;
};

}  // namespace

std::unique_ptr<EventLoop> CreateEventLoop() {
  auto loop = std::make_unique<WindowLoop>();
  // Without its window the loop could deliver nothing.
  if (!loop->Create()) return nullptr;
  return loop;
}

}  // namespace platform
