#include "updater/ui/headless_view.h"

#include <algorithm>
#include <cstdio>

#include "platform/terminal_text.h"

namespace ui {

std::vector<std::string> HeadlessView::Captions() const {
  std::vector<std::string> out;
  for (RowRef r : list_order) out.push_back(rows.at(r).caption);
  return out;
}

std::string HeadlessView::FormatList() const {
  std::string out;
  char line[256];
  for (RowRef r : list_order) {
    const RowData& d = rows.at(r);
    const char* state = d.image == kImageReady      ? "ready"
                        : d.image == kImageNotReady ? "not ready"
                                                    : "unidentified";
    // Cells hold the boards' own names: no control reaches the terminal.
    const auto cell = [](const std::string& text) { return platform::TerminalText(text); };
    std::snprintf(line, sizeof line, "  [%c] %-28s %-17s %7s %6s  %-12s %s\n",
                  d.checked ? 'x' : ' ', cell(d.caption).c_str(), cell(d.sub[0]).c_str(),
                  cell(d.sub[1]).c_str(), cell(d.sub[2]).c_str(), state, cell(d.sub[3]).c_str());
    out += line;
  }
  return out;
}

const RowData* HeadlessView::RowAt(size_t index) const {
  if (index >= list_order.size()) return nullptr;
  return &rows.at(list_order[index]);
}

RowRef HeadlessView::RowOf(const std::string& address) const {
  for (const auto& [ref, data] : rows) {
    const std::string& c = data.caption;
    if (c.size() >= address.size() &&
        c.compare(c.size() - address.size(), address.size(), address) == 0) {
      return ref;
    }
  }
  return kNoRow;
}

void HeadlessView::TreeClear() {
  tree.clear();
  tree_order.clear();
  calls.push_back("tree clear");
}

void HeadlessView::TreeAddNode(NodeRef node, NodeRef parent, const std::string& text, int image) {
  tree[node] = TreeNode{parent, text, image};
  tree_order.push_back(node);
  calls.push_back("node " + text);
}

void HeadlessView::ListClear() {
  while (!rows.empty()) spare_rows_.push_back(rows.extract(rows.begin()));
  list_order.clear();
  selected_row = kNoRow;
}

void HeadlessView::ListInsertRow(int index, RowRef row, const RowData& data) {
  // Refs ascend: the end is the place.
  if (!spare_rows_.empty() && rows.count(row) == 0) {
    auto node = std::move(spare_rows_.back());
    spare_rows_.pop_back();
    node.key() = row;
    node.mapped() = data;
    rows.insert(rows.end(), std::move(node));
  } else {
    rows.insert_or_assign(rows.end(), row, data);
  }
  const size_t at = std::min(static_cast<size_t>(index < 0 ? 0 : index), list_order.size());
  list_order.insert(list_order.begin() + static_cast<long>(at), row);
}

void HeadlessView::ListUpdateRow(RowRef row, const RowData& data) {
  if (rows.count(row)) rows[row] = data;
}

Answer HeadlessView::Ask(const std::string& text, const std::string& caption_text, AskKind icon,
                         AskButtons buttons) {
  questions.push_back(Question{text, caption_text, icon, buttons});
  if (buttons == AskButtons::kOk) return Answer::kOk;
  if (answers.empty()) return Answer::kNo;  // the default button
  const Answer a = answers.front();
  answers.pop_front();
  return a;
}

}  // namespace ui
