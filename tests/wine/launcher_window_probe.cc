// Looks at fwlauncher's and Terma's windows from outside, through the same
// Win32 calls any program could make, for the Wine tests:
//
//   launcher_window_probe startup SECONDS   wait for the start-up window; print
//                                           caption, size, bar position/range
//   launcher_window_probe gone SECONDS      wait until it is gone; print the ms
//   launcher_window_probe terma SECONDS     wait for Terma's window; print caption
//   launcher_window_probe decline           press Terma's "Do not agree"
//   launcher_window_probe agree             press Terma's "Agree"
//   launcher_window_probe zantor SECONDS    wait for Zantor's main window, print its
//                                           caption, close it as the user would
//   launcher_window_probe close             the start-up window's close button
//   launcher_window_probe dismiss SECONDS   wait for a message box, print its text, press OK
//   launcher_window_probe count             start-up windows there now
//   launcher_window_probe version PROGRAM   its version resource's description and
//                                           version, and whether it has an icon
//
// Exit code 0 when what was waited for happened, 1 otherwise.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
  char buffer[512];
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
  return n > 0 ? std::string(buffer) : std::string();
}

HWND Find(const wchar_t* window_class) { return FindWindowW(window_class, nullptr); }

HWND WaitFor(const wchar_t* window_class, int seconds) {
  const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
  while (static_cast<LONG>(deadline - GetTickCount()) > 0) {
    HWND window = Find(window_class);
    if (window != nullptr && IsWindowVisible(window)) return window;
    Sleep(50);
  }
  return nullptr;
}

