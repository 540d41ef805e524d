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
// Sizes at 96 dots per inch; the window scales them by its own DPI, as its
// manifest promises (per monitor).
constexpr int kBaseDpi = 96;
constexpr int kWidth = 400;
constexpr int kHeight = 300;
constexpr RECT kBar = {40, 140, 340, 170};
constexpr int kFontHeight = 18;
constexpr int kTextMarginBottom = 80;
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
  int dpi = kBaseDpi;
  int steps = 0;
};

int Scaled(int value, int dpi) { return MulDiv(value, dpi, kBaseDpi); }

// GetDpiForWindow from Windows 10 1607 on; before that the system DPI,
// which is the only one an older system has.
int DpiOf(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  const auto get_dpi = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (window != nullptr && get_dpi != nullptr) {
    const UINT dpi = get_dpi(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kBaseDpi;
}

// Window, bar and text at `dpi`: the window at `placed` (a suggested
// rectangle) or centred on the screen.
void Layout(HWND window, StartupState* state, int dpi, const RECT* placed) {
  state->dpi = dpi;
  const int width = Scaled(kWidth, dpi);
  const int height = Scaled(kHeight, dpi);
  const int x = placed != nullptr ? placed->left : (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = placed != nullptr ? placed->top : (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(state->bar, nullptr, Scaled(kBar.left, dpi), Scaled(kBar.top, dpi),
               Scaled(kBar.right - kBar.left, dpi), Scaled(kBar.bottom - kBar.top, dpi),
               SWP_NOZORDER | SWP_NOACTIVATE);
  HFONT font = CreateFontW(-Scaled(kFontHeight, dpi), 0, 0, 0, 0, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0,
                           0, 0, kFontName);
  if (font != nullptr) {
    if (state->font != nullptr) DeleteObject(state->font);
    state->font = font;
  }
  InvalidateRect(window, nullptr, TRUE);
}

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
      state->bar =
          CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | PBS_SMOOTH,
                          kBar.left, kBar.top, kBar.right - kBar.left, kBar.bottom - kBar.top,
                          window, nullptr, state->instance, nullptr);
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
      area.bottom -= Scaled(kTextMarginBottom, state != nullptr ? state->dpi : kBaseDpi);
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
    case WM_DPICHANGED:
      // Moved to a monitor of another scale: the system suggests the place.
      if (state != nullptr) {
        Layout(window, state, HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      }
      return 0;
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

  HWND window =
      CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, kCaption, WS_CAPTION | WS_SYSMENU, 0, 0,
                      kWidth, kHeight, nullptr, nullptr, state->instance, state.get());
  if (window == nullptr) {
    SetEvent(state->ready.get());
    return 0;
  }
  Layout(window, state.get(), DpiOf(window), nullptr);
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
