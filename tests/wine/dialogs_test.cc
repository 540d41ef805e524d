// The three dialogs with their real templates and controls under Wine: keys
// and characters are posted to the focused control while the dialog's own
// modal loop runs, so the dialog manager and the controls handle them as a
// user's typing. Also: adapter rows with the registry's display name, the
// program's version resource and icon, and (with ZT_SHOT_DIR) a picture of
// every dialog.
//
//   dialogs_tests.exe [gtest options]   the tests
//   dialogs_tests.exe --list-adapters   one "ID ADDRESS" line per adapter
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <iphlpapi.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/adapters.h"
#include "platform/text_file.h"
#include "tests/support/form_harness.h"
#include "updater/ui/dialog_commands.h"
#include "platform/win32/wide_text.h"
#include "updater/ui/dialog_texts.h"
#include "updater/ui/win32/app_icon_rc.h"
#include "updater/ui/win32/dialogs/about_form.h"
#include "updater/ui/win32/dialogs/about_form_rc.h"
#include "updater/ui/win32/dialogs/adapter_form.h"
#include "updater/ui/win32/dialogs/adapter_form_rc.h"
#include "updater/ui/win32/dialogs/dialog_view_win32.h"
#include "updater/ui/win32/dialogs/ip_edit_form.h"
#include "updater/ui/win32/dialogs/ip_edit_form_rc.h"

