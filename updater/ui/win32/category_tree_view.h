// The category tree: nodes known by the logic's handles, and the inputs
// that select a node (a press on it, Enter, any key's release) or expand it.
#ifndef UPDATER_UI_WIN32_CATEGORY_TREE_VIEW_H_
#define UPDATER_UI_WIN32_CATEGORY_TREE_VIEW_H_

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>

#include "updater/ui/main_form_handlers.h"
#include "updater/ui/main_view.h"
#include "updater/ui/win32/handles.h"

namespace ui {
namespace win32 {

class CategoryTreeView {
 public:
  CategoryTreeView() = default;
  CategoryTreeView(const CategoryTreeView&) = delete;
  CategoryTreeView& operator=(const CategoryTreeView&) = delete;

  // The tree control, a child of `parent` with the id `id`.
  bool Create(HWND parent, HINSTANCE instance, int id, bool with_images);
  // The control is gone with its parent.
  void Forget();
  HWND hwnd() const { return tree_; }
  void SetHandlers(MainFormHandlers* handlers) { handlers_ = handlers; }

  void Clear();
  void AddNode(NodeRef node, NodeRef parent, const std::string& text, int image);
  void ExpandAll(NodeRef node);
  void SetLinesAtRoot(bool on);
  NodeRef SelectedNode() const;

  // Inputs, from the control's messages.
  void Pressed(POINT at);
  void EnterPressed();
  void KeyReleased();
  void DoubleClicked();

 private:
  HTREEITEM ItemOf(NodeRef node) const;
  void ExpandBranch(HTREEITEM item);
  void Select(NodeRef node, SelectVia via);

  HWND tree_ = nullptr;
  MainFormHandlers* handlers_ = nullptr;
  // The tree never destroys its image list; this one lives as long as we do.
  UniqueImageList images_;
  std::map<NodeRef, HTREEITEM> nodes_;
};

}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_CATEGORY_TREE_VIEW_H_
