#include "updater/ui/win32/main_window.h"

#include <windowsx.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "updater/ui/win32/icons.h"
#include "updater/ui/win32/main_window_rc.h"

namespace ui {
namespace win32 {
namespace {

// Our own message: a row input to hand to the window logic once the list
// control has finished the input that caused it.
constexpr UINT kRowInputMessage = WM_APP + 1;

constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 6;
constexpr int kStripMargin = 8;
constexpr int kStopButtonMinWidth = 88;
constexpr int kWebConfigButtonMinWidth = 120;

struct ColumnDesign {
  const wchar_t* caption;
  int width;
  int format;
};
constexpr ColumnDesign kColumns[kColumnCount] = {
    {L"IP Address", 123, LVCFMT_LEFT}, {L"MAC Address", 117, LVCFMT_LEFT},
    {L"Version", 60, LVCFMT_RIGHT},    {L"%", 47, LVCFMT_RIGHT},
    {L"Status", 170, LVCFMT_LEFT},
};

// ---- Small helpers --------------------------------------------------------------

int ColumnOf(Component c) {
  switch (c) {
    case Component::ListColumn0:
      return 0;
    case Component::ListColumn1:
      return 1;
    case Component::ListColumn2:
      return 2;
    case Component::ListColumn3:
      return 3;
    case Component::ListColumn4:
      return 4;
    default:
      return -1;
  }
}

int MenuCommandOf(Component c) {
  switch (c) {
    case Component::FirmwareUpdateItem:
      return ids::kFirmwareUpdateItem;
    case Component::WebBrowserItem:
      return ids::kWebBrowserItem;
    case Component::StopItem:
      return ids::kStopItem;
    case Component::ExitItem:
      return ids::kExitItem;
    case Component::RefreshItem:
      return ids::kRefreshItem;
    case Component::AboutItem:
      return ids::kAboutItem;
    case Component::InterfacesItem:
      return ids::kInterfacesItem;
    case Component::EnglishItem:
      return ids::kEnglishItem;
    case Component::JapaneseItem:
      return ids::kJapaneseItem;
    case Component::Option1:
      return ids::kOption1;
    case Component::ImportIPList1:
      return ids::kImportIPList1;
    default:
      return 0;
  }
}

int MenuPositionOf(Component c) {
  switch (c) {
    case Component::FileItem:
      return ids::kFileMenu;
    case Component::ViewItem:
      return ids::kViewMenu;
    case Component::AdpterItem:
      return ids::kAdapterMenu;
    case Component::HelpItem:
      return ids::kHelpMenu;
    default:
      return -1;
  }
}

bool ShiftDown() { return GetKeyState(VK_SHIFT) < 0; }

}  // namespace

// ---- Free functions -------------------------------------------------------------

bool CommonControlsVersionIsOld(unsigned major, unsigned minor) {
  return major < 4 || (major == 4 && minor < 71);
}

bool CommonControlsAreOld() {
  struct Free {
    void operator()(HMODULE h) const { FreeLibrary(h); }
  };
  Owned<HMODULE, Free> dll(LoadLibraryW(L"comctl32.dll"));
  if (dll.get() == nullptr) return true;
  // DllGetVersion itself arrived with 4.71. The cast goes through a
  // generic function pointer: FARPROC has no parameters.
  auto get_version = reinterpret_cast<DLLGETVERSIONPROC>(
      reinterpret_cast<void (*)()>(GetProcAddress(dll.get(), "DllGetVersion")));
  if (get_version == nullptr) return true;
  DLLVERSIONINFO info{};
  info.cbSize = sizeof info;
  if (FAILED(get_version(&info))) return true;
  return CommonControlsVersionIsOld(info.dwMajorVersion, info.dwMinorVersion);
}

// ---- Window class ---------------------------------------------------------------

MainWindow::WindowClass::~WindowClass() {
  if (atom_ != 0) UnregisterClassW(MAKEINTATOM(atom_), instance_);
}

bool MainWindow::WindowClass::Register(HINSTANCE instance, WNDPROC procedure, const void* owner) {
  wchar_t suffix[32];
  std::swprintf(suffix, 32, L"%p", owner);
  name_ = std::wstring(L"ZantorMainWindow.") + suffix;
  instance_ = instance;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name_.c_str();
  atom_ = RegisterClassExW(&wc);
  return atom_ != 0;
}

// ---- Construction -----------------------------------------------------------------

MainWindow::~MainWindow() {
  // Nothing the destruction sends may reach the logic any more.
  events_ = nullptr;
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool MainWindow::Create(HINSTANCE instance, bool old_controls) {
  instance_ = instance;
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&icc);
  if (!class_.Register(instance, &MainWindow::WindowProc, this)) return false;

  menu_.reset(BuildMenu());
  ACCEL refresh{FVIRTKEY, VK_F5, static_cast<WORD>(ids::kRefreshItem)};
  accelerators_.reset(CreateAcceleratorTableW(&refresh, 1));

  // WS_EX_CONTROLPARENT lets Tab walk the controls without a dialog.
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  const DWORD ex_style = WS_EX_CONTROLPARENT;
  HWND hwnd = CreateWindowExW(ex_style, class_.name(), L"", style, CW_USEDEFAULT, CW_USEDEFAULT,
                              kClientWidth, kClientHeight, nullptr, menu_.get(), instance, this);
  if (hwnd == nullptr) return false;
  if (!CreateControls(old_controls)) {
    DestroyWindow(hwnd_);
    return false;
  }
  PlaceCentred();
  Layout();
  return true;
}

HMENU MainWindow::BuildMenu() {
  struct Item {
    int id;  // 0: separator
    const wchar_t* caption;
    UINT extra;
  };
  auto popup = [](std::initializer_list<Item> items) {
    HMENU m = CreatePopupMenu();
    for (const Item& item : items) {
      if (item.id == 0) {
        AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
      } else {
        AppendMenuW(m, MF_STRING | item.extra, static_cast<UINT_PTR>(item.id), item.caption);
      }
    }
    return m;
  };
  HMENU bar = CreateMenu();
  // English design captions; the language routine of the first show sets
  // them all before the window appears.
  AppendMenuW(
      bar, MF_POPUP,
      reinterpret_cast<UINT_PTR>(popup({{ids::kFirmwareUpdateItem, L"Update", MF_GRAYED},
                                        {ids::kStopItem, L"Stop", MF_GRAYED},
                                        {ids::kWebBrowserItem, L"Web browser...", MF_GRAYED},
                                        {0, nullptr, 0},
                                        {ids::kExitItem, L"Exit", 0}})),
      L"File");
  HMENU view = popup({{ids::kRefreshItem, L"Refresh\tF5", 0},
                      {0, nullptr, 0},
                      {ids::kEnglishItem, L"English", 0},
                      {ids::kJapaneseItem, L"Japanese", 0}});
  // The language items are one radio group.
  for (int id : {ids::kEnglishItem, ids::kJapaneseItem}) {
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_FTYPE;
    mi.fType = MFT_STRING | MFT_RADIOCHECK;
    SetMenuItemInfoW(view, static_cast<UINT>(id), FALSE, &mi);
  }
  CheckMenuItem(view, ids::kEnglishItem, MF_BYCOMMAND | MF_CHECKED);
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"View");
  AppendMenuW(bar, MF_POPUP,
              reinterpret_cast<UINT_PTR>(popup({{ids::kInterfacesItem, L"Adapter Selection", 0},
                                                {ids::kOption1, L"Input IP Address", 0},
                                                {ids::kImportIPList1, L"Import IP List...", 0}})),
              L"Adapter");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup({{ids::kAboutItem, L"About...", 0}})),
              L"Help");
  return bar;
}