namespace ui {
namespace win32 {
namespace {

using platform::win32::Utf8ToWide;
using platform::win32::WideToUtf8;
using Step = std::function<void(HWND dialog)>;

// Runs one step per timer tick while a dialog is up; a dialog still open
// long after the last step is ended so that a fault cannot hang the run.
class Script {
 public:
  static void Start(const ModalDialog* dialog, std::vector<Step> steps) {
    dialog_ = dialog;
    steps_ = std::move(steps);
    next_ = 0;
    idle_ = 0;
    timer_ = SetTimer(nullptr, 0, 30, &Script::Tick);
  }
  static void Stop() {
    KillTimer(nullptr, timer_);
    timer_ = 0;
  }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    const HWND dialog = dialog_->hwnd();
    if (dialog == nullptr) return;
    if (next_ < steps_.size()) {
      steps_[next_++](dialog);
    } else if (++idle_ > 100) {
      ADD_FAILURE() << "the dialog did not close";
      EndDialog(dialog, -1);
    }
  }
  static inline const ModalDialog* dialog_ = nullptr;
  static inline std::vector<Step> steps_;
  static inline size_t next_ = 0;
  static inline int idle_ = 0;
  static inline UINT_PTR timer_ = 0;
};

void Key(WPARAM vk) {
  const HWND target = GetFocus();
  PostMessageW(target, WM_KEYDOWN, vk, 1);
  PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
}
void Type(const std::string& text) {
  for (char c : text) PostMessageW(GetFocus(), WM_CHAR, static_cast<unsigned char>(c), 1);
}
std::string Text(HWND dialog, int id) {
  wchar_t text[64] = L"";
  GetDlgItemTextW(dialog, id, text, 64);
  return WideToUtf8(text);
}
std::string Window(HWND window) {
  wchar_t text[256] = L"";
  GetWindowTextW(window, text, 256);
  return WideToUtf8(text);
}
int FocusId() { return GetDlgCtrlID(GetFocus()); }

// Saves the dialog as it is on the screen (frame included) as a 24-bit BMP.
void Capture(HWND window, const std::string& path) {
  RECT r{};
  GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((w * 3 + 3) / 4) * 4;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + stride * h;
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, f);
    std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f);
    std::fwrite(bits, 1, stride * h, f);
    std::fclose(f);
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

TEST(IpEditForm, TypingFocusAndTheKeysThatCloseIt) {
  TIPEditForm form(Instance());
  std::vector<std::string> seen;
  Script::Start(&form, {
                           [](HWND d) { SetFocus(GetDlgItem(d, IDC_IP_EDIT1)); },
                           [](HWND d) {
                             SendDlgItemMessageW(d, IDC_IP_EDIT1, EM_SETSEL, 0, -1);
                             Type("300");
                           },
                           [](HWND) { Key(VK_TAB); },
                           [&](HWND d) {
                             seen.push_back(Text(d, IDC_IP_EDIT1));  // normalised on leaving
                             seen.push_back(std::to_string(FocusId() == IDC_IP_EDIT2));
                             Type("007");  // the tab selected the box's "0"
                           },
                           [](HWND) { Key(VK_TAB); },
                           [&](HWND d) {
                             seen.push_back(Text(d, IDC_IP_EDIT2));
                             Type("a1b.9-");  // only digits reach the box, three at most
                           },
                           [](HWND) { Type("99"); },
                           [&](HWND d) {
                             seen.push_back(Text(d, IDC_IP_EDIT3));
                             Key(VK_RETURN);
                           },
                           [&](HWND d) {
                             seen.push_back(std::to_string(IsWindowVisible(d) !=
                                                           0));  // Enter did not close it
                             Key(VK_TAB);
                           },
                           [](HWND) { Type("\b"); },  // backspace empties the last box
                           [&](HWND d) {
                             seen.push_back(Text(d, IDC_IP_EDIT4));
                             Key(VK_TAB);
                           },
                           [&](HWND d) {
                             seen.push_back(Text(d, IDC_IP_EDIT4));
                             seen.push_back(std::to_string(FocusId() == IDC_IP_OK));
                             PostMessageW(GetDlgItem(d, IDC_IP_OK), BM_CLICK, 0, 0);
                           },
                       });
  EXPECT_TRUE(form.Execute(nullptr));
  Script::Stop();
  EXPECT_EQ(seen, (std::vector<std::string>{"255", "1", "7", "199", "1", "", "0", "1"}));
  EXPECT_EQ(form.Address(), "255.7.199.0");

  // Shown again: the boxes keep their octets; each way of Esc closes it
  // without the result, and the boxes keep what was typed.
  struct Close {
    const char* how;
    Step step;
  } closes[] = {
      {"Esc in a box",
       [](HWND d) {
         SetFocus(GetDlgItem(d, IDC_IP_EDIT2));
         Key(VK_ESCAPE);
       }},
      {"Esc typed as a character",
       [](HWND d) {
         SetFocus(GetDlgItem(d, IDC_IP_EDIT3));
         PostMessageW(GetFocus(), WM_CHAR, 27, 1);
       }},
      {"Esc on OK",
       [](HWND d) {
         SetFocus(GetDlgItem(d, IDC_IP_OK));
         Key(VK_ESCAPE);
       }},
      {"Cancel", [](HWND d) { PostMessageW(GetDlgItem(d, IDC_IP_CANCEL), BM_CLICK, 0, 0); }},
      {"close box", [](HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const Close& c : closes) {
    std::string shown;
    Script::Start(&form, {[&](HWND d) {
                            shown = Text(d, IDC_IP_EDIT1) + "." + Text(d, IDC_IP_EDIT2) + "." +
                                    Text(d, IDC_IP_EDIT3) + "." + Text(d, IDC_IP_EDIT4);
                          },
                          c.step});
    EXPECT_FALSE(form.Execute(nullptr)) << c.how;
    Script::Stop();
    EXPECT_EQ(shown, "255.7.199.0") << c.how;
  }
}

TEST(IpEditForm, CaptionsAreTheSameInBothLanguages) {
  TIPEditForm form(Instance());
  std::vector<std::string> seen;
  Script::Start(&form, {[&](HWND d) {
    seen = {Window(d), Text(d, IDC_IP_OK), Text(d, IDC_IP_CANCEL),
            std::to_string(SendDlgItemMessageW(d, IDC_IP_OK, WM_GETDLGCODE, 0, 0) &
                           DLGC_DEFPUSHBUTTON)};
    PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
  }});
  form.Execute(nullptr);
  Script::Stop();
  EXPECT_EQ(seen, (std::vector<std::string>{kIpEditCaption, kOkCaption, kCancelCaption, "0"}));
}

struct AdapterRecorder final : AdapterFormEvents {
  std::vector<std::string> calls;
  const TAdapterForm* form = nullptr;
  void AdapterListSelectItem(const std::string& address) override {
    calls.push_back("bind " + address);
  }
  void AdapterOkClick() override {
    calls.push_back("refresh, rows left " + std::to_string(form->Rows().size()));
  }
};

TEST(AdapterForm, RowsSortedSelectionBindsOkRefreshes) {
  TAdapterForm form(Instance(), [] {
    return std::vector<platform::AdapterRow>{
        {"Wi-Fi", "192.168.1.5"}, {"Ethernet", "10.0.0.2"}, {"Bluetooth", "0.0.0.0"}};
  });
  AdapterRecorder events;
  events.form = &form;
  for (Language language : {Language::English, Language::Japanese}) {
    const AdapterDialogTexts texts = AdapterTexts(language);
    std::vector<std::string> seen;
    Script::Start(&form, {
                             [&](HWND d) {
                               seen.push_back(Window(d));
                               const HWND list = GetDlgItem(d, IDC_ADAPTER_LIST);
                               for (int c = 0; c < 2; ++c) {
                                 wchar_t name[64] = L"";
                                 LVCOLUMNW column{};
                                 column.mask = LVCF_TEXT | LVCF_WIDTH;
                                 column.pszText = name;
                                 column.cchTextMax = 64;
                                 ListView_GetColumn(list, c, &column);
                                 seen.push_back(WideToUtf8(name) + " " + std::to_string(column.cx));
                               }
                               for (const auto& row : form.Rows())
                                 seen.push_back(row.name + " " + row.address);
                               ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED,
                                                     LVIS_SELECTED | LVIS_FOCUSED);
                             },
                             [](HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); },
                         });
    events.calls.clear();
    form.Show(nullptr, language, &events);
    Script::Stop();
    EXPECT_EQ(seen, (std::vector<std::string>{texts.caption, texts.device_column + " 200",
                                              texts.address_column + " 200", "Bluetooth 0.0.0.0",
                                              "Ethernet 10.0.0.2", "Wi-Fi 192.168.1.5"}));
    // Selecting binds at once; the close box does not refresh.
    EXPECT_EQ(events.calls, std::vector<std::string>{"bind 10.0.0.2"});
  }
  Script::Start(&form,
                {[](HWND d) { PostMessageW(GetDlgItem(d, IDC_ADAPTER_OK), BM_CLICK, 0, 0); }});
  events.calls.clear();
  form.Show(nullptr, Language::English, &events);
  Script::Stop();
  EXPECT_EQ(events.calls, std::vector<std::string>{"refresh, rows left 0"});
}

// The script that runs this test wrote a display name for the first
// adapter with `wine reg add`: two subkeys with a "Name" and one without.
TEST(AdapterForm, DisplayNameFromTheRegistry) {
  const char* id = std::getenv("ZT_ADAPTER_ID");
  const char* name = std::getenv("ZT_ADAPTER_NAME");
  if (id == nullptr || name == nullptr) GTEST_SKIP() << "no adapter id from the script";
  EXPECT_EQ(platform::AdapterDisplayName(id), name);
  EXPECT_EQ(platform::AdapterDisplayName("{00000000-0000-0000-0000-000000000000}"), "");
  bool found = false;
  for (const auto& row : platform::ListAdapterRows()) found = found || row.name == name;
  EXPECT_TRUE(found) << "no adapter row is named " << name;
}

TEST(AboutForm, TextsPerLanguageAndTheTenthDoubleClick) {
  update::Settings settings;
  settings.exeName = "Zantor_L04V512";
  settings.prgVersion = "5.12.0.0";
  settings.prgDateE = "Dec 9, 2026";
  settings.prgDateJ = "2026年12月9日";
  settings.copyright = "Copyright (C) Zantor project";
  TAboutForm form(Instance());
  std::vector<InformationBox> shown;
  form.set_information_shower([&](HWND, const InformationBox& box) { shown.push_back(box); });
  for (Language language : {Language::English, Language::Japanese}) {
    const AboutTexts texts = MakeAboutTexts(language, settings, "QJ-L04");
    std::vector<std::string> seen;
    Script::Start(&form, {[&](HWND d) {
      seen = {Window(d),
              Text(d, IDC_ABOUT_EXE_NAME),
              Text(d, IDC_ABOUT_TOOL_NAME),
              Text(d, IDC_ABOUT_TOOL_VERSION),
              Text(d, IDC_ABOUT_TOOL_BUILD),
              Text(d, IDC_ABOUT_MAKER),
              Text(d, IDC_ABOUT_COPYRIGHT),
              std::to_string(SendDlgItemMessageW(d, IDC_ABOUT_IMAGE, STM_GETICON, 0, 0) != 0)};
      // Seven double-clicks on the icon in this show.
      for (int i = 0; i < 7; ++i) {
        SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_IMAGE, STN_DBLCLK),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_ABOUT_IMAGE)));
      }
      Key(VK_ESCAPE);
    }});
    form.Show(nullptr, language, texts);
    Script::Stop();
    EXPECT_EQ(seen, (std::vector<std::string>{texts.caption, texts.exe_name, texts.tool_name,
                                              texts.tool_version, texts.tool_build, "KAVRO",
                                              texts.copyright, "1"}));
  }
  // The count runs across shows: the tenth came in the second, in Japanese.
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "情報");
  EXPECT_EQ(form.counter().count(), 4);
}

