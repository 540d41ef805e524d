// Owners of the Windows handles the window holds, one release call each.
#ifndef UPDATER_UI_WIN32_HANDLES_H_
#define UPDATER_UI_WIN32_HANDLES_H_

#include <windows.h>
#include <commctrl.h>

namespace ui {
namespace win32 {

// Owns one handle; Closer is the matching release call.
template <typename Handle, typename Closer>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle h) : handle_(h) {}
  ~Owned() { reset(); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Handle get() const { return handle_; }
  void reset(Handle h = nullptr) {
    if (handle_ != nullptr) Closer()(handle_);
    handle_ = h;
  }
  Handle release() {
    Handle h = handle_;
    handle_ = nullptr;
    return h;
  }

 private:
  Handle handle_ = nullptr;
};

struct DestroyImageList {
  void operator()(HIMAGELIST h) const { ImageList_Destroy(h); }
};
struct DeleteFont {
  void operator()(HFONT h) const { DeleteObject(h); }
};
struct DestroyMenuHandle {
  void operator()(HMENU h) const { DestroyMenu(h); }
};
struct DestroyAccelerators {
  void operator()(HACCEL h) const { DestroyAcceleratorTable(h); }
};

struct DeleteGdiObject {
  void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct DeleteDc {
  void operator()(HDC h) const { DeleteDC(h); }
};

// The device context of a window (null: the screen) for one scope.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a DC for one scope.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~Selection() { SelectObject(dc_, previous_); }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_HANDLES_H_
