// The updater's main window drawn with the system's common controls: the
// frame with its splitter, button strip and status bar, holding the
// category tree, the device list and the menu bar. It shows what TMainForm
// asks through MainView and hands what the user does straight to the
// form's handlers. Texts arrive as UTF-8 and go to the wide API, so
// Japanese shows on any Windows locale.
#ifndef UPDATER_UI_WIN32_MAIN_WINDOW_H_
#define UPDATER_UI_WIN32_MAIN_WINDOW_H_

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win32/window_class.h"
#include "updater/ui/main_form_handlers.h"
#include "updater/ui/main_view.h"
#include "updater/ui/win32/category_tree_view.h"
#include "updater/ui/win32/device_list_view.h"
#include "updater/ui/win32/fonts.h"
#include "updater/ui/win32/menu_bar.h"

namespace ui {
namespace win32 {

// True when the system's common controls are older than 4.71 (no
// DllGetVersion, or a lower version): tree and list then show no images.
bool CommonControlsAreOld();
bool CommonControlsVersionIsOld(unsigned major, unsigned minor);

class MainWindow final : public MainView {
 public:
  // Client size of the first show and the smallest the user may make it.
  static constexpr int kClientWidth = 701;
  static constexpr int kClientHeight = 476;
  static constexpr int kMinClientWidth = 480;
  static constexpr int kMinClientHeight = 360;
  static constexpr int kTreeWidth = 161;
  static constexpr int kSplitterWidth = 3;
  static constexpr int kMinPaneWidth = 40;
  static constexpr int kStripHeight = 35;
  static constexpr int kFirmUpdateButtonWidth = 266;
  static constexpr int kStatusPanelWidth = 280;

  MainWindow() = default;
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Builds the window, hidden and centred on the screen, with the menu of
  // `instance`'s resources. `old_controls` leaves tree and list without
  // images. False when Windows refused.
  bool Create(HINSTANCE instance, bool old_controls);
  // Where the user's actions go; null drops them.
  void SetHandlers(MainFormHandlers* handlers);
  // Called once the window is gone, whoever destroyed it.
  void SetDestroyed(std::function<void()> destroyed) { destroyed_ = std::move(destroyed); }
  void Show(int show_command);

  HWND hwnd() const { return hwnd_; }
  HWND tree() const { return tree_.hwnd(); }
  HWND list() const { return list_.hwnd(); }
  HWND status_bar() const { return status_; }
  HWND web_config_button() const { return web_config_; }
  HWND stop_button() const { return stop_; }
  HWND firm_update_button() const { return firm_update_; }
  HMENU menu() const { return menu_.get(); }
  int ListIndexOf(RowRef row) const { return list_.IndexOf(row); }
  RowRef RowAt(int index) const { return list_.RowAt(index); }
  NodeRef SelectedNode() const { return tree_.SelectedNode(); }

  // MainView
  void SetCaption(const std::string& text) override;
  void TreeClear() override { tree_.Clear(); }
  void TreeAddNode(NodeRef node, NodeRef parent, const std::string& text, int image) override {
    tree_.AddNode(node, parent, text, image);
  }
  void TreeExpandAll(NodeRef node) override { tree_.ExpandAll(node); }
  void TreeSetLinesAtRoot(bool on) override { tree_.SetLinesAtRoot(on); }
  void TreeSetEnabled(bool on) override;
  void ListSetEnabled(bool on) override;
  void ListBeginUpdate() override { list_.BeginUpdate(); }
  void ListEndUpdate() override { list_.EndUpdate(); }
  void ListClear() override { list_.Clear(); }
  void ListInsertRow(int index, RowRef row, const RowData& data) override {
    list_.InsertRow(index, row, data);
  }
  void ListUpdateRow(RowRef row, const RowData& data) override { list_.UpdateRow(row, data); }
  void ListSetOrder(const std::vector<RowRef>& rows) override { list_.SetOrder(rows); }
  void ListSelectRow(RowRef row) override { list_.SelectRow(row); }
  void ListClearSelection() override { list_.ClearSelection(); }
  void SetCommandEnabled(Command command, bool on) override;
  void SetComponentCaption(Component component, const std::string& text) override;
  void SetItemChecked(Component component, bool on) override;
  void SetStatusPanel(int panel, const std::string& text) override;
  Answer Ask(const std::string& text, const std::string& caption, AskKind icon,
             AskButtons buttons) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                      UINT_PTR id, DWORD_PTR self);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  bool HandleControlMessage(HWND control, UINT message, WPARAM wparam, LPARAM lparam,
                            LRESULT* result);
  void HandleCommand(int id);
  void RequestClose();
  void ControlFocused(HWND control);
  void Forget();

  bool CreateControls(bool old_controls);
  HWND CreateButton(int id, const wchar_t* caption);
  void UseFont(HFONT font);
  void Layout();
  void PlaceCentred();
  int ButtonWidth(HWND button, int minimum) const;
  RECT SplitterRect() const;
  void ApplyEnabled();
  bool SystemCloseEnabled() const;

  platform::win32::WindowClass class_;
  Fonts fonts_;
  MenuBar menu_;
  CategoryTreeView tree_;
  DeviceListView list_;
  HINSTANCE instance_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND status_ = nullptr;
  HWND web_config_ = nullptr;
  HWND stop_ = nullptr;
  HWND firm_update_ = nullptr;
  HWND focused_control_ = nullptr;  // the last child that had the focus
  MainFormHandlers* handlers_ = nullptr;
  std::function<void()> destroyed_;

  int tree_width_ = kTreeWidth;
  bool dragging_splitter_ = false;
  int drag_offset_ = 0;
  bool tree_on_ = true, list_on_ = true, panel_on_ = true;
  // A close request is being asked about; another one waits for its answer.
  bool asking_close_ = false;
};

}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_MAIN_WINDOW_H_
