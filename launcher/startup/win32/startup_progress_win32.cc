// The start-up window on a thread of its own: "Loading...Please wait a
// moment." over a smooth bar that steps every 100 ms up to 35 steps. Once the
// viewer runs, timer 1 is replaced by the closing timer, whose procedure ends
// the thread's message loop one second later; the window goes with its
// thread.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <memory>

#include "launcher/startup/startup_services.h"
#include "platform/win32/unique_handle.h"

namespace launcher {
namespace {

constexpr wchar_t kClassName[] = L"StartupDialogClass";
constexpr wchar_t kCaption[] = L"Kavro Network Firmware Updater";
constexpr wchar_t kText[] = L"Loading...Please wait a moment.";
constexpr wchar_t kFontName[] = L"\x30E1\x30A4\x30EA\x30AA";  // メイリオ
constexpr int kWidth = 400;
constexpr int kHeight = 300;
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kProgressPeriodMs = 100;
constexpr UINT kClosingDelayMs = 1000;
constexpr int kSteps = 35;
// SetTimer works only on the calling thread's windows, so the main thread
// asks the window's thread to set the closing timer with this message.
constexpr UINT kSetClosingTimer = WM_APP + 1;
// How long the viewer's start waits for the window to exist at all.
constexpr DWORD kWindowReadyTimeoutMs = 10000;

// What the window thread and the main thread share; kept alive by both.
struct StartupState {
  HINSTANCE instance = nullptr;
  // Set once the window exists or could not be made.
  platform::win32::UniqueKernelHandle ready;
  std::atomic<HWND> window{nullptr};
  HFONT font = nullptr;
  HWND bar = nullptr;
  int steps = 0;
};

void CALLBACK ClosingTimer(HWND window, UINT, UINT_PTR, DWORD) {
  PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 0, 0);
}

LRESULT CALLBACK StartupWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  auto* state = reinterpret_cast<StartupState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_CREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      state = static_cast<StartupState*>(create->lpCreateParams);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
      INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
      InitCommonControlsEx(&controls);
      state->bar = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | PBS_SMOOTH,
                                   40, 140, 300, 30, window, nullptr, state->instance, nullptr);
      SendMessageW(state->bar, PBM_SETRANGE, 0, MAKELPARAM(0, kSteps));
      SendMessageW(state->bar, PBM_SETSTEP, 1, 0);
      break;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      HGDIOBJ previous = state && state->font ? SelectObject(dc, state->font) : nullptr;
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkMode(dc, TRANSPARENT);
      RECT area;
      GetClientRect(window, &area);
      area.bottom -= 80;
      DrawTextW(dc, kText, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      if (previous != nullptr) SelectObject(dc, previous);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_TIMER:
      if (state != nullptr && state->steps < kSteps) {
        SendMessageW(state->bar, PBM_STEPIT, 0, 0);
        ++state->steps;
      }
      break;
    case kSetClosingTimer:
      // Same id: replaces the progress timer, so the bar stops where it is.
      SetTimer(window, kTimerId, kClosingDelayMs, ClosingTimer);
      return 0;
    case WM_CLOSE:
      KillTimer(window, kTimerId);
      PostQuitMessage(0);
      return 0;
    case WM_DESTROY:
      if (state != nullptr && state->font != nullptr) {
        DeleteObject(state->font);
        state->font = nullptr;
      }
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

DWORD WINAPI StartupWindowThread(void* parameter) {
  std::shared_ptr<StartupState> state(*static_cast<std::shared_ptr<StartupState>*>(parameter));
  delete static_cast<std::shared_ptr<StartupState>*>(parameter);

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = StartupWindowProc;
  window_class.hInstance = state->instance;
  window_class.hbrBackground = CreateSolidBrush(RGB(240, 240, 240));
  window_class.lpszClassName = kClassName;
  RegisterClassExW(&window_class);

  const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  HWND window =
      CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, kCaption, WS_CAPTION | WS_SYSMENU, x, y,
                      kWidth, kHeight, nullptr, nullptr, state->instance, state.get());
  if (window == nullptr) {
    SetEvent(state->ready.get());
    return 0;
  }
  state->font = CreateFontW(-18, 0, 0, 0, 0, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, kFontName);
  ShowWindow(window, SW_SHOWNORMAL);
  SetTimer(window, kTimerId, kProgressPeriodMs, nullptr);
  state->window.store(window);
  SetEvent(state->ready.get());

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  state->window.store(nullptr);
  DestroyWindow(window);
  return 0;
}

class StartupWindow : public StartupProgress {
 public:
  explicit StartupWindow(HINSTANCE instance) : state_(std::make_shared<StartupState>()) {
    state_->instance = instance != nullptr ? instance : GetModuleHandleW(nullptr);
    state_->ready.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    auto* handoff = new std::shared_ptr<StartupState>(state_);
    thread_.reset(CreateThread(nullptr, 0, StartupWindowThread, handoff, 0, nullptr));
    if (!thread_) {
      delete handoff;
      SetEvent(state_->ready.get());
    }
  }
  // A thread still running (the payload could not be written) is left to
  // end with the process; the state it uses stays alive with it.

  void ViewerStarted() override {
    WaitForSingleObject(state_->ready.get(), kWindowReadyTimeoutMs);
    HWND window = state_->window.load();
    if (window != nullptr) PostMessageW(window, kSetClosingTimer, 0, 0);
  }

  void WaitUntilClosed() override {
    if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
  }

 private:
  std::shared_ptr<StartupState> state_;
  platform::win32::UniqueKernelHandle thread_;
};

}  // namespace

std::unique_ptr<StartupProgress> StartStartupProgress(void* instance) {
  return std::make_unique<StartupWindow>(static_cast<HINSTANCE>(instance));
}

}  // namespace launcher
