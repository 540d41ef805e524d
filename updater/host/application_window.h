// The hidden application window a second interactive instance looks for
// (class "TApplication", title "Zantor"): raising it brings the main
// window back to the front, restored when it was minimised.
#ifndef UPDATER_HOST_APPLICATION_WINDOW_H_
#define UPDATER_HOST_APPLICATION_WINDOW_H_

#include <windows.h>

namespace host {

class ApplicationWindow {
 public:
  ApplicationWindow() = default;
  ~ApplicationWindow();
  ApplicationWindow(const ApplicationWindow&) = delete;
  ApplicationWindow& operator=(const ApplicationWindow&) = delete;

  bool Create(HINSTANCE instance);
  void SetMainWindow(HWND main) { main_ = main; }
  HWND hwnd() const { return hwnd_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void BringMainForward();

  HINSTANCE instance_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND main_ = nullptr;
  bool registered_ = false;
};

}  // namespace host

#endif  // UPDATER_HOST_APPLICATION_WINDOW_H_
