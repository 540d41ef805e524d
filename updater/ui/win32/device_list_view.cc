#include "updater/ui/win32/device_list_view.h"

#include <algorithm>
#include <unordered_map>

#include "platform/win32/wide_text.h"
#include "updater/ui/win32/handles.h"
#include "updater/ui/win32/icons.h"

namespace ui {
namespace win32 {
namespace {

using platform::win32::Utf8ToWide;

struct ColumnDesign {
  const wchar_t* caption;
  int width;
  int format;
};
constexpr ColumnDesign kColumns[kColumnCount] = {
    {L"IP Address", 123, LVCFMT_LEFT}, {L"MAC Address", 117, LVCFMT_LEFT},
    {L"Version", 60, LVCFMT_RIGHT},    {L"%", 47, LVCFMT_RIGHT},
    {L"Status", 170, LVCFMT_LEFT},
};

// State images: 0 before an item has its check box, then 1 clear, 2 ticked.
constexpr UINT kStateClear = 1;
constexpr UINT kStateTicked = 2;

UINT StateImage(UINT state) { return (state & LVIS_STATEIMAGEMASK) >> 12; }

int CALLBACK CompareByOrder(LPARAM a, LPARAM b, LPARAM order_data) {
  const auto& order = *reinterpret_cast<const std::unordered_map<RowRef, int>*>(order_data);
  auto rank = [&order](LPARAM p) {
    auto it = order.find(static_cast<RowRef>(p));
    return it == order.end() ? static_cast<int>(order.size()) : it->second;
  };
  return rank(a) - rank(b);
}

// Counts the logic's writes for one scope.
class LogicWrite {
 public:
  explicit LogicWrite(int& count) : count_(count) { ++count_; }
  ~LogicWrite() { --count_; }
  LogicWrite(const LogicWrite&) = delete;
  LogicWrite& operator=(const LogicWrite&) = delete;