// The real double-click on the icon reaches the counter: the static
// control sends STN_DBLCLK.
TEST(AboutForm, MouseDoubleClickOnTheIcon) {
  TAboutForm form(Instance());
  int shown = 0;
  form.set_information_shower([&](HWND, const InformationBox&) { ++shown; });
  Script::Start(&form, {[](HWND d) {
    const HWND image = GetDlgItem(d, IDC_ABOUT_IMAGE);
    for (int i = 0; i < 10; ++i) {
      SendMessageW(image, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
      SendMessageW(image, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
      SendMessageW(image, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
      SendMessageW(image, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    PostMessageW(GetDlgItem(d, IDC_ABOUT_OK), BM_CLICK, 0, 0);
  }});
  form.Show(nullptr, Language::English, AboutTexts{});
  Script::Stop();
  EXPECT_EQ(shown, 1);
}

// Zantor.exe as Explorer sees it: version 5.12.0.0 and our icon first.
TEST(ProgramResources, VersionAndIcon) {
  const char* exe = std::getenv("ZT_ZANTOR_EXE");
  if (exe == nullptr) GTEST_SKIP() << "ZT_ZANTOR_EXE not set";
  const std::wstring path = Utf8ToWide(exe);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x0005000Cu);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x0005000Cu);
  for (const wchar_t* key : {L"ProductName", L"FileDescription"}) {
    wchar_t* value = nullptr;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
    ASSERT_TRUE(
        VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length));
    EXPECT_NE(WideToUtf8(value).find("Zantor"), std::string::npos);
  }
  const HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(IDI_ZANTOR), RT_GROUP_ICON), nullptr);
  const HICON icon =
      static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_ZANTOR), IMAGE_ICON, 32, 32, 0));
  EXPECT_NE(icon, nullptr);
  if (icon != nullptr) DestroyIcon(icon);
  FreeLibrary(module);
}

