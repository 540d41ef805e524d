#include "platform/win32/window_class.h"

#include <atomic>

namespace platform {
namespace win32 {

WindowClass::~WindowClass() { Unregister(); }

void WindowClass::Unregister() {
  if (atom_ != 0) UnregisterClassW(MAKEINTATOM(atom_), instance_);
  atom_ = 0;
}

bool WindowClass::RegisterUnique(WNDCLASSEXW design, const wchar_t* prefix) {
  static std::atomic<unsigned> serial{0};
  return RegisterNamed(
      design, (std::wstring(prefix) + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
               std::to_wstring(serial.fetch_add(1)))
                  .c_str());
}

bool WindowClass::RegisterNamed(WNDCLASSEXW design, const wchar_t* name) {
  Unregister();
  name_ = name;
  design.cbSize = sizeof design;
  if (design.hInstance == nullptr) design.hInstance = GetModuleHandleW(nullptr);
  design.lpszClassName = name_.c_str();
  instance_ = design.hInstance;
  atom_ = RegisterClassExW(&design);
  return atom_ != 0;
}

}  // namespace win32
}  // namespace platform
