// What the main window's logic asks of its window. The Win32 view draws
// real common controls; the test view records every call and answers
// questions from a script. Texts are UTF-8.
#ifndef UPDATER_UI_MAIN_VIEW_H_
#define UPDATER_UI_MAIN_VIEW_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "updater/protocol/device.h"
#include "updater/ui/texts.h"

namespace ui {

using NodeRef = uintptr_t;  // 0 is no node
constexpr NodeRef kNoNode = 0;
// A list row, chosen by the window logic; 0 is no row.
using RowRef = uintptr_t;
constexpr RowRef kNoRow = 0;

// Row images and tree images (indices into the image list).
constexpr int kImageReady = 0;
constexpr int kImageNotReady = 5;
constexpr int kImageUnidentified = 6;
constexpr int kImageRoot = 0;
constexpr int kImageWired = 1;
constexpr int kImageWireless = 2;

constexpr int kColumnCount = 5;  // address, MAC, version, %, status

struct RowData {
  std::string caption;  // column 0
  int image = kImageReady;
  std::array<std::string, kColumnCount - 1> sub;  // MAC, version, %, status
  bool checked = false;
};

// Commands that are enabled and disabled as a pair of button and menu item,
// or alone.
enum class Command {
  kFirmUpdate,  // FirmUpdateButton and FirmwareUpdateItem
  kStop,        // StopButton and StopItem
  kWebConfig,   // WebConfigButton and WebBrowserItem
  kRefresh,     // RefreshItem
  kMainPanel,   // MainPanel: tree and list take input
  kExit,        // ExitItem
  kAbout,       // AboutItem
  kClose,       // Close of the window's system menu
  kAdapter,     // InterfacesItem: the adapter dialog
  kAddAddress,  // Option1: a typed address
  kImportList,  // ImportIPList1: addresses from a file
  kSideBySide,  // SideBySideItem: not switched while a batch runs
};
constexpr int kCommandCount = 12;

// The icon of a message box, and its buttons.
enum class AskKind { kInformation, kWarning, kError, kQuestion };
enum class AskButtons { kOk, kYesNo };
enum class Answer { kOk, kYes, kNo };

class MainView {
 public:
  virtual ~MainView() = default;

  virtual void SetCaption(const std::string& text) = 0;

  // Category tree. Node handles are chosen by the caller.
  virtual void TreeClear() = 0;
  virtual void TreeAddNode(NodeRef node, NodeRef parent, const std::string& text, int image) = 0;
  virtual void TreeExpandAll(NodeRef node) = 0;
  virtual void TreeSetLinesAtRoot(bool on) = 0;
  virtual void TreeSetEnabled(bool on) = 0;

  // Device list. Row handles are chosen by the caller; `index` is the
  // display position.
  virtual void ListSetEnabled(bool on) = 0;
  virtual void ListBeginUpdate() = 0;
  virtual void ListEndUpdate() = 0;
  virtual void ListClear() = 0;
  virtual void ListInsertRow(int index, RowRef row, const RowData& data) = 0;
  virtual void ListUpdateRow(RowRef row, const RowData& data) = 0;
  virtual void ListSetOrder(const std::vector<RowRef>& rows) = 0;
  virtual void ListSelectRow(RowRef row) = 0;
  virtual void ListClearSelection() = 0;

  virtual void SetCommandEnabled(Command command, bool on) = 0;
  // Language-dependent captions of menus, items, buttons and list columns.
  virtual void SetComponentCaption(Component component, const std::string& text) = 0;
  // The on/off mark of a menu item (the language radio group).
  virtual void SetItemChecked(Component component, bool on) = 0;
  virtual void SetStatusPanel(int panel, const std::string& text) = 0;

  // A modal box; No is the default button of every Yes/No question.
  virtual Answer Ask(const std::string& text, const std::string& caption, AskKind icon,
                     AskButtons buttons) = 0;
};

}  // namespace ui

#endif  // UPDATER_UI_MAIN_VIEW_H_