// The window's import command end to end: the system's open-file dialog
// (answered by typing the name and pressing Open), the platform's text
// reader on a UTF-16 file with the edge-case lines, and the main window's
// logic, which sends one query for the only valid line.
void CALLBACK AnswerOpenDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  static std::wstring path;
  if (path.empty()) {
    const wchar_t* env = _wgetenv(L"ZT_IMPORT_FILE");
    path = env != nullptr ? env : L"";
  }
  const HWND dialog = FindWindowW(L"#32770", nullptr);
  if (dialog == nullptr) return;
  KillTimer(nullptr, timer);
  SetDlgItemTextW(dialog, 0x47C, path.c_str());  // cmb13, the file-name box
  SetDlgItemTextW(dialog, 0x480, path.c_str());  // edt1 of the older layout
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

TEST(DialogCommandsWine, ImportThroughTheOpenFileDialog) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring file = std::wstring(temp) + L"zantor-import-16.txt";
  // UTF-16 LE with its mark.
  const std::u16string lines =
      u"192.168.001.010\r\n10.0.0.256\r\n10.0.0\r\n10.0.0.1.2\r\n10.0.0.0000000000000000001\r\n";
  if (FILE* f = _wfopen(file.c_str(), L"wb")) {
    std::fputc(0xFF, f);
    std::fputc(0xFE, f);
    std::fwrite(lines.data(), 2, lines.size(), f);
    std::fclose(f);
  }
  _wputenv_s(L"ZT_IMPORT_FILE", file.c_str());

  testing_support::FormHarness h;
  h.form.FormShow(1033);
  h.loop.ProcessPending();
  h.ClearSent();
  Win32DialogView dialogs(Instance());
  update::Settings settings;
  DialogCommands commands(h.form, h.view, dialogs, settings, "QJ-L04", platform::ReadTextLines);
  const UINT_PTR timer = SetTimer(nullptr, 0, 200, &AnswerOpenDialog);
  commands.ImportAddressListItemClick();
  KillTimer(nullptr, timer);
  h.loop.ProcessPending();
  EXPECT_EQ(h.Sent(), std::vector<std::string>{"info 192.168.1.10"});
  EXPECT_TRUE(h.view.questions.empty());
  DeleteFileW(file.c_str());
}

