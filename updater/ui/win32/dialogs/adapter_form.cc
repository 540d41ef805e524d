#include "updater/ui/win32/dialogs/adapter_form.h"

#include <utility>

#include "platform/win32/wide_text.h"
#include "updater/ui/dialog_texts.h"
#include "updater/ui/win32/dialogs/adapter_form_rc.h"

namespace ui {
namespace win32 {

using platform::win32::Utf8ToWide;
using platform::win32::WideToUtf8;

namespace {

constexpr int kColumnWidth = 200;

std::wstring CellText(HWND list, int row, int column) {
  wchar_t text[512] = L"";
  ListView_GetItemText(list, row, column, text, 512);
  return text;
}

}  // namespace

TAdapterForm::TAdapterForm(HINSTANCE instance, Lister lister)
    : ModalDialog(instance, IDD_ADAPTER_FORM), lister_(std::move(lister)) {}

void TAdapterForm::Show(HWND owner, Language language, AdapterFormEvents* events) {
  language_ = language;
  events_ = events;
  ShowModal(owner);
  events_ = nullptr;
}

void TAdapterForm::OnInitDialog() {
  const HWND list = Item(IDC_ADAPTER_LIST);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  ListView_DeleteAllItems(list);
  const AdapterDialogTexts texts = AdapterTexts(language_);
  SetCaption(texts.caption);
  const std::wstring names[2] = {Utf8ToWide(texts.device_column), Utf8ToWide(texts.address_column)};
  for (int c = 0; c < 2; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.cx = kColumnWidth;
    column.pszText = const_cast<wchar_t*>(names[c].c_str());
    column.iSubItem = c;
    ListView_InsertColumn(list, c, &column);
  }
  // The list sorts itself by caption as rows are added.
  for (const platform::AdapterRow& row :
       lister_ ? lister_() : std::vector<platform::AdapterRow>{}) {
    std::wstring name = Utf8ToWide(row.name);
    std::wstring address = Utf8ToWide(row.address);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = ListView_GetItemCount(list);
    item.pszText = const_cast<wchar_t*>(name.c_str());
    const int index = ListView_InsertItem(list, &item);
    if (index >= 0) ListView_SetItemText(list, index, 1, const_cast<wchar_t*>(address.c_str()));
  }
}

bool TAdapterForm::OnCommand(int id, int code, HWND) {
  if (id == IDC_ADAPTER_OK || id == IDOK) {  // AdapterOkClick
    ListView_DeleteAllItems(Item(IDC_ADAPTER_LIST));
    if (events_ != nullptr) events_->AdapterOkClick();
    Close(IDOK);
    return true;
  }
  if (id == IDCANCEL) {  // Esc or the close box: no refresh
    Close(IDCANCEL);
    return true;
  }
  return false;
}

bool TAdapterForm::OnNotify(const NMHDR& header, LRESULT*) {
  if (header.idFrom != IDC_ADAPTER_LIST || header.code != LVN_ITEMCHANGED) return false;
  const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
  const bool now_selected = (change.uChanged & LVIF_STATE) != 0 &&
                            (change.uNewState & LVIS_SELECTED) != 0 &&
                            (change.uOldState & LVIS_SELECTED) == 0;
  if (now_selected && change.iItem >= 0 && events_ != nullptr) {
    events_->AdapterListSelectItem(WideToUtf8(CellText(header.hwndFrom, change.iItem, 1)));
  }
  return true;
}

std::vector<platform::AdapterRow> TAdapterForm::Rows() const {
  std::vector<platform::AdapterRow> rows;
  const HWND list = Item(IDC_ADAPTER_LIST);
  if (list == nullptr) return rows;
  const int count = ListView_GetItemCount(list);
  for (int i = 0; i < count; ++i) {
    rows.push_back({WideToUtf8(CellText(list, i, 0)), WideToUtf8(CellText(list, i, 1))});
  }
  return rows;
}

}  // namespace win32
}  // namespace ui
