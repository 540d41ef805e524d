#include "tests/support/test_view.h"

#include <algorithm>

namespace testing_support {

std::vector<std::string> TestView::Captions() const {
  std::vector<std::string> out;
  for (ui::RowRef r : list_order) out.push_back(rows.at(r).caption);
  return out;
}

const ui::RowData* TestView::RowAt(size_t index) const {
  if (index >= list_order.size()) return nullptr;
  return &rows.at(list_order[index]);
}

ui::RowRef TestView::RowOf(const std::string& address) const {
  for (const auto& [ref, data] : rows) {
    const std::string& c = data.caption;
    if (c.size() >= address.size() && c.compare(c.size() - address.size(), address.size(), address) == 0) {
      return ref;
    }
  }
  return ui::kNoRow;
}

void TestView::TreeClear() {
  tree.clear();
  tree_order.clear();
  calls.push_back("tree clear");
}

void TestView::TreeAddNode(ui::NodeRef node, ui::NodeRef parent, const std::string& text,
                           int image) {
  tree[node] = TreeNode{parent, text, image};
  tree_order.push_back(node);
  calls.push_back("node " + text);
}

void TestView::ListClear() {
  rows.clear();
  list_order.clear();
  selected_row = ui::kNoRow;
}

void TestView::ListInsertRow(int index, ui::RowRef row, const ui::RowData& data) {
  rows[row] = data;
  const size_t at = std::min(static_cast<size_t>(index < 0 ? 0 : index), list_order.size());
  list_order.insert(list_order.begin() + static_cast<long>(at), row);
}

void TestView::ListUpdateRow(ui::RowRef row, const ui::RowData& data) {
  if (rows.count(row)) rows[row] = data;
}

ui::Answer TestView::Ask(const std::string& text, const std::string& caption_text,
                         ui::AskKind kind) {
  questions.push_back(Question{text, caption_text, kind});
  if (answers.empty()) return kind == ui::AskKind::kQuestion ? ui::Answer::kNo : ui::Answer::kOk;
  const ui::Answer a = answers.front();
  answers.pop_front();
  return a;
}

}  // namespace testing_support
