// A MainView without a window: it keeps what a window would show (tree,
// rows in display order, commands, captions), so the program can run
// headless and print its list, and tests can look at it. Questions are
// answered from a queue; an empty queue answers No (the default button).
#ifndef UPDATER_UI_HEADLESS_VIEW_H_
#define UPDATER_UI_HEADLESS_VIEW_H_

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "updater/ui/main_view.h"

namespace ui {

class HeadlessView : public MainView {
 public:
  struct TreeNode {
    NodeRef parent;
    std::string text;
    int image;
  };
  struct Question {
    std::string text, caption;
    AskKind icon;
    AskButtons buttons;
  };

  // What the window shows.
  std::string caption;
  std::map<NodeRef, TreeNode> tree;
  std::vector<NodeRef> tree_order;
  std::vector<RowRef> list_order;
  std::map<RowRef, RowData> rows;
  std::map<Command, bool> enabled;
  std::map<int, std::string> status_panels;
  std::map<Component, std::string> captions;
  std::map<Component, bool> item_checked;
  bool tree_enabled = true, list_enabled = true, lines_at_root = true;
  RowRef selected_row = kNoRow;
  int list_updates_open = 0;

  // What was asked, and the answers to give (No when the queue is empty).
  std::vector<Question> questions;
  std::deque<Answer> answers;
  std::vector<std::string> calls;

  // The list as a text table, top to bottom, one line per row.
  std::string FormatList() const;

  // The rows as the list shows them: caption per row, top to bottom.
  std::vector<std::string> Captions() const;
  const RowData* RowAt(size_t index) const;
  RowRef RowOf(const std::string& address) const;

  void SetCaption(const std::string& text) override { caption = text; }
  void TreeClear() override;
  void TreeAddNode(NodeRef node, NodeRef parent, const std::string& text, int image) override;
  void TreeExpandAll(NodeRef) override { calls.push_back("expand"); }
  void TreeSetLinesAtRoot(bool on) override { lines_at_root = on; }
  void TreeSetEnabled(bool on) override { tree_enabled = on; }
  void ListSetEnabled(bool on) override { list_enabled = on; }
  void ListBeginUpdate() override { ++list_updates_open; }
  void ListEndUpdate() override { --list_updates_open; }
  void ListClear() override;
  void ListInsertRow(int index, RowRef row, const RowData& data) override;
  void ListUpdateRow(RowRef row, const RowData& data) override;
  void ListSetOrder(const std::vector<RowRef>& order) override { list_order = order; }
  void ListSelectRow(RowRef row) override { selected_row = row; }
  void ListClearSelection() override { selected_row = kNoRow; }
  void SetCommandEnabled(Command c, bool on) override { enabled[c] = on; }
  void SetComponentCaption(Component c, const std::string& text) override { captions[c] = text; }
  void SetItemChecked(Component c, bool on) override { item_checked[c] = on; }
  void SetStatusPanel(int panel, const std::string& text) override { status_panels[panel] = text; }
  Answer Ask(const std::string& text, const std::string& caption, AskKind icon,
             AskButtons buttons) override;

 private:
  // Rows taken out by ListClear, kept for the next inserts: the list is
  // rebuilt on every reply, and this spares an allocation per row and text.
  std::vector<std::map<RowRef, RowData>::node_type> spare_rows_;
};

}  // namespace ui

#endif  // UPDATER_UI_HEADLESS_VIEW_H_