 private:
  int& count_;
};

}  // namespace

bool DeviceListView::Create(HWND parent, HINSTANCE instance, int id, bool with_images) {
  parent_ = parent;
  list_ = CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL, 0, 0, 0,
      0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (list_ == nullptr) return false;
  ListView_SetExtendedListViewStyle(list_,
                                    LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  for (int i = 0; i < kColumnCount; ++i) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    col.fmt = kColumns[i].format;
    col.cx = kColumns[i].width;
    col.pszText = const_cast<wchar_t*>(kColumns[i].caption);
    col.iSubItem = i;
    ListView_InsertColumn(list_, i, &col);
  }
  if (with_images) {
    // The list destroys its image lists with itself.
    UniqueImageList rows(MakeRowImages());
    if (rows) ListView_SetImageList(list_, rows.release(), LVSIL_SMALL);
  }
  return true;
}

void DeviceListView::SetColumnCaption(int column, const std::wstring& text) {
  if (list_ == nullptr) return;
  std::wstring copy = text;
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT;
  col.pszText = &copy[0];
  ListView_SetColumn(list_, column, &col);
}

void DeviceListView::BeginUpdate() {
  if (updates_++ == 0 && list_ != nullptr) SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
}

void DeviceListView::EndUpdate() {
  if (updates_ == 0) return;
  if (--updates_ == 0 && list_ != nullptr) {
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
  }
}

void DeviceListView::Clear() {
  if (list_ == nullptr) return;
  LogicWrite write(logic_writes_);
  ListView_DeleteAllItems(list_);
}

int DeviceListView::IndexOf(RowRef row) const {
  if (list_ == nullptr || row == kNoRow) return -1;
  LVFINDINFOW find{};
  find.flags = LVFI_PARAM;
  find.lParam = static_cast<LPARAM>(row);
  return static_cast<int>(
      SendMessageW(list_, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

RowRef DeviceListView::RowAt(int index) const {
  if (list_ == nullptr || index < 0) return kNoRow;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  if (!ListView_GetItem(list_, &item)) return kNoRow;
  return static_cast<RowRef>(item.lParam);
}

bool DeviceListView::Checked(int index) const {
  return list_ != nullptr &&
         StateImage(ListView_GetItemState(list_, index, LVIS_STATEIMAGEMASK)) == kStateTicked;
}

void DeviceListView::SetCheck(int index, bool checked) {
  if (Checked(index) == checked) return;
  ListView_SetItemState(list_, index, INDEXTOSTATEIMAGEMASK(checked ? kStateTicked : kStateClear),
                        LVIS_STATEIMAGEMASK);
}

void DeviceListView::WriteRow(int index, const RowData& data) {
  std::wstring caption = Utf8ToWide(data.caption);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = index;
  item.pszText = &caption[0];
  item.iImage = data.image;
  ListView_SetItem(list_, &item);
  for (int i = 1; i < kColumnCount; ++i) {
    std::wstring sub = Utf8ToWide(data.sub[static_cast<size_t>(i - 1)]);
    ListView_SetItemText(list_, index, i, &sub[0]);
  }
  SetCheck(index, data.checked);
}

void DeviceListView::InsertRow(int index, RowRef row, const RowData& data) {
  if (list_ == nullptr) return;
  LogicWrite write(logic_writes_);
  LVITEMW item{};
  item.mask = LVIF_PARAM | LVIF_TEXT;
  item.iItem = std::max(0, index);
  item.lParam = static_cast<LPARAM>(row);
  item.pszText = const_cast<wchar_t*>(L"");
  const int at = ListView_InsertItem(list_, &item);
  if (at >= 0) WriteRow(at, data);
}

void DeviceListView::UpdateRow(RowRef row, const RowData& data) {
  const int index = IndexOf(row);
  if (index < 0) return;
  LogicWrite write(logic_writes_);
  WriteRow(index, data);
}

void DeviceListView::SetOrder(const std::vector<RowRef>& rows) {
  if (list_ == nullptr) return;
  std::unordered_map<RowRef, int> order;
  for (size_t i = 0; i < rows.size(); ++i) order[rows[i]] = static_cast<int>(i);
  LogicWrite write(logic_writes_);
  ListView_SortItems(list_, CompareByOrder, reinterpret_cast<LPARAM>(&order));
}

void DeviceListView::SelectRow(RowRef row) {
  const int index = IndexOf(row);
  if (index < 0) return;
  ListView_SetItemState(list_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list_, index, FALSE);
}

void DeviceListView::ClearSelection() {
  if (list_ == nullptr) return;
  for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list_, i, LVNI_SELECTED)) {
    ListView_SetItemState(list_, i, 0, LVIS_SELECTED);
  }
}

void DeviceListView::Pressed(POINT at, bool left_button) {
  space_pending_ = false;
  if (list_ == nullptr) return;
  LVHITTESTINFO hit{};
  hit.pt = at;
  const int index = ListView_HitTest(list_, &hit);
  if (index < 0) return;
  // A left press on the check box makes the control toggle the tick; the
  // change notification reports it with the tick after the toggle. Any
  // other press is reported once the control has handled it.
  if (left_button && (hit.flags & LVHT_ONITEMSTATEICON)) return;
  PostRowInput(RowAt(index), RowInput::kMouse, Tick::kAsShown);
}

void DeviceListView::Notified(const NMHDR& header) {
  switch (header.code) {
    case LVN_ITEMCHANGED:
      ItemChanged(reinterpret_cast<const NMLISTVIEW&>(header));
      break;
    case LVN_KEYDOWN: {
      const auto& key = reinterpret_cast<const NMLVKEYDOWN&>(header);
      const int selected = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
      if (key.wVKey == VK_SPACE) {
        space_pending_ = true;
      } else if (key.wVKey == VK_RETURN && selected >= 0) {
        PostRowInput(RowAt(selected), RowInput::kEnter, Tick::kAsShown);
      }
      break;
    }
    case LVN_COLUMNCLICK:
      if (handlers_ != nullptr) {
        handlers_->ListViewColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
      }
      break;
    default:
      break;
  }
}

void DeviceListView::ItemChanged(const NMLISTVIEW& change) {
  if (!(change.uChanged & LVIF_STATE)) return;
  const UINT changed = change.uOldState ^ change.uNewState;
  const RowRef row = change.iItem >= 0 ? RowAt(change.iItem) : kNoRow;
  if (changed & LVIS_STATEIMAGEMASK) {
    // Only a change between the two ticks that the logic did not write is
    // the user's.
    const UINT before = StateImage(change.uOldState);
    const UINT after = StateImage(change.uNewState);
    if (logic_writes_ == 0 && before != 0 && after != 0 && row != kNoRow) {
      PostRowInput(row, space_pending_ ? RowInput::kSpace : RowInput::kMouse,
                   after == kStateTicked ? Tick::kChecked : Tick::kUnchecked);
      space_pending_ = false;
    }
  }
  if ((changed & LVIS_SELECTED) && handlers_ != nullptr) {
    handlers_->ListViewSelectItem(row, (change.uNewState & LVIS_SELECTED) != 0);
  }
}

void DeviceListView::PostRowInput(RowRef row, RowInput input, Tick tick) {
  PostMessageW(parent_, kRowInputMessage, static_cast<WPARAM>(row),
               static_cast<LPARAM>(static_cast<int>(input) | (static_cast<int>(tick) << 8)));
}

void DeviceListView::RowInputArrived(WPARAM wparam, LPARAM lparam) {
  if (handlers_ == nullptr) return;
  const RowRef row = static_cast<RowRef>(wparam);
  const auto input = static_cast<RowInput>(lparam & 0xFF);
  const auto tick = static_cast<Tick>((lparam >> 8) & 0xFF);
  bool checked = tick == Tick::kChecked;
  if (tick == Tick::kAsShown) {
    const int index = IndexOf(row);
    // The row went away meanwhile (a refresh): nothing to tick.
    if (index < 0) return;
    checked = Checked(index);
  }
  switch (input) {
    case RowInput::kMouse:
      handlers_->ListViewMouseDown(row, checked);
      break;
    case RowInput::kSpace:
      handlers_->ListViewKeyPress(row, VK_SPACE, checked);
      break;
    case RowInput::kEnter:
      handlers_->ListViewKeyPress(row, VK_RETURN, checked);
      break;
  }
}

}  // namespace win32
}  // namespace ui
