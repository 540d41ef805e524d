// The window's own kinds of handle for the one owner template, and two
// scopes of GDI drawing.
#ifndef UPDATER_UI_WIN32_HANDLES_H_
#define UPDATER_UI_WIN32_HANDLES_H_

#include <windows.h>
#include <commctrl.h>

#include "platform/win32/unique_handle.h"

namespace ui {
namespace win32 {

using platform::win32::UniqueFont;
using platform::win32::UniqueGdiObject;
using platform::win32::UniqueMemoryDc;
using platform::win32::UniqueMenu;
using platform::win32::UniqueModule;

struct ImageListTraits {
  using Handle = HIMAGELIST;
  static Handle None() { return nullptr; }
  static bool Close(Handle h) { return ImageList_Destroy(h) != FALSE; }
};
struct AcceleratorTraits {
  using Handle = HACCEL;
  static Handle None() { return nullptr; }
  static bool Close(Handle h) { return DestroyAcceleratorTable(h) != FALSE; }
};
using UniqueImageList = platform::win32::UniqueHandle<ImageListTraits>;
using UniqueAccelerators = platform::win32::UniqueHandle<AcceleratorTraits>;

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