bool MainWindow::CreateControls(bool old_controls) {
  auto child = [this](const wchar_t* cls, DWORD style, DWORD ex_style, int id) {
    return CreateWindowExW(ex_style, cls, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  };
  tree_ = child(WC_TREEVIEWW,
                WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                WS_EX_CLIENTEDGE, ids::kTreeView);
  // The list destroys its own image lists (ours and the check boxes').
  list_ = child(WC_LISTVIEWW, WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL,
                WS_EX_CLIENTEDGE, ids::kListView);
  status_ = child(STATUSCLASSNAMEW, SBARS_SIZEGRIP, 0, ids::kStatusBar);
  web_config_ =
      child(WC_BUTTONW, WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, 0, ids::kWebConfigButton);
  firm_update_ =
      child(WC_BUTTONW, WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, 0, ids::kFirmUpdateButton);
  stop_ = child(WC_BUTTONW, WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, 0, ids::kStopButton);
  if (!tree_ || !list_ || !status_ || !web_config_ || !stop_ || !firm_update_) return false;

  SetWindowTextW(web_config_, L"Web browser...");
  SetWindowTextW(stop_, L"Stop");
  SetWindowTextW(firm_update_, L"Update");

  ListView_SetExtendedListViewStyle(list_,
                                    LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  for (int i = 0; i < kColumnCount; ++i) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    col.fmt = kColumns[i].format;
    col.cx = kColumns[i].width;
    col.pszText = const_cast<wchar_t*>(kColumns[i].caption);
    col.iSubItem = i;
    ListView_InsertColumn(list_, i, &col);
  }
  if (!old_controls) BuildImageLists();

  for (const Caption& c : FixedCaptions()) SetComponentCaption(c.first, c.second);

  // Every control passes Tab, F5 and its focus through us.
  for (HWND control : {tree_, list_, web_config_, stop_, firm_update_}) {
    SetWindowSubclass(control, &MainWindow::ControlProc,
                      static_cast<UINT_PTR>(GetDlgCtrlID(control)),
                      reinterpret_cast<DWORD_PTR>(this));
  }
  CreateFonts();
  return true;
}

void MainWindow::BuildImageLists() {
  // The list control destroys its image lists with itself; the tree never
  // does, so the tree's lives as long as we do.
  Owned<HIMAGELIST, DestroyImageList> rows(MakeRowImages());
  if (rows.get() != nullptr) ListView_SetImageList(list_, rows.release(), LVSIL_SMALL);
  tree_images_.reset(MakeNodeImages());
  TreeView_SetImageList(tree_, tree_images_.get(), TVSIL_NORMAL);
}

void MainWindow::CreateFonts() {
  // The message font of the system: Segoe UI, or Meiryo UI / Yu Gothic UI
  // on a Japanese system.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    message_font_ = metrics.lfMessageFont;
    font_.reset(CreateFontIndirectW(&message_font_));
  } else {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof message_font_, &message_font_);
  }
  UseFont(font_.get());
}