BOOL CALLBACK FindZantor(HWND window, LPARAM found) {
  wchar_t name[64];
  if (IsWindowVisible(window) && GetClassNameW(window, name, 64) &&
      wcsncmp(name, L"ZantorMainWindow", 16) == 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

std::string VersionText(const std::wstring& program, const wchar_t* key) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
  if (size == 0) return std::string();
  std::string data(size, '\0');
  if (!GetFileVersionInfoW(program.c_str(), 0, size, &data[0])) return std::string();
  wchar_t* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
  if (!VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) {
    return std::string();
  }
  return Utf8(value);
}

BOOL CALLBACK CountStartup(HWND window, LPARAM count) {
  wchar_t name[64];
  if (GetClassNameW(window, name, 64) && wcscmp(name, L"StartupDialogClass") == 0) {
    ++*reinterpret_cast<int*>(count);
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  // Real pixels: a probe unaware of the scale would see other programs'
  // windows shrunk back to 96 DPI.
  SetProcessDPIAware();
  const std::string mode = argv[1];
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
  if (mode == "startup") {
    HWND window = WaitFor(L"StartupDialogClass", seconds);
    if (window == nullptr) {
      std::printf("no start-up window\n");
      return 1;
    }
    wchar_t caption[128];
    GetWindowTextW(window, caption, 128);
    RECT rect;
    GetWindowRect(window, &rect);
    HWND bar = FindWindowExW(window, nullptr, PROGRESS_CLASSW, nullptr);
    RECT bar_rect{};
    if (bar != nullptr) {
      GetWindowRect(bar, &bar_rect);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&bar_rect), 2);
    }
    const LRESULT high = bar ? SendMessageW(bar, PBM_GETRANGE, FALSE, 0) : -1;
    const LRESULT low = bar ? SendMessageW(bar, PBM_GETRANGE, TRUE, 0) : -1;
    const LONG ex_style = GetWindowLongW(window, GWL_EXSTYLE);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    std::printf("caption=%s\n", Utf8(caption).c_str());
    std::printf("size=%ldx%ld\n", rect.right - rect.left, rect.bottom - rect.top);
    RECT client{};
    GetClientRect(window, &client);
    std::printf("client=%ldx%ld\n", client.right, client.bottom);
    std::printf("modalframe=%d caption_style=%d sysmenu=%d\n",
                (ex_style & WS_EX_DLGMODALFRAME) != 0, (style & WS_CAPTION) == WS_CAPTION,
                (style & WS_SYSMENU) != 0);
    std::printf("bar=%d smooth=%d at=%ld,%ld size=%ldx%ld range=%ld..%ld pos=%ld\n", bar != nullptr,
                bar ? (GetWindowLongW(bar, GWL_STYLE) & PBS_SMOOTH) != 0 : 0, bar_rect.left,
                bar_rect.top, bar_rect.right - bar_rect.left, bar_rect.bottom - bar_rect.top,
                static_cast<long>(low), static_cast<long>(high),
                bar ? static_cast<long>(SendMessageW(bar, PBM_GETPOS, 0, 0)) : -1L);
    return 0;
  }
  if (mode == "gone") {
    const DWORD start = GetTickCount();
    const DWORD deadline = start + static_cast<DWORD>(seconds) * 1000;
    while (Find(L"StartupDialogClass") != nullptr) {
      if (static_cast<LONG>(deadline - GetTickCount()) <= 0) {
        std::printf("still there\n");
        return 1;
      }
      Sleep(20);
    }
    std::printf("gone_after_ms=%lu\n", GetTickCount() - start);
    return 0;
  }
  if (mode == "terma") {
    HWND window = WaitFor(L"TermaLicenceViewer", seconds);
    if (window == nullptr) {
      std::printf("no Terma window\n");
      return 1;
    }
    wchar_t caption[128];
    GetWindowTextW(window, caption, 128);
    std::printf("terma=%s\n", Utf8(caption).c_str());
    return 0;
  }
  if (mode == "decline") {
    HWND window = Find(L"TermaLicenceViewer");
    HWND button = window ? GetDlgItem(window, 102) : nullptr;
    if (button == nullptr) return 1;
    wchar_t label[64];
    GetWindowTextW(button, label, 64);
    std::printf("pressed=%s\n", Utf8(label).c_str());
    PostMessageW(button, BM_CLICK, 0, 0);
    return 0;
  }
  if (mode == "agree") {
    HWND window = Find(L"TermaLicenceViewer");
    HWND button = window ? GetDlgItem(window, 101) : nullptr;
    if (button == nullptr) return 1;
    wchar_t label[64];
    GetWindowTextW(button, label, 64);
    std::printf("pressed=%s\n", Utf8(label).c_str());
    PostMessageW(button, BM_CLICK, 0, 0);
    return 0;
  }
  if (mode == "zantor") {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    HWND window = nullptr;
    while (window == nullptr && static_cast<LONG>(deadline - GetTickCount()) > 0) {
      EnumWindows(FindZantor, reinterpret_cast<LPARAM>(&window));
      if (window == nullptr) Sleep(100);
    }
    if (window == nullptr) {
      std::printf("no Zantor window\n");
      return 1;
    }
    wchar_t caption[128];
    GetWindowTextW(window, caption, 128);
    std::printf("zantor=%s\n", Utf8(caption).c_str());
    Sleep(1000);
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  if (mode == "version" && argc > 2) {
    wchar_t program[MAX_PATH];
    MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, program, MAX_PATH);
    HMODULE module = LoadLibraryExW(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const bool icon =
        module != nullptr && FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    const bool manifest =
        module != nullptr && FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    if (module != nullptr) FreeLibrary(module);
    std::printf("description=%s\nversion=%s\nicon=%d manifest=%d\n",
                VersionText(program, L"FileDescription").c_str(),
                VersionText(program, L"FileVersion").c_str(), icon, manifest);
    return 0;
  }
  if (mode == "close") {
    HWND window = Find(L"StartupDialogClass");
    if (window == nullptr) return 1;
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
  }
  if (mode == "dismiss") {
    HWND box = WaitFor(L"#32770", seconds);
    if (box == nullptr) {
      std::printf("no message box\n");
      return 1;
    }
    wchar_t caption[256] = L"";
    GetWindowTextW(box, caption, 256);
    std::printf("box=%s\n", Utf8(caption).c_str());
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    PostMessageW(box, WM_CLOSE, 0, 0);
    return 0;
  }
  if (mode == "count") {
    int count = 0;
    EnumWindows(CountStartup, reinterpret_cast<LPARAM>(&count));
    std::printf("startup_windows=%d\n", count);
    return 0;
  }
  return 2;
}
