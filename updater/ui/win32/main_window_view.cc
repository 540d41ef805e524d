// What the window logic asks of the main window (MainView): captions,
// enabled commands, the status bar and message boxes.
#include "updater/ui/win32/main_window.h"

#include "platform/win32/wide_text.h"
#include "updater/ui/win32/message_box.h"

namespace ui {
namespace win32 {
namespace {

using platform::win32::Utf8ToWide;

int ColumnOf(Component c) {
  constexpr Component kColumnComponents[kColumnCount] = {
      Component::ListColumn0, Component::ListColumn1, Component::ListColumn2,
      Component::ListColumn3, Component::ListColumn4};
  for (int i = 0; i < kColumnCount; ++i) {
    if (kColumnComponents[i] == c) return i;
  }
  return -1;
}

}  // namespace

void MainWindow::SetCaption(const std::string& text) {
  if (hwnd_ != nullptr) SetWindowTextW(hwnd_, Utf8ToWide(text).c_str());
}

void MainWindow::ApplyEnabled() {
  if (hwnd_ == nullptr) return;
  EnableWindow(tree_.hwnd(), tree_on_ && panel_on_);
  EnableWindow(list_.hwnd(), list_on_ && panel_on_);
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

void MainWindow::ListSetEnabled(bool on) {
  list_on_ = on;
  ApplyEnabled();
}

void MainWindow::SetCommandEnabled(Command command, bool on) {
  if (hwnd_ == nullptr) return;
  if (command == Command::kMainPanel) {
    panel_on_ = on;
    ApplyEnabled();
    return;
  }
  if (command == Command::kClose) {
    // Also greys the caption's close button.
    EnableMenuItem(GetSystemMenu(hwnd_, FALSE), SC_CLOSE,
                   MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    return;
  }
  const CommandControls* controls = ControlsOf(command);
  if (controls == nullptr) return;
  if (controls->button != 0) EnableWindow(GetDlgItem(hwnd_, controls->button), on);
  menu_.Enable(controls->item, on);
}

void MainWindow::SetComponentCaption(Component component, const std::string& text) {
  if (hwnd_ == nullptr) return;
  const std::wstring wide = Utf8ToWide(text);
  if (const int column = ColumnOf(component); column >= 0) {
    list_.SetColumnCaption(column, wide);
    return;
  }
  if (menu_.SetCaption(hwnd_, component, wide)) return;
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
  if (on && component == Component::JapaneseItem) UseFont(fonts_.Japanese());
  if (on && component == Component::EnglishItem) UseFont(fonts_.Latin());
  menu_.SetChecked(component, on);
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
  return ShowMessageBox(hwnd_, text, caption, icon, buttons);
}

}  // namespace win32
}  // namespace ui