void MainWindow::UseFont(HFONT font) {
  if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (HWND control : {tree_, list_, status_, web_config_, stop_, firm_update_}) {
    if (control != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  Layout();
}

namespace {

// True when `face` at the size of `base` has glyphs for Latin letters and
// katakana alike (a fallback face with kana alone would lose the Latin).
bool HasJapaneseGlyphs(const LOGFONTW& base, const wchar_t* face) {
  LOGFONTW lf = base;
  if (face != nullptr) {
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  }
  Owned<HFONT, DeleteFont> font(CreateFontIndirectW(&lf));
  if (font.get() == nullptr) return false;
  WindowDc dc(nullptr);
  Selection selected(dc.get(), font.get());
  wchar_t actual[LF_FACESIZE] = L"";
  GetTextFaceW(dc.get(), LF_FACESIZE, actual);
  const wchar_t probe[] = L"Az\u30a2\u30c3\u72b6";  // "Azアッ状"
  constexpr int kProbe = 5;
  WORD glyphs[kProbe] = {};
  bool all =
      GetGlyphIndicesW(dc.get(), probe, kProbe, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == kProbe;
  for (WORD g : glyphs) all = all && g != 0xFFFF;
  // A missing face is silently replaced by another; only the named one counts.
  return all && (face == nullptr || lstrcmpiW(actual, face) == 0);
}

int CALLBACK CollectJapaneseFace(const LOGFONTW* lf, const TEXTMETRICW*, DWORD type, LPARAM out) {
  auto* faces = reinterpret_cast<std::vector<std::wstring>*>(out);
  // Scalable faces only, and not the vertical-writing '@' variants.
  if ((type & TRUETYPE_FONTTYPE) && lf->lfFaceName[0] != L'@') faces->push_back(lf->lfFaceName);
  return 1;
}

}  // namespace

HFONT MainWindow::JapaneseFont() {
  if (japanese_font_tried_) return japanese_font_.get();
  japanese_font_tried_ = true;
  // Windows links the message font to a Japanese face anyway, but only the
  // glyphs of the font itself are certain (Wine, stripped systems).
  std::vector<std::wstring> faces = {L"Meiryo UI", L"Yu Gothic UI", L"MS UI Gothic"};
  LOGFONTW want{};
  want.lfCharSet = SHIFTJIS_CHARSET;
  EnumFontFamiliesExW(WindowDc(nullptr).get(), &want, CollectJapaneseFace,
                      reinterpret_cast<LPARAM>(&faces), 0);
  for (const std::wstring& face : faces) {
    if (HasJapaneseGlyphs(message_font_, face.c_str())) {
      LOGFONTW lf = message_font_;
      lf.lfCharSet = DEFAULT_CHARSET;
      lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
      japanese_font_.reset(CreateFontIndirectW(&lf));
      break;
    }
  }
  return japanese_font_.get();
}

void MainWindow::PlaceCentred() {
  // Size the frame so the client area is exactly the design size, whatever
  // the menu bar and borders of this system measure.
  RECT client;
  GetClientRect(hwnd_, &client);
  RECT frame;
  GetWindowRect(hwnd_, &frame);
  int width = (frame.right - frame.left) + kClientWidth - client.right;
  int height = (frame.bottom - frame.top) + kClientHeight - client.bottom;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + std::max(0L, (work.right - work.left - width) / 2);
  const int y = work.top + std::max(0L, (work.bottom - work.top - height) / 2);
  SetWindowPos(hwnd_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  // A menu bar that wraps at the new width changes the client height once more.
  GetClientRect(hwnd_, &client);
  if (client.bottom != kClientHeight) {
    height += kClientHeight - client.bottom;
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
}

void MainWindow::Show(int show_command) {
  if (hwnd_ == nullptr) return;
  ShowWindow(hwnd_, show_command);
  UpdateWindow(hwnd_);
}

// ---- Layout -----------------------------------------------------------------------

int MainWindow::ButtonWidth(HWND button, int minimum) const {
  wchar_t text[256];
  const int n = GetWindowTextW(button, text, 256);
  WindowDc dc(button);
  Selection font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(button, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text, n, &size);
  return std::max(minimum, static_cast<int>(size.cx) + 24);
}

RECT MainWindow::SplitterRect() const {
  RECT client;
  GetClientRect(hwnd_, &client);
  RECT status;
  GetWindowRect(status_, &status);
  const int bottom =
      std::max(0, static_cast<int>(client.bottom - (status.bottom - status.top) - kStripHeight));
  return RECT{tree_width_, 0, tree_width_ + kSplitterWidth, bottom};
}

void MainWindow::Layout() {
  if (hwnd_ == nullptr || status_ == nullptr) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  SendMessageW(status_, WM_SIZE, 0, 0);
  int parts[2] = {kStatusPanelWidth, -1};
  SendMessageW(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));

  const int width = client.right;
  const int max_tree = std::max(kMinPaneWidth, width - kSplitterWidth - kMinPaneWidth);
  tree_width_ = std::clamp(tree_width_, kMinPaneWidth, max_tree);
  const RECT split = SplitterRect();
  const int main_height = split.bottom;
  const int strip_top = main_height;
  const int button_top = strip_top + (kStripHeight - kButtonHeight) / 2;
  const int stop_width = ButtonWidth(stop_, kStopButtonMinWidth);
  const int stop_left = width - kStripMargin - stop_width;
  const int update_left = stop_left - kButtonGap - kFirmUpdateButtonWidth;

  HDWP pos = BeginDeferWindowPos(5);
  auto place = [&pos](HWND w, int x, int y, int cx, int cy) {
    if (pos != nullptr) {
      pos = DeferWindowPos(pos, w, nullptr, x, y, std::max(0, cx), std::max(0, cy),
                           SWP_NOZORDER | SWP_NOACTIVATE);
    }
  };
  place(tree_, 0, 0, tree_width_, main_height);
  place(list_, split.right, 0, width - split.right, main_height);
  place(web_config_, kStripMargin, button_top, ButtonWidth(web_config_, kWebConfigButtonMinWidth),
        kButtonHeight);
  place(firm_update_, update_left, button_top, kFirmUpdateButtonWidth, kButtonHeight);
  place(stop_, stop_left, button_top, stop_width, kButtonHeight);
  if (pos != nullptr) EndDeferWindowPos(pos);
  // The strip between list and status bar is painted by the class brush.
  RECT strip{0, strip_top, width, strip_top + kStripHeight};
  InvalidateRect(hwnd_, &strip, TRUE);
}

// ---- Message handling -------------------------------------------------------------

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = self->tree_ = self->list_ = self->status_ = nullptr;
    self->web_config_ = self->stop_ = self->firm_update_ = nullptr;
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return self->HandleMessage(message, wparam, lparam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      RECT r{0, 0, kMinClientWidth, kMinClientHeight};
      AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), TRUE,
                         static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      info->ptMinTrackSize.x = r.right - r.left;
      info->ptMinTrackSize.y = r.bottom - r.top;
      return 0;
    }
    case WM_SETFOCUS: {
      // Back to the control that had the focus when we were left, else the
      // first that can take it.
      HWND to = focused_control_;
      if (to == nullptr || !IsWindowEnabled(to)) to = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
      if (to != nullptr) SetFocus(to);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      // The window itself has the focus while no control can take it.
      MSG msg{hwnd_, message, wparam, lparam, 0, {0, 0}};
      if (TranslateAcceleratorW(hwnd_, accelerators_.get(), &msg)) return 0;
      break;
    }
    case WM_SETCURSOR: {
      POINT at;
      GetCursorPos(&at);
      ScreenToClient(hwnd_, &at);
      const RECT split = SplitterRect();
      if (reinterpret_cast<HWND>(wparam) == hwnd_ && PtInRect(&split, at)) {
        SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
        return TRUE;
      }
      break;
    }
    case WM_LBUTTONDOWN: {
      const POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      const RECT split = SplitterRect();
      if (PtInRect(&split, at)) {
        dragging_splitter_ = true;
        drag_offset_ = at.x - tree_width_;
        SetCapture(hwnd_);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (dragging_splitter_) {
        tree_width_ = GET_X_LPARAM(lparam) - drag_offset_;
        Layout();
      }
      return 0;
    case WM_LBUTTONUP:
      if (dragging_splitter_) ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED:
      dragging_splitter_ = false;
      return 0;
    case WM_NOTIFY:
      return HandleNotify(*reinterpret_cast<const NMHDR*>(lparam));
    case WM_COMMAND:
      // Menu items and button clicks send 0, the accelerator 1.
      if (HIWORD(wparam) <= 1) HandleCommand(LOWORD(wparam));
      return 0;
    case kRowInputMessage:
      HandleRowInput(static_cast<RowRef>(wparam), static_cast<RowInput>(lparam & 0xFF),
                     static_cast<Tick>((lparam >> 8) & 0xFF));
      return 0;
    case WM_CLOSE:
      // A greyed close (during an update) also stops Alt+F4 and ExitItem.
      if (GetMenuState(GetSystemMenu(hwnd_, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED) return 0;
      if (events_ == nullptr || events_->CloseQuery()) DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      // Keep the menu: it is ours to destroy, not the window's.
      SetMenu(hwnd_, nullptr);
      if (events_ != nullptr) events_->Closed();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

void MainWindow::HandleCommand(int id) {
  if (events_ == nullptr) return;
  switch (id) {
    case ids::kRefreshItem:
      // The item's state decides, whoever sent the command.
      if (GetMenuState(menu_.get(), ids::kRefreshItem, MF_BYCOMMAND) & MF_GRAYED) return;
      events_->RefreshItemClick();
      break;
    case ids::kEnglishItem:
      events_->EnglishItemClick();
      break;
    case ids::kJapaneseItem:
      events_->JapaneseItemClick();
      break;
    case ids::kExitItem:
      SendMessageW(hwnd_, WM_CLOSE, 0, 0);
      break;
    case ids::kFirmwareUpdateItem:
    case ids::kFirmUpdateButton:
      events_->FirmUpdateClick();
      break;
    case ids::kStopItem:
    case ids::kStopButton:
      events_->StopClick();
      break;
    case ids::kWebBrowserItem:
    case ids::kWebConfigButton:
      events_->WebConfigClick();
      break;
    case ids::kInterfacesItem:
      events_->InterfacesItemClick();
      break;
    case ids::kOption1:
      events_->Option1Click();
      break;
    case ids::kImportIPList1:
      events_->ImportIPList1Click();
      break;
    case ids::kAboutItem:
      events_->AboutItemClick();
      break;
    default:
      break;
  }
}

LRESULT MainWindow::HandleNotify(const NMHDR& header) {
  if (header.hwndFrom == list_) {
    switch (header.code) {
      case LVN_ITEMCHANGED:
        HandleListChange(reinterpret_cast<const NMLISTVIEW&>(header));
        break;
      case LVN_KEYDOWN: {
        const auto& key = reinterpret_cast<const NMLVKEYDOWN&>(header);
        const int selected = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
        if (key.wVKey == VK_SPACE) {
          space_pending_ = true;
        } else if (key.wVKey == VK_RETURN && selected >= 0) {
          PostRowInput(RowAt(selected), RowInput::kEnter, Tick::kAsShown);
        }
        break;
      }
      case LVN_COLUMNCLICK:
        if (events_ != nullptr) {
          events_->ListViewColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        }
        break;
      default:
        break;
    }
  } else if (header.hwndFrom == tree_) {
    if (header.code == NM_DBLCLK && events_ != nullptr) events_->TreeViewDblClick(SelectedNode());
  }
  return 0;
}

void MainWindow::HandleListChange(const NMLISTVIEW& change) {
  if (!(change.uChanged & LVIF_STATE)) return;
  const UINT changed = change.uOldState ^ change.uNewState;
  const RowRef row = change.iItem >= 0 ? RowAt(change.iItem) : kNoRow;
  if (changed & LVIS_STATEIMAGEMASK) {
    // State image 0 is the item before it got its check box; 1 and 2 are
    // the two ticks. Only a change between ticks that we did not write is
    // the user's.
    const UINT before = (change.uOldState & LVIS_STATEIMAGEMASK) >> 12;
    const UINT after = (change.uNewState & LVIS_STATEIMAGEMASK) >> 12;
    if (core_writes_ == 0 && before != 0 && after != 0 && row != kNoRow) {
      PostRowInput(row, space_pending_ ? RowInput::kSpace : RowInput::kMouse,
                   after == 2 ? Tick::kChecked : Tick::kUnchecked);
      space_pending_ = false;
    }
  }
  if ((changed & LVIS_SELECTED) && events_ != nullptr) {
    events_->ListViewSelectItem(row, (change.uNewState & LVIS_SELECTED) != 0);
  }
}

void MainWindow::PostRowInput(RowRef row, RowInput input, Tick tick) {
  PostMessageW(hwnd_, kRowInputMessage, static_cast<WPARAM>(row),
               static_cast<LPARAM>(static_cast<int>(input) | (static_cast<int>(tick) << 8)));
}

void MainWindow::HandleRowInput(RowRef row, RowInput input, Tick tick) {
  if (events_ == nullptr) return;
  bool checked = tick == Tick::kChecked;
  if (tick == Tick::kAsShown) {
    const int index = ListIndexOf(row);
    // The row went away meanwhile (a refresh): nothing to tick.
    if (index < 0) return;
    checked = ListChecked(index);
  }
  switch (input) {
    case RowInput::kMouse:
      events_->ListViewMouseDown(row, checked);
      break;
    case RowInput::kSpace:
      events_->ListViewKeyPress(row, VK_SPACE, checked);
      break;
    case RowInput::kEnter:
      events_->ListViewKeyPress(row, VK_RETURN, checked);
      break;
  }
}

void MainWindow::ListPress(POINT at, bool left_button) {
  space_pending_ = false;
  LVHITTESTINFO hit{};
  hit.pt = at;
  const int index = ListView_HitTest(list_, &hit);
  if (index < 0) return;
  // A left press on the check box makes the control toggle the tick; the
  // change notification reports it with the tick after the toggle. Any
  // other press is reported once the control has handled it.
  if (left_button && (hit.flags & LVHT_ONITEMSTATEICON)) return;
  PostRowInput(RowAt(index), RowInput::kMouse, Tick::kAsShown);
}

void MainWindow::TreePress(POINT at) {
  if (events_ == nullptr) return;
  TVHITTESTINFO hit{};
  hit.pt = at;
  HTREEITEM item = TreeView_HitTest(tree_, &hit);
  if (item == nullptr || !(hit.flags & TVHT_ONITEM)) return;
  TVITEMW tv{};
  tv.mask = TVIF_PARAM;
  tv.hItem = item;
  if (TreeView_GetItem(tree_, &tv)) {
    events_->SelectCategory(static_cast<NodeRef>(tv.lParam), SelectVia::kMouse);
  }
}

void MainWindow::ControlFocused(HWND control) {
  // Focus coming back with the whole window (another program was active)
  // is no arrival: only a move from another of our controls is.
  if (control == focused_control_) return;
  focused_control_ = control;
  if (events_ == nullptr) return;
  if (control == tree_) events_->TreeViewEnter();
  if (control == firm_update_) events_->FirmUpdateButtonEnter();
}

LRESULT CALLBACK MainWindow::ControlProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR id, DWORD_PTR self_data) {
  auto* self = reinterpret_cast<MainWindow*>(self_data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, &MainWindow::ControlProc, id);
    return DefSubclassProc(hwnd, message, wparam, lparam);
  }
  bool handled = false;
  const LRESULT result = self->HandleControlMessage(hwnd, message, wparam, lparam, &handled);
  return handled ? result : DefSubclassProc(hwnd, message, wparam, lparam);
}

LRESULT MainWindow::HandleControlMessage(HWND control, UINT message, WPARAM wparam, LPARAM lparam,
                                         bool* handled) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      // Our loop is the platform's and knows no accelerators or dialog
      // keys, so the controls hand them over.
      MSG msg{control, message, wparam, lparam, 0, {0, 0}};
      if (TranslateAcceleratorW(hwnd_, accelerators_.get(), &msg)) {
        *handled = true;
        return 0;
      }
      if (message == WM_KEYDOWN && wparam == VK_TAB) {
        HWND next = GetNextDlgTabItem(hwnd_, control, ShiftDown());
        if (next != nullptr) SetFocus(next);
        *handled = true;
        return 0;
      }
      break;
    }
    case WM_CHAR:
      // Tab is done; Enter on the tree selects its node.
      if (wparam == L'\t') {
        *handled = true;
        return 0;
      }
      if (wparam == L'\r' && control == tree_) {
        if (events_ != nullptr && SelectedNode() != kNoNode) {
          events_->SelectCategory(SelectedNode(), SelectVia::kEnter);
        }
        *handled = true;
        return 0;
      }
      break;
    case WM_KEYUP:
      if (control == tree_) {
        // After the control has moved its selection.
        const LRESULT r = DefSubclassProc(control, message, wparam, lparam);
        if (events_ != nullptr && SelectedNode() != kNoNode) {
          events_->SelectCategory(SelectedNode(), SelectVia::kKeyUp);
        }
        *handled = true;
        return r;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
      const POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      const bool left = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK;
      if (control == tree_) TreePress(at);
      if (control == list_) ListPress(at, left);
      break;
    }
    case WM_SETFOCUS:
      ControlFocused(control);
      break;
    default:
      break;
  }
  return 0;
}

// ---- MainView: caption, tree ------------------------------------------------------

void MainWindow::SetCaption(const std::string& text) {
  if (hwnd_ != nullptr) SetWindowTextW(hwnd_, Utf8ToWide(text).c_str());
}

HTREEITEM MainWindow::TreeItemOf(NodeRef node) const {
  auto it = nodes_.find(node);
  return it == nodes_.end() ? nullptr : it->second;
}

NodeRef MainWindow::SelectedNode() const {
  if (tree_ == nullptr) return kNoNode;
  HTREEITEM item = TreeView_GetSelection(tree_);
  if (item == nullptr) return kNoNode;
  TVITEMW tv{};
  tv.mask = TVIF_PARAM;
  tv.hItem = item;
  return TreeView_GetItem(tree_, &tv) ? static_cast<NodeRef>(tv.lParam) : kNoNode;
}

void MainWindow::TreeClear() {
  nodes_.clear();
  if (tree_ != nullptr) TreeView_DeleteAllItems(tree_);
}

void MainWindow::TreeAddNode(NodeRef node, NodeRef parent, const std::string& text, int image) {
  if (tree_ == nullptr) return;
  std::wstring wide = Utf8ToWide(text);
  TVINSERTSTRUCTW ins{};
  HTREEITEM parent_item = TreeItemOf(parent);
  ins.hParent = parent_item != nullptr ? parent_item : TVI_ROOT;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  ins.item.pszText = &wide[0];
  ins.item.lParam = static_cast<LPARAM>(node);
  ins.item.iImage = image;
  ins.item.iSelectedImage = image;
  HTREEITEM item = TreeView_InsertItem(tree_, &ins);
  if (item != nullptr) nodes_[node] = item;
}

void MainWindow::ExpandBranch(HTREEITEM item) {
  TreeView_Expand(tree_, item, TVE_EXPAND);
  for (HTREEITEM c = TreeView_GetChild(tree_, item); c != nullptr;
       c = TreeView_GetNextSibling(tree_, c)) {
    ExpandBranch(c);
  }
}

void MainWindow::TreeExpandAll(NodeRef node) {
  HTREEITEM item = TreeItemOf(node);
  if (item == nullptr) return;
  ExpandBranch(item);
  InvalidateRect(tree_, nullptr, TRUE);
}

void MainWindow::TreeSetLinesAtRoot(bool on) {
  if (tree_ == nullptr) return;
  LONG_PTR style = GetWindowLongPtrW(tree_, GWL_STYLE);
  style = on ? (style | TVS_LINESATROOT) : (style & ~static_cast<LONG_PTR>(TVS_LINESATROOT));
  SetWindowLongPtrW(tree_, GWL_STYLE, style);
  InvalidateRect(tree_, nullptr, TRUE);
}

void MainWindow::ApplyEnabled() {
  if (tree_ == nullptr) return;
  EnableWindow(tree_, tree_on_ && panel_on_);
  EnableWindow(list_, list_on_ && panel_on_);
  // Disabling the focused control leaves the focus nowhere; it returns to
  // that control when it is enabled again (a refresh does both at once).
  if (GetFocus() == nullptr && GetActiveWindow() == hwnd_ && focused_control_ != nullptr &&
      IsWindowEnabled(focused_control_)) {
    SetFocus(focused_control_);
  }
}

void MainWindow::TreeSetEnabled(bool on) {
  tree_on_ = on;
  ApplyEnabled();
}

// ---- MainView: list ---------------------------------------------------------------

void MainWindow::ListSetEnabled(bool on) {
  list_on_ = on;
  ApplyEnabled();
}

void MainWindow::ListBeginUpdate() {
  if (list_updates_++ == 0 && list_ != nullptr) SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
}

void MainWindow::ListEndUpdate() {
  if (list_updates_ == 0) return;
  if (--list_updates_ == 0 && list_ != nullptr) {
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
  }
}

void MainWindow::ListClear() {
  if (list_ == nullptr) return;
  ++core_writes_;
  ListView_DeleteAllItems(list_);
  --core_writes_;
}

int MainWindow::ListIndexOf(RowRef row) const {
  if (list_ == nullptr || row == kNoRow) return -1;
  LVFINDINFOW find{};
  find.flags = LVFI_PARAM;
  find.lParam = static_cast<LPARAM>(row);
  return static_cast<int>(
      SendMessageW(list_, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

RowRef MainWindow::RowAt(int index) const {
  if (list_ == nullptr || index < 0) return kNoRow;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  if (!ListView_GetItem(list_, &item)) return kNoRow;
  return static_cast<RowRef>(item.lParam);
}

bool MainWindow::ListChecked(int index) const {
  return ((ListView_GetItemState(list_, index, LVIS_STATEIMAGEMASK) >> 12) == 2);
}

void MainWindow::SetListCheck(int index, bool checked) {
  if (ListChecked(index) == checked) return;
  ListView_SetItemState(list_, index, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), LVIS_STATEIMAGEMASK);
}

void MainWindow::WriteRow(int index, const RowData& data, bool with_check) {
  std::wstring caption = Utf8ToWide(data.caption);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = index;
  item.pszText = &caption[0];
  item.iImage = data.image;
  ListView_SetItem(list_, &item);
  for (int i = 1; i < kColumnCount; ++i) {
    std::wstring sub = Utf8ToWide(data.sub[static_cast<size_t>(i - 1)]);
    ListView_SetItemText(list_, index, i, &sub[0]);
  }
  if (with_check) SetListCheck(index, data.checked);
}

void MainWindow::ListInsertRow(int index, RowRef row, const RowData& data) {
  if (list_ == nullptr) return;
  ++core_writes_;
  LVITEMW item{};
  item.mask = LVIF_PARAM | LVIF_TEXT;
  item.iItem = std::max(0, index);
  item.lParam = static_cast<LPARAM>(row);
  item.pszText = const_cast<wchar_t*>(L"");
  const int at = ListView_InsertItem(list_, &item);
  if (at >= 0) WriteRow(at, data, true);
  --core_writes_;
}

void MainWindow::ListUpdateRow(RowRef row, const RowData& data) {
  const int index = ListIndexOf(row);
  if (index < 0) return;
  ++core_writes_;
  WriteRow(index, data, true);
  --core_writes_;
}

namespace {
int CALLBACK CompareByOrder(LPARAM a, LPARAM b, LPARAM order_data) {
  const auto& order = *reinterpret_cast<const std::unordered_map<RowRef, int>*>(order_data);
  auto rank = [&order](LPARAM p) {
    auto it = order.find(static_cast<RowRef>(p));
    return it == order.end() ? static_cast<int>(order.size()) : it->second;
  };
  return rank(a) - rank(b);
}
}  // namespace

void MainWindow::ListSetOrder(const std::vector<RowRef>& rows) {
  if (list_ == nullptr) return;
  std::unordered_map<RowRef, int> order;
  for (size_t i = 0; i < rows.size(); ++i) order[rows[i]] = static_cast<int>(i);
  ++core_writes_;
  ListView_SortItems(list_, CompareByOrder, reinterpret_cast<LPARAM>(&order));
  --core_writes_;
}

void MainWindow::ListSelectRow(RowRef row) {
  const int index = ListIndexOf(row);
  if (index < 0) return;
  ListView_SetItemState(list_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list_, index, FALSE);
}

void MainWindow::ListClearSelection() {
  if (list_ == nullptr) return;
  for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list_, i, LVNI_SELECTED)) {
    ListView_SetItemState(list_, i, 0, LVIS_SELECTED);
  }
}

// ---- MainView: commands, captions, status, questions -----------------------------

void MainWindow::SetCommandEnabled(Command command, bool on) {
  if (hwnd_ == nullptr) return;
  const UINT state = MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED);
  switch (command) {
    case Command::kFirmUpdate:
      EnableWindow(firm_update_, on);
      EnableMenuItem(menu_.get(), ids::kFirmwareUpdateItem, state);
      break;
    case Command::kStop:
      EnableWindow(stop_, on);
      EnableMenuItem(menu_.get(), ids::kStopItem, state);
      break;
    case Command::kWebConfig:
      EnableWindow(web_config_, on);
      EnableMenuItem(menu_.get(), ids::kWebBrowserItem, state);
      break;
    case Command::kRefresh:
      EnableMenuItem(menu_.get(), ids::kRefreshItem, state);
      break;
    case Command::kMainPanel:
      panel_on_ = on;
      ApplyEnabled();
      break;
    case Command::kExit:
      EnableMenuItem(menu_.get(), ids::kExitItem, state);
      break;
    case Command::kAbout:
      EnableMenuItem(menu_.get(), ids::kAboutItem, state);
      break;
    case Command::kClose:
      // Also greys the caption's close button and Alt+F4.
      EnableMenuItem(GetSystemMenu(hwnd_, FALSE), SC_CLOSE, state);
      break;
  }
}

void MainWindow::SetMenuCaption(int id, const std::wstring& text, bool by_position) {
  MENUITEMINFOW mi{};
  mi.cbSize = sizeof mi;
  mi.fMask = MIIM_STRING;
  mi.dwTypeData = const_cast<wchar_t*>(text.c_str());
  SetMenuItemInfoW(menu_.get(), static_cast<UINT>(id), by_position ? TRUE : FALSE, &mi);
  if (by_position && hwnd_ != nullptr) DrawMenuBar(hwnd_);
}

void MainWindow::SetComponentCaption(Component component, const std::string& text) {
  if (hwnd_ == nullptr) return;
  std::wstring wide = Utf8ToWide(text);
  if (const int column = ColumnOf(component); column >= 0) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = &wide[0];
    ListView_SetColumn(list_, column, &col);
    return;
  }
  if (const int position = MenuPositionOf(component); position >= 0) {
    SetMenuCaption(position, wide, true);
    return;
  }
  if (const int id = MenuCommandOf(component); id != 0) {
    if (id == ids::kRefreshItem) wide += L"\tF5";
    SetMenuCaption(id, wide, false);
    return;
  }
  HWND button = component == Component::FirmUpdateButton  ? firm_update_
                : component == Component::WebConfigButton ? web_config_
                : component == Component::StopButton      ? stop_
                                                          : nullptr;
  if (button != nullptr) {
    SetWindowTextW(button, wide.c_str());
    Layout();
  }
  // The mode items of the View menu are never shown; their captions have
  // no control here.
}