// Pictures of the dialogs in ZT_SHOT_LANG (en or ja) into ZT_SHOT_DIR.
TEST(DialogShots, EveryDialog) {
  const char* dir = std::getenv("ZT_SHOT_DIR");
  if (dir == nullptr) GTEST_SKIP() << "ZT_SHOT_DIR not set";
  const char* lang_env = std::getenv("ZT_SHOT_LANG");
  const std::string lang = lang_env != nullptr ? lang_env : "en";
  const Language language = lang == "ja" ? Language::Japanese : Language::English;
  auto shoot = [&](const char* name) {
    return [path = std::string(dir) + "\\dialog-" + name + "-" + lang + ".bmp"](HWND d) {
      Capture(d, path);
      PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
    };
  };
  Step settle = [](HWND d) { UpdateWindow(d); };
  TAdapterForm adapters(Instance(), [] {
    return std::vector<platform::AdapterRow>{{"Ethernet", "10.213.0.2"}, {"Wi-Fi", "192.168.1.5"}};
  });
  Script::Start(&adapters, {settle, settle, settle, shoot("adapter")});
  adapters.Show(nullptr, language, nullptr);
  Script::Stop();

  TIPEditForm ip(Instance());
  Script::Start(&ip, {settle,
                      [](HWND d) {
                        SetFocus(GetDlgItem(d, IDC_IP_EDIT1));
                        SendDlgItemMessageW(d, IDC_IP_EDIT1, EM_SETSEL, 0, -1);
                        Type("192");
                      },
                      settle, settle, shoot("ipedit")});
  ip.Execute(nullptr);
  Script::Stop();

  update::Settings settings;
  settings.exeName = "Zantor_L04V512";
  settings.prgVersion = "5.12.0.0";
  settings.prgDateE = "Dec 9, 2026";
  settings.prgDateJ = "2026年12月9日";
  settings.copyright = "Copyright (C) Zantor project";
  TAboutForm about(Instance());
  Script::Start(&about, {settle, settle, settle, shoot("about")});
  about.Show(nullptr, language, MakeAboutTexts(language, settings, "QJ-L04"));
  Script::Stop();
}

}  // namespace
}  // namespace win32
}  // namespace ui

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&icc);
  if (argc > 1 && std::string(argv[1]) == "--list-adapters") {
    // The identifiers GetAdaptersInfo gives, for the script's registry keys.
    ULONG size = 0;
    GetAdaptersInfo(nullptr, &size);
    std::vector<char> buffer(size + 1);
    auto* info = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
    if (size != 0 && GetAdaptersInfo(info, &size) == NO_ERROR) {
      for (const IP_ADAPTER_INFO* a = info; a != nullptr; a = a->Next) {
        std::printf("%s %s\n", a->AdapterName, a->IpAddressList.IpAddress.String);
      }
    }
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
