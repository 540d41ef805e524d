// The hidden application window a second interactive instance looks for
// (class "TApplication", title "Zantor"): raising it brings the main
// window back to the front, restored when it was minimised.
#ifndef UPDATER_HOST_APPLICATION_WINDOW_H_
#define UPDATER_HOST_APPLICATION_WINDOW_H_

#include <windows.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/window_class.h"

namespace host {

class ApplicationWindow {
 public:
  ApplicationWindow() = default;
  ApplicationWindow(const ApplicationWindow&) = delete;
  ApplicationWindow& operator=(const ApplicationWindow&) = delete;

  bool Create(HINSTANCE instance);
  void SetMainWindow(HWND main) { main_ = main; }
  HWND hwnd() const { return window_.get(); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void BringMainForward();

  // Declared before the window, which goes first.
  platform::win32::WindowClass class_;
  platform::win32::UniqueWindow window_;
  HWND main_ = nullptr;
};

}  // namespace host

#endif  // UPDATER_HOST_APPLICATION_WINDOW_H_
