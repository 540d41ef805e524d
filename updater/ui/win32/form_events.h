// Hands what the user does in the Win32 window to the window logic's
// handlers, and tells the program when the window is gone.
#ifndef UPDATER_UI_WIN32_FORM_EVENTS_H_
#define UPDATER_UI_WIN32_FORM_EVENTS_H_

#include <functional>
#include <utility>

#include "updater/ui/main_form.h"
#include "updater/ui/win32/main_window.h"

namespace ui {
namespace win32 {

class FormEvents final : public MainWindowEvents {
 public:
  FormEvents(TMainForm& form, std::function<void()> closed)
      : form_(form), closed_(std::move(closed)) {}

  void SelectCategory(NodeRef node, SelectVia via) override { form_.SelectCategory(node, via); }
  void TreeViewDblClick(NodeRef selected) override { form_.TreeViewDblClick(selected); }
  void TreeViewEnter() override { form_.TreeViewEnter(); }
  void FirmUpdateButtonEnter() override { form_.FirmUpdateButtonEnter(); }
  void ListViewMouseDown(RowRef row, bool checked) override {
    form_.ListViewMouseDown(row, checked);
  }
  void ListViewKeyPress(RowRef row, int key, bool checked) override {
    form_.ListViewKeyPress(row, key, checked);
  }
  void ListViewSelectItem(RowRef row, bool selected) override {
    form_.ListViewSelectItem(row, selected);
  }
  void ListViewColumnClick(int column) override { form_.ListViewColumnClick(column); }
  void RefreshItemClick() override { form_.RefreshItemClick(); }
  void EnglishItemClick() override { form_.EnglishItemClick(); }
  void JapaneseItemClick() override { form_.JapaneseItemClick(); }
  void FirmUpdateClick() override { form_.FirmUpdateButtonClick(); }
  void StopClick() override { form_.StopButtonClick(); }
  bool CloseQuery() override { return form_.FormClose(); }
  void Closed() override {
    if (closed_) closed_();
  }

 private:
  TMainForm& form_;
  std::function<void()> closed_;
};

}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_FORM_EVENTS_H_
