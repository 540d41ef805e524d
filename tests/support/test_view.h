// A MainView that keeps what a window would show, records every call, and
// answers questions from a queue.
#ifndef TESTS_SUPPORT_TEST_VIEW_H_
#define TESTS_SUPPORT_TEST_VIEW_H_

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "updater/ui/main_view.h"

namespace testing_support {

class TestView final : public ui::MainView {
 public:
  struct TreeNode {
    ui::NodeRef parent;
    std::string text;
    int image;
  };
  struct Question {
    std::string text, caption;
    ui::AskKind kind;
  };

  // What the window shows.
  std::string caption;
  std::map<ui::NodeRef, TreeNode> tree;
  std::vector<ui::NodeRef> tree_order;
  std::vector<ui::RowRef> list_order;
  std::map<ui::RowRef, ui::RowData> rows;
  std::map<ui::Command, bool> enabled;
  std::map<int, std::string> status_panels;
  std::map<ui::Component, std::string> captions;
  std::map<ui::Component, bool> item_checked;
  bool tree_enabled = true, list_enabled = true, lines_at_root = true;
  ui::RowRef selected_row = ui::kNoRow;
  int list_updates_open = 0;

  // What was asked, and the answers to give (No when the queue is empty).
  std::vector<Question> questions;
  std::deque<ui::Answer> answers;
  std::vector<std::string> calls;

  // The rows as the list shows them: caption per row, top to bottom.
  std::vector<std::string> Captions() const;
  const ui::RowData* RowAt(size_t index) const;
  ui::RowRef RowOf(const std::string& address) const;

  void SetCaption(const std::string& text) override { caption = text; }
  void TreeClear() override;
  void TreeAddNode(ui::NodeRef node, ui::NodeRef parent, const std::string& text,
                   int image) override;
  void TreeExpandAll(ui::NodeRef) override { calls.push_back("expand"); }
  void TreeSetLinesAtRoot(bool on) override { lines_at_root = on; }
  void TreeSetEnabled(bool on) override { tree_enabled = on; }
  void ListSetEnabled(bool on) override { list_enabled = on; }
  void ListBeginUpdate() override { ++list_updates_open; }
  void ListEndUpdate() override { --list_updates_open; }
  void ListClear() override;
  void ListInsertRow(int index, ui::RowRef row, const ui::RowData& data) override;
  void ListUpdateRow(ui::RowRef row, const ui::RowData& data) override;
  void ListSetOrder(const std::vector<ui::RowRef>& order) override { list_order = order; }
  void ListSelectRow(ui::RowRef row) override { selected_row = row; }
  void ListClearSelection() override { selected_row = ui::kNoRow; }
  void SetCommandEnabled(ui::Command c, bool on) override { enabled[c] = on; }
  void SetComponentCaption(ui::Component c, const std::string& text) override {
    captions[c] = text;
  }
  void SetItemChecked(ui::Component c, bool on) override { item_checked[c] = on; }
  void SetStatusPanel(int panel, const std::string& text) override { status_panels[panel] = text; }
  ui::Answer Ask(const std::string& text, const std::string& caption, ui::AskKind kind) override;
};

}  // namespace testing_support

#endif  // TESTS_SUPPORT_TEST_VIEW_H_
