// Terma on Windows: a small window with the licence in the user's language
// (Japanese for a Japanese UI language, else English), "Agree" and "Do not
// agree". Agree starts the unpacked Zantor.exe (one folder up) and waits until
// it ends; Do not agree, or closing the window, ends Terma at once.
//
// Exit codes: 0 after Zantor ended (1 when it could not start or failed),
// 2 when the user did not agree, 3 when the licence page is missing.
#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/process.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "tools/terma/licence_text.h"

namespace {

using platform::win32::Utf8ToWide;

constexpr int kWidth = 560;
constexpr int kHeight = 440;
constexpr int kAgreeId = 101;
constexpr int kDeclineId = 102;
constexpr int kExitDeclined = 2;
constexpr int kExitNoPage = 3;

struct Viewer {
  std::wstring dir;  // Terma's folder, without the trailing separator
  int result = kExitDeclined;
  HWND text = nullptr, agree = nullptr, decline = nullptr;
  platform::win32::UniqueFont font;
};

std::wstring OwnDirectory() {
  wchar_t buffer[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, sizeof buffer / sizeof buffer[0]);
  std::wstring path(buffer, n);
  return path.substr(0, path.find_last_of(L"\\/"));
}

std::string ReadFile(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  if (!file) return std::string();
  std::stringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::wstring WithCrLf(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\n') out += L'\r';
    out += c;
  }
  return out;
}

int RunZantor(const std::wstring& dir) {
  platform::ProcessSpec spec;
  spec.argv = {platform::win32::WideToUtf8(dir + L"\\..\\Zantor.exe")};
  spec.directory = platform::win32::WideToUtf8(dir + L"\\..");
  const platform::ProcessResult run = platform::RunProcess(spec);
  return run.end == platform::ProcessEnd::kExited && run.exit_code == 0 ? 0 : 1;
}

void Layout(Viewer* viewer, HWND window) {
  RECT area;
  GetClientRect(window, &area);
  const int w = area.right, h = area.bottom;
  MoveWindow(viewer->text, 10, 10, w - 20, h - 62, TRUE);
  MoveWindow(viewer->agree, w - 250, h - 42, 110, 30, TRUE);
  MoveWindow(viewer->decline, w - 130, h - 42, 120, 30, TRUE);
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* viewer = reinterpret_cast<Viewer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_CREATE:
      SetWindowLongPtrW(
          window, GWLP_USERDATA,
          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
      return 0;
    case WM_SIZE:
      if (viewer != nullptr && viewer->text != nullptr) Layout(viewer, window);
      return 0;
    case WM_COMMAND:
      if (viewer != nullptr && LOWORD(wparam) == kAgreeId) {
        // The window goes before Zantor shows its own.
        ShowWindow(window, SW_HIDE);
        viewer->result = RunZantor(viewer->dir);
        DestroyWindow(window);
      } else if (viewer != nullptr && LOWORD(wparam) == kDeclineId) {
        viewer->result = kExitDeclined;
        DestroyWindow(window);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  Viewer viewer;
  viewer.dir = OwnDirectory();
  const std::string language = terma::LanguageFromLangId(PRIMARYLANGID(GetUserDefaultUILanguage()));
  const std::string page =
      ReadFile(viewer.dir + L"\\" + Utf8ToWide(terma::LicencePagePath(language, '\\')));
  const std::string ini = ReadFile(viewer.dir + L"\\Terma.ini");
  auto text = [&](const char* key, const char* fallback) {
    return Utf8ToWide(terma::IniText(ini, language, key, fallback));
  };
  if (page.empty()) {
    MessageBoxW(nullptr, L"The licence page is missing.",
                text("Title", "Licence agreement").c_str(), MB_OK | MB_ICONERROR);
    return kExitNoPage;
  }

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = ViewerProc;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"TermaLicenceViewer";
  RegisterClassExW(&window_class);

  const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  HWND window = CreateWindowExW(0, window_class.lpszClassName,
                                text("Title", "Licence agreement").c_str(), WS_OVERLAPPEDWINDOW, x,
                                y, kWidth, kHeight, nullptr, nullptr, instance, &viewer);
  if (window == nullptr) return 1;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    viewer.font.reset(CreateFontIndirectW(&metrics.lfMessageFont));
  }
  viewer.text = CreateWindowExW(
      WS_EX_CLIENTEDGE, L"EDIT", WithCrLf(Utf8ToWide(terma::HtmlToText(page))).c_str(),
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0, 0, 0,
      window, nullptr, instance, nullptr);
  viewer.agree = CreateWindowExW(0, L"BUTTON", text("Agree", "Agree").c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0,
                                 window, reinterpret_cast<HMENU>(kAgreeId), instance, nullptr);
  viewer.decline =
      CreateWindowExW(0, L"BUTTON", text("Decline", "Do not agree").c_str(),
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0, 0, window,
                      reinterpret_cast<HMENU>(kDeclineId), instance, nullptr);
  for (HWND control : {viewer.text, viewer.agree, viewer.decline}) {
    if (viewer.font) {
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(viewer.font.get()), TRUE);
    }
  }
  Layout(&viewer, window);
  ShowWindow(window, show == SW_HIDE ? SW_SHOWNORMAL : show);
  UpdateWindow(window);
  SetFocus(viewer.decline);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return viewer.result;
}
