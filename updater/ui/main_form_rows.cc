// The window logic's rows: how a record shows in the list, the list's order
// and rebuilds, and what the update batch reports for a board's row.
#include <algorithm>

#include "updater/ui/main_form.h"
#include "updater/update/firmware_image.h"

namespace ui {

namespace cat = protocol::category;
using protocol::TDevice;

// ---- Rows -----------------------------------------------------------------

RowData TMainForm::RowFor(const TDevice& d, bool fresh) const {
  RowData row;
  FillRow(d, fresh, row);
  return row;
}

// Assigns every field, so a reused row keeps nothing of its former board.
void TMainForm::FillRow(const TDevice& d, bool fresh, RowData& row) const {
  if (!d.identified) {
    row.caption = UnidentifiedRowCaption(d.address);
    row.image = kImageUnidentified;
  } else if (d.ready) {
    row.caption = d.address;
    row.image = kImageReady;
  } else {
    if (old_controls_) {
      row.caption = NotReadyRowCaption(d.address);
    } else {
      row.caption = d.address;
    }
    row.image = kImageNotReady;
  }
  row.sub[0] = d.mac;
  row.sub[1] = d.version;
  if (fresh) {
    row.sub[2] = "0.0";
  } else {
    row.sub[2] = update::ProgressText(d.progress);
  }
  row.sub[3].clear();
  row.checked = d.wanted;
}

const TMainForm::Row* TMainForm::FindRow(RowRef ref) const {
  for (const Row& r : rows_) {
    if (r.ref == ref) return &r;
  }
  return nullptr;
}

TMainForm::Row* TMainForm::MutableRow(RowRef ref) { return const_cast<Row*>(FindRow(ref)); }

RowRef TMainForm::AddRow(TDevice* record, RowData data) {
  const RowRef ref = next_row_++;
  rows_.push_back(Row{ref, record->id, std::move(data)});
  view_.ListInsertRow(static_cast<int>(rows_.size()) - 1, ref, rows_.back().data);
  row_of_[record->id] = ref;
  return ref;
}

void TMainForm::UpdateRow(Row* row) { view_.ListUpdateRow(row->ref, row->data); }

void TMainForm::ClearRows() {
  row_of_.clear();
  rows_.clear();
  view_.ListClear();
}

void TMainForm::ShowRecord(TDevice* record) {
  row_of_.erase(record->id);
  const bool root_in_category_mode = filters_.category_mode() && list_tag_ == cat::kAll;
  if (!root_in_category_mode && (list_tag_ & record->category) != 0) {
    AddRow(record, RowFor(*record, true));
    // The list control keeps itself sorted by the address column.
    SortRows(0);
  }
  RefreshUpdateCommand();
}

void TMainForm::RebuildList() {
  view_.ListBeginUpdate();
  if (filters_.category_mode() && list_tag_ == cat::kAll) {
    ClearRows();
    view_.ListEndUpdate();
    if (command_enabled(Command::kFirmUpdate)) EnableCommand(Command::kFirmUpdate, false);
    return;
  }
  // Every record's row is set below, so the list is cleared without looking
  // each old row's record up.
  // The old rows lend their texts' buffers to the new ones: a rebuild per
  // reply would otherwise allocate every text of every row again.
  std::vector<Row>& spare = spare_rows_;
  spare.swap(rows_);
  size_t reused = 0;
  rows_.clear();
  row_of_.clear();
  view_.ListClear();
  rows_.reserve(devices_.size());
  for (size_t i = 0; i < devices_.size(); ++i) {
    TDevice* d = devices_.at(i);
    if ((d->category & list_tag_) == d->category) {
      Row row = reused < spare.size() ? std::move(spare[reused++]) : Row{};
      row.ref = next_row_++;
      row.record_id = d->id;
      FillRow(*d, false, row.data);
      rows_.push_back(std::move(row));
      view_.ListInsertRow(static_cast<int>(rows_.size()) - 1, rows_.back().ref, rows_.back().data);
      row_of_[d->id] = rows_.back().ref;
    }
  }
  SortRows(0);
  view_.ListEndUpdate();
  RefreshUpdateCommand();
}

void TMainForm::RedrawReadiness(TDevice* record) {
  Row* row = MutableRow(RowOfRecord(record->id));
  if (row == nullptr) return;
  if (record->ready) {
    row->data.image = kImageReady;
    row->data.caption = record->address;
  } else {
    row->data.image = kImageNotReady;
    row->data.caption = old_controls_ ? NotReadyRowCaption(record->address) : record->address;
  }
  UpdateRow(row);
  SortRows(0);
}

void TMainForm::RefreshUpdateCommand() {
  // A row shown mid-batch must not reopen the command.
  if (batch_.updating()) return;
  bool any = false;
  for (const Row& r : rows_) {
    const TDevice* d = devices_.Find(r.record_id);
    if (r.data.checked && d != nullptr && d->identified) {
      any = true;
      break;
    }
  }
  EnableCommand(Command::kFirmUpdate, any);
}

int TMainForm::ListViewCompare(const Row& a, const Row& b, int column) const {
  const std::string& x = column == 0 ? a.data.caption : a.data.sub[column - 1];
  const std::string& y = column == 0 ? b.data.caption : b.data.sub[column - 1];
  if (x == y) return 0;
  // Unidentified rows stay at the end in both directions.
  const auto unidentified = [](const std::string& s) {
    return s.size() >= 3 && s[0] == ' ' && s[1] == '-' && s[2] == '-';
  };
  if (unidentified(x)) return 1;
  if (unidentified(y)) return -1;
  const bool descending = sort_descending_[column];
  if (x > y) return descending ? -1 : 1;
  return descending ? 1 : -1;
}

void TMainForm::SortRows(int column) {
  if (column < 0 || column >= kColumnCount) return;
  const auto less = [&](const Row& a, const Row& b) { return ListViewCompare(a, b, column) < 0; };
  if (std::is_sorted(rows_.begin(), rows_.end(), less)) return;
  const size_t n = rows_.size();
  // A row shown on a sorted list goes where a stable sort would put the last
  // row: after every row it does not sort before.
  if (std::is_sorted(rows_.begin(), rows_.end() - 1, less)) {
    const auto at = std::upper_bound(rows_.begin(), rows_.end() - 1, rows_.back(), less);
    std::rotate(at, rows_.end() - 1, rows_.end());
  } else {
    // Sort positions, not rows, and move each row once.
    std::vector<uint32_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = static_cast<uint32_t>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return less(rows_[a], rows_[b]); });
    spare_rows_.clear();
    spare_rows_.reserve(n);
    for (uint32_t i : order) spare_rows_.push_back(std::move(rows_[i]));
    rows_.swap(spare_rows_);
  }
  std::vector<RowRef> after;
  after.reserve(n);
  for (const Row& r : rows_) after.push_back(r.ref);
  view_.ListSetOrder(after);
}

