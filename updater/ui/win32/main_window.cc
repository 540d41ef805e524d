#include "updater/ui/win32/main_window.h"

#include <windowsx.h>
#include <shlwapi.h>

#include <algorithm>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "updater/ui/win32/app_icon_rc.h"
#include "updater/ui/win32/main_window_rc.h"

namespace ui {
namespace win32 {
namespace {

using platform::win32::Utf8ToWide;

constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 6;
constexpr int kStripMargin = 8;
constexpr int kStopButtonMinWidth = 88;
constexpr int kWebConfigButtonMinWidth = 120;

bool ShiftDown() { return GetKeyState(VK_SHIFT) < 0; }

}  // namespace

// ---- Free functions -------------------------------------------------------------

bool CommonControlsVersionIsOld(unsigned major, unsigned minor) {
  return major < 4 || (major == 4 && minor < 71);
}

bool CommonControlsAreOld() {
  UniqueModule dll(LoadLibraryW(L"comctl32.dll"));
  if (!dll) return true;
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

// ---- Construction -----------------------------------------------------------------

MainWindow::~MainWindow() {
  // Nothing the destruction sends may reach the logic any more.
  SetHandlers(nullptr);
  destroyed_ = nullptr;
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void MainWindow::SetHandlers(MainFormHandlers* handlers) {
  handlers_ = handlers;
  tree_.SetHandlers(handlers);
  list_.SetHandlers(handlers);
}

bool MainWindow::Create(HINSTANCE instance, bool old_controls) {
  instance_ = instance;
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&icc);
  WNDCLASSEXW design{};
  design.style = CS_DBLCLKS;
  design.lpfnWndProc = &MainWindow::WindowProc;
  design.hInstance = instance;
  design.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // The program's own icon for the title bar and the taskbar; a program
  // without it (a test) gets the system's.
  design.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ZANTOR));
  if (design.hIcon == nullptr) design.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  design.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ZANTOR), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXSMICON),
                                                 GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  design.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  if (!class_.RegisterUnique(design, L"ZantorMainWindow")) return false;
  if (!menu_.Load(instance)) return false;

  // WS_EX_CONTROLPARENT lets Tab walk the controls without a dialog.
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  HWND hwnd =
      CreateWindowExW(WS_EX_CONTROLPARENT, class_.name(), L"", style, CW_USEDEFAULT, CW_USEDEFAULT,
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

HWND MainWindow::CreateButton(int id, const wchar_t* caption) {
  // Every button is disabled at start; the logic enables what may be used.
  return CreateWindowExW(
      0, WC_BUTTONW, caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, 0,
      0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
}

bool MainWindow::CreateControls(bool old_controls) {
  if (!tree_.Create(hwnd_, instance_, IDC_TREE_VIEW, !old_controls) ||
      !list_.Create(hwnd_, instance_, IDC_LIST_VIEW, !old_controls)) {
    return false;
  }
  status_ =
      CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                      hwnd_, reinterpret_cast<HMENU>(IDC_STATUS_BAR), instance_, nullptr);
  web_config_ = CreateButton(IDC_WEB_CONFIG_BUTTON, L"Web browser...");
  firm_update_ = CreateButton(IDC_FIRM_UPDATE_BUTTON, L"Update");
  stop_ = CreateButton(IDC_STOP_BUTTON, L"Stop");
  if (!status_ || !web_config_ || !stop_ || !firm_update_) return false;

  for (const Caption& c : FixedCaptions()) SetComponentCaption(c.first, c.second);

  // Every control passes Tab, F5 and its focus through us.
  for (HWND control : {tree_.hwnd(), list_.hwnd(), web_config_, stop_, firm_update_}) {
    SetWindowSubclass(control, &MainWindow::ControlProc,
                      static_cast<UINT_PTR>(GetDlgCtrlID(control)),
                      reinterpret_cast<DWORD_PTR>(this));
  }
  UseFont(fonts_.Latin());
  return true;
}

void MainWindow::UseFont(HFONT font) {
  for (HWND control : {tree_.hwnd(), list_.hwnd(), status_, web_config_, stop_, firm_update_}) {
    if (control != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  Layout();
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
  place(tree_.hwnd(), 0, 0, tree_width_, main_height);
  place(list_.hwnd(), split.right, 0, width - split.right, main_height);
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
    self->Forget();
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return self->HandleMessage(message, wparam, lparam);
}

void MainWindow::Forget() {
  hwnd_ = status_ = web_config_ = stop_ = firm_update_ = focused_control_ = nullptr;
  tree_.Forget();
  list_.Forget();
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
      if (TranslateAcceleratorW(hwnd_, menu_.accelerators(), &msg)) return 0;
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
    case WM_NOTIFY: {
      const NMHDR& header = *reinterpret_cast<const NMHDR*>(lparam);
      if (header.hwndFrom == list_.hwnd()) list_.Notified(header);
      if (header.hwndFrom == tree_.hwnd() && header.code == NM_DBLCLK) tree_.DoubleClicked();
      return 0;
    }
    case WM_COMMAND:
      // Menu items and button clicks send 0, the accelerator 1.
      if (HIWORD(wparam) <= 1) HandleCommand(LOWORD(wparam));
      return 0;
    case DeviceListView::kRowInputMessage:
      list_.RowInputArrived(wparam, lparam);
      return 0;
    case WM_SYSCOMMAND:
      // Only the system menu's own Close is shut while it is greyed (the
      // caption button and Alt+F4 are the same command).
      if ((wparam & 0xFFF0) == SC_CLOSE && !SystemCloseEnabled()) return 0;
      break;
    case WM_CLOSE:
      // Every other request, from Exit or from another program, is asked
      // about.
      RequestClose();
      return 0;
    case WM_DESTROY:
      // Keep the menu: it is ours to destroy, not the window's.
      SetMenu(hwnd_, nullptr);
      if (destroyed_) destroyed_();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

bool MainWindow::SystemCloseEnabled() const {
  const UINT state = GetMenuState(GetSystemMenu(hwnd_, FALSE), SC_CLOSE, MF_BYCOMMAND);
  return state == static_cast<UINT>(-1) || !(state & (MF_GRAYED | MF_DISABLED));
}

void MainWindow::RequestClose() {
  // The question's own loop may deliver a second request (another WM_CLOSE,
  // Exit); it is the same request, already being asked.
  if (asking_close_) return;
  asking_close_ = true;
  const bool close = handlers_ == nullptr || handlers_->FormClose();
  asking_close_ = false;
  if (close && hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void MainWindow::HandleCommand(int id) {
  // A command arrives from its item, its button or the accelerator, and
  // may have been queued before the logic disabled it: the item's state
  // decides, whoever sent it.
  for (Command c : {Command::kFirmUpdate, Command::kStop, Command::kWebConfig, Command::kRefresh,
                    Command::kExit, Command::kAbout, Command::kAdapter, Command::kAddAddress,
                    Command::kImportList, Command::kSideBySide}) {
    const CommandControls* controls = ControlsOf(c);
    if ((id == controls->item || id == controls->button) && !menu_.Enabled(controls->item)) return;
  }
  if (id == IDM_EXIT) {
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    return;
  }
  if (handlers_ == nullptr) return;
  switch (id) {
    case IDM_REFRESH:
      handlers_->RefreshItemClick();
      break;
    case IDM_ENGLISH:
      handlers_->EnglishItemClick();
      break;
    case IDM_JAPANESE:
      handlers_->JapaneseItemClick();
      break;
    case IDM_FIRMWARE_UPDATE:
    case IDC_FIRM_UPDATE_BUTTON:
      handlers_->FirmUpdateButtonClick();
      break;
    case IDM_STOP:
    case IDC_STOP_BUTTON:
      handlers_->StopButtonClick();
      break;
    case IDM_WEB_BROWSER:
    case IDC_WEB_CONFIG_BUTTON:
      handlers_->WebConfigButtonClick();
      break;
    case IDM_INTERFACES:
      handlers_->InterfacesItemClick();
      break;
    case IDM_OPTION1:
      handlers_->InputAddressItemClick();
      break;
    case IDM_IMPORT_IP_LIST:
      handlers_->ImportAddressListItemClick();
      break;
    case IDM_ABOUT:
      handlers_->AboutItemClick();
      break;
    case IDM_SIDE_BY_SIDE:
      handlers_->SideBySideItemClick();
      break;
    default:
      break;
  }
}

void MainWindow::ControlFocused(HWND control) {
  // Focus coming back with the whole window (another program was active)
  // is no arrival: only a move from another of our controls is.
  if (control == focused_control_) return;
  focused_control_ = control;
  if (handlers_ == nullptr) return;
  if (control == tree_.hwnd()) handlers_->TreeViewEnter();
  if (control == firm_update_) handlers_->FirmUpdateButtonEnter();
}

LRESULT CALLBACK MainWindow::ControlProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR id, DWORD_PTR self_data) {
  auto* self = reinterpret_cast<MainWindow*>(self_data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, &MainWindow::ControlProc, id);
    return DefSubclassProc(hwnd, message, wparam, lparam);
  }
  LRESULT result = 0;
  if (self->HandleControlMessage(hwnd, message, wparam, lparam, &result)) return result;
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

bool MainWindow::HandleControlMessage(HWND control, UINT message, WPARAM wparam, LPARAM lparam,
                                      LRESULT* result) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      // Our loop is the platform's and knows no accelerators or dialog
      // keys, so the controls hand them over.
      MSG msg{control, message, wparam, lparam, 0, {0, 0}};
      if (TranslateAcceleratorW(hwnd_, menu_.accelerators(), &msg)) return true;
      if (message == WM_KEYDOWN && wparam == VK_TAB) {
        HWND next = GetNextDlgTabItem(hwnd_, control, ShiftDown());
        if (next != nullptr) SetFocus(next);
        return true;
      }
      return false;
    }
    case WM_CHAR:
      // Tab is done; Enter on the tree selects its node.
      if (wparam == L'\t') return true;
      if (wparam == L'\r' && control == tree_.hwnd()) {
        tree_.EnterPressed();
        return true;
      }
      return false;
    case WM_KEYUP:
      if (control != tree_.hwnd()) return false;
      // After the control has moved its selection.
      *result = DefSubclassProc(control, message, wparam, lparam);
      tree_.KeyReleased();
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
      const POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      const bool left = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK;
      if (control == tree_.hwnd()) tree_.Pressed(at);
      if (control == list_.hwnd()) list_.Pressed(at, left);
      return false;
    }
    case WM_SETFOCUS:
      ControlFocused(control);
      return false;
    default:
      return false;
  }
}

}  // namespace win32
}  // namespace ui
