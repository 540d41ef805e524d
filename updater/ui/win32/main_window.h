// The updater's main window drawn with the system's common controls: the
// category tree, the device list with check boxes, the status bar, the
// button strip and the menus. It shows what TMainForm asks through MainView
// and reports what the user does through MainWindowEvents. Texts arrive as
// UTF-8 and go to the wide API, so Japanese shows on any Windows locale.
#ifndef UPDATER_UI_WIN32_MAIN_WINDOW_H_
#define UPDATER_UI_WIN32_MAIN_WINDOW_H_

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "updater/ui/main_form.h"
#include "updater/ui/main_view.h"
#include "updater/ui/win32/handles.h"

namespace ui {
namespace win32 {

// What the user did, in the words of the window logic's handlers. The
// commands whose logic arrives later default to doing nothing.
class MainWindowEvents {
 public:
  virtual void SelectCategory(NodeRef node, SelectVia via) = 0;
  virtual void TreeViewDblClick(NodeRef selected) = 0;
  virtual void TreeViewEnter() = 0;
  virtual void FirmUpdateButtonEnter() = 0;
  virtual void ListViewMouseDown(RowRef row, bool checked) = 0;
  virtual void ListViewKeyPress(RowRef row, int key, bool checked) = 0;
  virtual void ListViewSelectItem(RowRef row, bool selected) = 0;
  virtual void ListViewColumnClick(int column) = 0;
  virtual void RefreshItemClick() = 0;
  virtual void EnglishItemClick() = 0;
  virtual void JapaneseItemClick() = 0;
  virtual void FirmUpdateClick() {}
  virtual void StopClick() {}
  virtual void WebConfigClick() {}
  virtual void InterfacesItemClick() {}
  virtual void Option1Click() {}
  virtual void ImportIPList1Click() {}
  virtual void AboutItemClick() {}
  // The user asked to close the window; false keeps it open.
  virtual bool CloseQuery() { return true; }
  // The window is gone; the program's loop may end.
  virtual void Closed() {}

 protected:
  ~MainWindowEvents() = default;
};

// True when the system's common controls are older than 4.71 (no
// DllGetVersion, or a lower version): tree and list then show no images.
bool CommonControlsAreOld();
bool CommonControlsVersionIsOld(unsigned major, unsigned minor);

// Converts at the boundary between the UTF-8 core and the wide API.
using platform::win32::Utf8ToWide;
using platform::win32::WideToUtf8;

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

  // Builds the window, hidden and centred on the screen. `old_controls`
  // leaves tree and list without images. False when Windows refused.
  bool Create(HINSTANCE instance, bool old_controls);
  // Where the user's actions go; null drops them.
  void SetEvents(MainWindowEvents* events) { events_ = events; }
  void Show(int show_command);

  HWND hwnd() const { return hwnd_; }
  HWND tree() const { return tree_; }
  HWND list() const { return list_; }
  HWND status_bar() const { return status_; }
  HWND web_config_button() const { return web_config_; }
  HWND stop_button() const { return stop_; }
  HWND firm_update_button() const { return firm_update_; }
  HMENU menu() const { return menu_.get(); }
  // The list position of a row, -1 when the list has none.
  int ListIndexOf(RowRef row) const;
  RowRef RowAt(int index) const;
  NodeRef SelectedNode() const;

  // MainView
  void SetCaption(const std::string& text) override;
  void TreeClear() override;
  void TreeAddNode(NodeRef node, NodeRef parent, const std::string& text, int image) override;
  void TreeExpandAll(NodeRef node) override;
  void TreeSetLinesAtRoot(bool on) override;
  void TreeSetEnabled(bool on) override;
  void ListSetEnabled(bool on) override;
  void ListBeginUpdate() override;
  void ListEndUpdate() override;
  void ListClear() override;
  void ListInsertRow(int index, RowRef row, const RowData& data) override;
  void ListUpdateRow(RowRef row, const RowData& data) override;
  void ListSetOrder(const std::vector<RowRef>& rows) override;
  void ListSelectRow(RowRef row) override;
  void ListClearSelection() override;
  void SetCommandEnabled(Command command, bool on) override;
  void SetComponentCaption(Component component, const std::string& text) override;
  void SetItemChecked(Component component, bool on) override;
  void SetStatusPanel(int panel, const std::string& text) override;
  Answer Ask(const std::string& text, const std::string& caption, AskKind icon,
             AskButtons buttons) override;

