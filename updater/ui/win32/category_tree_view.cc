#include "updater/ui/win32/category_tree_view.h"

#include "platform/win32/wide_text.h"
#include "updater/ui/win32/icons.h"

namespace ui {
namespace win32 {

bool CategoryTreeView::Create(HWND parent, HINSTANCE instance, int id, bool with_images) {
  tree_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                              TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                          0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          instance, nullptr);
  if (tree_ == nullptr) return false;
  if (with_images) {
    images_.reset(MakeNodeImages());
    TreeView_SetImageList(tree_, images_.get(), TVSIL_NORMAL);
  }
  return true;
}

void CategoryTreeView::Forget() {
  tree_ = nullptr;
  nodes_.clear();
}

HTREEITEM CategoryTreeView::ItemOf(NodeRef node) const {
  auto it = nodes_.find(node);
  return it == nodes_.end() ? nullptr : it->second;
}

NodeRef CategoryTreeView::SelectedNode() const {
  if (tree_ == nullptr) return kNoNode;
  HTREEITEM item = TreeView_GetSelection(tree_);
  if (item == nullptr) return kNoNode;
  TVITEMW tv{};
  tv.mask = TVIF_PARAM;
  tv.hItem = item;
  return TreeView_GetItem(tree_, &tv) ? static_cast<NodeRef>(tv.lParam) : kNoNode;
}

void CategoryTreeView::Clear() {
  nodes_.clear();
  if (tree_ != nullptr) TreeView_DeleteAllItems(tree_);
}

void CategoryTreeView::AddNode(NodeRef node, NodeRef parent, const std::string& text, int image) {
  if (tree_ == nullptr) return;
  std::wstring wide = platform::win32::Utf8ToWide(text);
  TVINSERTSTRUCTW ins{};
  HTREEITEM parent_item = ItemOf(parent);
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

void CategoryTreeView::ExpandBranch(HTREEITEM item) {
  TreeView_Expand(tree_, item, TVE_EXPAND);
  for (HTREEITEM c = TreeView_GetChild(tree_, item); c != nullptr;
       c = TreeView_GetNextSibling(tree_, c)) {
    ExpandBranch(c);
  }
}

void CategoryTreeView::ExpandAll(NodeRef node) {
  HTREEITEM item = ItemOf(node);
  if (item == nullptr) return;
  ExpandBranch(item);
  InvalidateRect(tree_, nullptr, TRUE);
}

void CategoryTreeView::SetLinesAtRoot(bool on) {
  if (tree_ == nullptr) return;
  LONG_PTR style = GetWindowLongPtrW(tree_, GWL_STYLE);
  style = on ? (style | TVS_LINESATROOT) : (style & ~static_cast<LONG_PTR>(TVS_LINESATROOT));
  SetWindowLongPtrW(tree_, GWL_STYLE, style);
  InvalidateRect(tree_, nullptr, TRUE);
}

void CategoryTreeView::Select(NodeRef node, SelectVia via) {
  if (handlers_ != nullptr && node != kNoNode) handlers_->SelectCategory(node, via);
}

void CategoryTreeView::Pressed(POINT at) {
  if (tree_ == nullptr) return;
  TVHITTESTINFO hit{};
  hit.pt = at;
  HTREEITEM item = TreeView_HitTest(tree_, &hit);
  if (item == nullptr || !(hit.flags & TVHT_ONITEM)) return;
  TVITEMW tv{};
  tv.mask = TVIF_PARAM;
  tv.hItem = item;
  if (TreeView_GetItem(tree_, &tv)) Select(static_cast<NodeRef>(tv.lParam), SelectVia::kMouse);
}

void CategoryTreeView::EnterPressed() { Select(SelectedNode(), SelectVia::kEnter); }

void CategoryTreeView::KeyReleased() { Select(SelectedNode(), SelectVia::kKeyUp); }

void CategoryTreeView::DoubleClicked() {
  if (handlers_ != nullptr) handlers_->TreeViewDblClick(SelectedNode());
}

}  // namespace win32
}  // namespace ui
