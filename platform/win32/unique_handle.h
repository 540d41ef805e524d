// The owner of one Windows handle, for every kind the programs hold. A
// kind is a small traits type: the handle's type, the value that means
// "none" (null for most, INVALID_HANDLE_VALUE for files and pipes) and the
// one call that releases it.
#ifndef PLATFORM_WIN32_UNIQUE_HANDLE_H_
#define PLATFORM_WIN32_UNIQUE_HANDLE_H_

#include <windows.h>

#include <utility>

namespace platform {
namespace win32 {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : handle_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const { return handle_; }
  bool valid() const { return handle_ != Traits::None(); }
  explicit operator bool() const { return valid(); }

  void reset(Handle h = Traits::None()) {
    const Handle old = std::exchange(handle_, h);
    if (old != Traits::None()) Traits::Close(old);
  }
  Handle release() { return std::exchange(handle_, Traits::None()); }

  // Releases now and says whether the system agreed: CloseHandle reports
  // delayed write errors, which a writer must see. True when none was held.
  bool Close() {
    const Handle old = release();
    return old == Traits::None() || Traits::Close(old);
  }

  // For calls that return a handle through a pointer (CoCreateInstance,
  // RegOpenKeyEx): releases what is held and lends the slot.
  Handle* put() {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::None();
};

// Kernel objects whose "none" is null: processes, threads, mutexes, events.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle None() { return nullptr; }
  static bool Close(Handle h) { return CloseHandle(h) != 0; }
};
// Files and pipes: CreateFile's failure is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle None() { return INVALID_HANDLE_VALUE; }
  static bool Close(Handle h) { return CloseHandle(h) != 0; }
};
struct ModuleTraits {
  using Handle = HMODULE;
  static Handle None() { return nullptr; }
  static bool Close(Handle h) { return FreeLibrary(h) != 0; }
};
// Only for windows the program owns: top-level windows it created. Child
// controls go with their parent.
struct WindowTraits {
  using Handle = HWND;
  static Handle None() { return nullptr; }
  static bool Close(Handle h) { return DestroyWindow(h) != 0; }
};
// Fonts, brushes, pens and bitmaps (not stock objects, which need none).
template <typename Object>
struct GdiObjectTraits {
  using Handle = Object;
  static Handle None() { return nullptr; }
  static bool Close(Handle h) { return DeleteObject(h) != 0; }
};
struct MenuTraits {
  using Handle = HMENU;
  static Handle None() { return nullptr; }
  static bool Close(Handle h) { return DestroyMenu(h) != 0; }
};
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle None() { return nullptr; }
  static bool Close(Handle h) { return DeleteDC(h) != 0; }
};
struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle None() { return nullptr; }
  static bool Close(Handle h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};
// Memory the system allocated for the caller with LocalAlloc
// (FormatMessage, CommandLineToArgvW).
template <typename T>
struct LocalMemoryTraits {
  using Handle = T*;
  static Handle None() { return nullptr; }
  static bool Close(Handle p) { return LocalFree(p) == nullptr; }
};
// A COM interface pointer holds one reference.
template <typename Interface>
struct ComTraits {
  using Handle = Interface*;
  static Handle None() { return nullptr; }
  static bool Close(Handle p) {
    p->Release();
    return true;
  }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueWindow = UniqueHandle<WindowTraits>;
template <typename Object>
using UniqueGdiObject = UniqueHandle<GdiObjectTraits<Object>>;
using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;
template <typename T>
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits<T>>;
template <typename Interface>
using ComPtr = UniqueHandle<ComTraits<Interface>>;

}  // namespace win32
}  // namespace platform

#endif  // PLATFORM_WIN32_UNIQUE_HANDLE_H_
