// The device list: report-style rows with check boxes, known by the
// logic's row handles. It tells the logic about the user's ticks, key
// presses, selection and header clicks, never about ticks the logic wrote.
#ifndef UPDATER_UI_WIN32_DEVICE_LIST_VIEW_H_
#define UPDATER_UI_WIN32_DEVICE_LIST_VIEW_H_

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "updater/ui/main_form_handlers.h"
#include "updater/ui/main_view.h"

namespace ui {
namespace win32 {

class DeviceListView {
 public:
  // The list's own message to its parent: a row input, handed to the
  // logic once the control has finished the input that caused it.
  static constexpr UINT kRowInputMessage = WM_APP + 1;

  DeviceListView() = default;
  DeviceListView(const DeviceListView&) = delete;
  DeviceListView& operator=(const DeviceListView&) = delete;

  // The list control with its five columns, a child of `parent`.
  bool Create(HWND parent, HINSTANCE instance, int id, bool with_images);
  void Forget() { list_ = nullptr; }
  HWND hwnd() const { return list_; }
  void SetHandlers(MainFormHandlers* handlers) { handlers_ = handlers; }

  void SetColumnCaption(int column, const std::wstring& text);
  void BeginUpdate();
  void EndUpdate();
  void Clear();
  void InsertRow(int index, RowRef row, const RowData& data);
  void UpdateRow(RowRef row, const RowData& data);
  void SetOrder(const std::vector<RowRef>& rows);
  void SelectRow(RowRef row);
  void ClearSelection();

  // The list position of a row, -1 when the list has none.
  int IndexOf(RowRef row) const;
  RowRef RowAt(int index) const;
  bool Checked(int index) const;

  // Inputs, from the control's messages and notifications.
  void Pressed(POINT at, bool left_button);
  void Notified(const NMHDR& header);
  void RowInputArrived(WPARAM wparam, LPARAM lparam);

 private:
  enum class RowInput { kMouse, kSpace, kEnter };
  enum class Tick { kUnchecked, kChecked, kAsShown };

  void ItemChanged(const NMLISTVIEW& change);
  void PostRowInput(RowRef row, RowInput input, Tick tick);
  void SetCheck(int index, bool checked);
  void WriteRow(int index, const RowData& data);

  HWND list_ = nullptr;
  HWND parent_ = nullptr;
  MainFormHandlers* handlers_ = nullptr;
  int updates_ = 0;
  // Set while the logic writes rows, so the tick it sets is not taken for
  // the user's.
  int logic_writes_ = 0;
  // Space went down in the list: the tick change it causes is a key press.
  bool space_pending_ = false;
};

}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_DEVICE_LIST_VIEW_H_