void TMainForm::ListViewColumnClick(int column) {
  if (column < 0 || column >= kColumnCount) return;
  sort_descending_[column] = !sort_descending_[column];
  SortRows(column);
}

// ---- What the update batch reports and asks --------------------------------

TMainForm::Row* TMainForm::RowOfBoard(uint32_t board_id) {
  return MutableRow(RowOfRecord(board_id));
}

RowRef TMainForm::RowOfRecord(uint32_t record_id) const {
  const auto it = row_of_.find(record_id);
  return it == row_of_.end() ? kNoRow : it->second;
}

std::vector<uint32_t> TMainForm::ListedBoards() const {
  std::vector<uint32_t> ids;
  ids.reserve(rows_.size());
  for (const Row& r : rows_) ids.push_back(r.record_id);
  return ids;
}

bool TMainForm::RowTicked(uint32_t board_id) const {
  const Row* row = const_cast<TMainForm*>(this)->RowOfBoard(board_id);
  return row != nullptr && row->data.checked;
}

void TMainForm::BatchRunning(bool on) {
  if (on) {
    loop_.StopTimer(kStatusTimer);
  } else if (!automatic_) {
    loop_.StartTimer(kStatusTimer, kStatusInterval, this);
  }
}

void TMainForm::ShowProgress(uint32_t board_id, int32_t tenths, bool whole_percent) {
  Row* row = RowOfBoard(board_id);
  if (row == nullptr) return;
  row->data.sub[2] = whole_percent ? std::to_string(tenths / 10) : update::ProgressText(tenths);
  UpdateRow(row);
}

void TMainForm::ShowStatus(uint32_t board_id, update::WorkerStatus status) {
  Row* row = RowOfBoard(board_id);
  if (row == nullptr) return;
  TextKey key = TextKey::StatusErrorFinish;
  switch (status) {
    case update::WorkerStatus::kSending:
      key = TextKey::StatusSending;
      break;
    case update::WorkerStatus::kUpdating:
      key = TextKey::StatusUpdating;
      break;
    case update::WorkerStatus::kChecking:
      key = TextKey::StatusChecking;
      break;
    case update::WorkerStatus::kFinish:
      key = TextKey::StatusFinish;
      break;
    case update::WorkerStatus::kErrorFinish:
      break;
  }
  row->data.sub[3] = texts_[key];
  UpdateRow(row);
}

// The confirmed board's row shows its record afresh, unticked.
void TMainForm::ShowConfirmed(uint32_t board_id) {
  Row* row = RowOfBoard(board_id);
  const TDevice* d = devices_.Find(board_id);
  if (row == nullptr || d == nullptr) return;
  row->data.checked = false;
  row->data.caption = d->address;
  row->data.sub[0] = d->mac;
  row->data.sub[1] = d->version;
  UpdateRow(row);
}

void TMainForm::PostBasicQuery(const TDevice& board) {
  PostRequest(protocol::REQ_SEARCH_OR_INFO, &board);
}

}  // namespace ui