 private:
  // Registers the window class under a name of this window's own, so
  // windows can come and go in any order (the tests make several).
  class WindowClass {
   public:
    WindowClass() = default;
    ~WindowClass();
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;
    bool Register(HINSTANCE instance, WNDPROC procedure, const void* owner);
    const wchar_t* name() const { return name_.c_str(); }

   private:
    std::wstring name_;
    ATOM atom_ = 0;
    HINSTANCE instance_ = nullptr;
  };

  // A press, Space or Enter on a row, handled once the list control has
  // finished with the input that caused it.
  enum class RowInput { kMouse, kSpace, kEnter };
  enum class Tick { kUnchecked, kChecked, kAsShown };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                      UINT_PTR id, DWORD_PTR self);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleControlMessage(HWND control, UINT message, WPARAM wparam, LPARAM lparam,
                               bool* handled);
  LRESULT HandleNotify(const NMHDR& header);
  void HandleCommand(int id);
  void HandleListChange(const NMLISTVIEW& change);
  void HandleRowInput(RowRef row, RowInput input, Tick tick);
  void PostRowInput(RowRef row, RowInput input, Tick tick);
  void ListPress(POINT at, bool left_button);
  void TreePress(POINT at);
  void ControlFocused(HWND control);

  bool CreateControls(bool old_controls);
  HMENU BuildMenu();
  void BuildImageLists();
  void CreateFonts();
  void UseFont(HFONT font);
  HFONT JapaneseFont();
  void Layout();
  void PlaceCentred();
  int ButtonWidth(HWND button, int minimum) const;
  RECT SplitterRect() const;
  void ApplyEnabled();
  void SetListCheck(int index, bool checked);
  bool ListChecked(int index) const;
  void WriteRow(int index, const RowData& data, bool with_check);
  HTREEITEM TreeItemOf(NodeRef node) const;
  void ExpandBranch(HTREEITEM item);
  void SetMenuCaption(int id, const std::wstring& text, bool by_position);

  WindowClass class_;
  Owned<HFONT, DeleteFont> font_;
  // The same size in a face with Japanese glyphs, made when Japanese is
  // first chosen and the message font has none.
  Owned<HFONT, DeleteFont> japanese_font_;
  bool japanese_font_tried_ = false;
  LOGFONTW message_font_{};
  Owned<HIMAGELIST, DestroyImageList> tree_images_;
  Owned<HMENU, DestroyMenuHandle> menu_;
  Owned<HACCEL, DestroyAccelerators> accelerators_;
  HINSTANCE instance_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND tree_ = nullptr;
  HWND list_ = nullptr;
  HWND status_ = nullptr;
  HWND web_config_ = nullptr;
  HWND stop_ = nullptr;
  HWND firm_update_ = nullptr;
  HWND focused_control_ = nullptr;  // the last child that had the focus
  MainWindowEvents* events_ = nullptr;

  std::map<NodeRef, HTREEITEM> nodes_;
  int tree_width_ = kTreeWidth;
  bool dragging_splitter_ = false;
  int drag_offset_ = 0;
  bool tree_on_ = true, list_on_ = true, panel_on_ = true;
  int list_updates_ = 0;
  // Set while the core writes rows, so the tick it sets is not taken for
  // the user's.
  int core_writes_ = 0;
  // Space went down in the list: the tick change it causes is a key press.
  bool space_pending_ = false;
};

}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_MAIN_WINDOW_H_
