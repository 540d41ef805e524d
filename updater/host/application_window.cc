#include "updater/host/application_window.h"

namespace host {

namespace {
constexpr wchar_t kClassName[] = L"TApplication";
constexpr wchar_t kTitle[] = L"Zantor";
}  // namespace

bool ApplicationWindow::Create(HINSTANCE instance) {
  WNDCLASSEXW design{};
  design.lpfnWndProc = Proc;
  design.hInstance = instance;
  if (!class_.RegisterNamed(design, kClassName)) return false;
  // Top-level (FindWindow skips message-only windows), never shown.
  window_.reset(CreateWindowExW(WS_EX_TOOLWINDOW, class_.name(), kTitle, WS_POPUP, 0, 0, 0, 0,
                                nullptr, nullptr, instance, nullptr));
  if (!window_) return false;
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  return true;
}

void ApplicationWindow::BringMainForward() {
  if (main_ == nullptr || !IsWindowVisible(main_)) return;
  if (IsIconic(main_)) ShowWindow(main_, SW_RESTORE);
  SetForegroundWindow(main_);
}

LRESULT CALLBACK ApplicationWindow::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<ApplicationWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
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
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace host
