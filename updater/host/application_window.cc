#include "updater/host/application_window.h"

namespace host {

namespace {
constexpr char kClassName[] = "TApplication";
constexpr char kTitle[] = "Zantor";
}  // namespace

ApplicationWindow::~ApplicationWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  if (registered_) UnregisterClassA(kClassName, instance_);
}

bool ApplicationWindow::Create(HINSTANCE instance) {
  instance_ = instance;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.lpszClassName = kClassName;
  registered_ = RegisterClassA(&wc) != 0;
  if (!registered_) return false;
  // Top-level (FindWindow skips message-only windows), never shown.
  hwnd_ = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, kTitle, WS_POPUP, 0, 0, 0, 0, nullptr,
                          nullptr, instance, nullptr);
  if (hwnd_ == nullptr) return false;
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  return true;
}

void ApplicationWindow::BringMainForward() {
  if (main_ == nullptr || !IsWindowVisible(main_)) return;
  if (IsIconic(main_)) ShowWindow(main_, SW_RESTORE);
  SetForegroundWindow(main_);
}

LRESULT CALLBACK ApplicationWindow::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<ApplicationWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self != nullptr) {
    if (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_RESTORE) {
      self->BringMainForward();
      return 0;
    }
    // SetForegroundWindow from the second instance lands here.
    if (message == WM_ACTIVATE && LOWORD(wparam) != WA_INACTIVE) {
      self->BringMainForward();
      return 0;
    }
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace host