void MainWindow::SetItemChecked(Component component, bool on) {
  // The language group's mark is the language: the controls take a font
  // that has its glyphs.
  if (on && component == Component::JapaneseItem && !HasJapaneseGlyphs(message_font_, nullptr)) {
    if (HFONT ja = JapaneseFont()) UseFont(ja);
  } else if (on && component == Component::EnglishItem) {
    UseFont(font_.get());
  }
  const int id = MenuCommandOf(component);
  if (id != 0)
    CheckMenuItem(menu_.get(), static_cast<UINT>(id),
                  MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void MainWindow::SetStatusPanel(int panel, const std::string& text) {
  if (status_ == nullptr || panel < 0 || panel > 1) return;
  // Two tabs right-align the text of the second panel.
  std::wstring wide = (panel == 1 ? L"\t\t" : L"") + Utf8ToWide(text);
  SendMessageW(status_, SB_SETTEXTW, static_cast<WPARAM>(panel),
               reinterpret_cast<LPARAM>(wide.c_str()));
}

Answer MainWindow::Ask(const std::string& text, const std::string& caption, AskKind icon,
                       AskButtons buttons) {
  UINT flags = buttons == AskButtons::kYesNo ? MB_YESNO | MB_DEFBUTTON2 : MB_OK;
  switch (icon) {
    case AskKind::kInformation:
      flags |= MB_ICONINFORMATION;
      break;
    case AskKind::kWarning:
      flags |= MB_ICONWARNING;
      break;
    case AskKind::kError:
      flags |= MB_ICONERROR;
      break;
    case AskKind::kQuestion:
      flags |= MB_ICONQUESTION;
      break;
  }
  const int r = MessageBoxW(hwnd_, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(), flags);
  if (buttons != AskButtons::kYesNo) return Answer::kOk;
  return r == IDYES ? Answer::kYes : Answer::kNo;
}

}  // namespace win32
}  // namespace ui
