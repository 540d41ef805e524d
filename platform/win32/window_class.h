// The owner of one registered window class. By default each owner registers
// under a name of its own (prefix, process id, serial), so windows of the
// same kind can be created and destroyed in any order without one
// unregistering a class another still uses; a class that other programs
// look for by name is registered under that fixed name.
#ifndef PLATFORM_WIN32_WINDOW_CLASS_H_
#define PLATFORM_WIN32_WINDOW_CLASS_H_

#include <windows.h>

#include <string>

namespace platform {
namespace win32 {

class WindowClass {
 public:
  WindowClass() = default;
  ~WindowClass();
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;

  // Registers `design` (its lpszClassName is ignored) under a fresh name
  // that begins with `prefix`. False when Windows refused; any class held
  // before is unregistered first.
  bool RegisterUnique(WNDCLASSEXW design, const wchar_t* prefix);
  // Registers under exactly `name`.
  bool RegisterNamed(WNDCLASSEXW design, const wchar_t* name);

  const wchar_t* name() const { return name_.c_str(); }
  ATOM atom() const { return atom_; }
  HINSTANCE instance() const { return instance_; }

 private:
  void Unregister();

  std::wstring name_;
  ATOM atom_ = 0;
  HINSTANCE instance_ = nullptr;
};

}  // namespace win32
}  // namespace platform

#endif  // PLATFORM_WIN32_WINDOW_CLASS_H_
