#include "updater/ui/main_form.h"

#include <algorithm>

#include <iterator>

#include "updater/ui/dialog_commands.h"
#include "updater/update/firmware_image.h"
#include "updater/update/version_rules.h"

namespace ui {

namespace cat = protocol::category;
using protocol::TDevice;

namespace {

constexpr int kKeyEnter = 13;
constexpr int kKeySpace = 32;

}  // namespace

TMainForm::TMainForm(platform::EventLoop& loop, platform::UdpApi& udp, MainView& view,
                     FormServices services)
    : loop_(loop),
      view_(view),
      decoder_(*this),
      channel_(udp, loop, devices_, decoder_),
      services_(std::move(services)),
      batch_(*this, view, texts_, loop, services_, settings_, devices_) {
  if (services_.clock == nullptr) services_.clock = &platform::SystemClock();
}

TMainForm::~TMainForm() {
  loop_.StopTimer(kRetryTimer);
  loop_.StopTimer(kStatusTimer);
  loop_.StopTimer(kAutoTimer);
  loop_.StopTimer(kAuto2Timer);
  ClearRows();
  devices_.Clear();
  nodes_.clear();
}

void TMainForm::Create(const std::string& local_address, const FormSettings& settings,
                       bool old_controls) {
  batch_.set_result_code(kResultCodeNotUpdated);
  current_category_ = cat::kQJL04Wired;
  channel_.Startup();
  if (!local_address.empty()) channel_.SetBindAddress(local_address);
  settings_ = settings;
  view_.SetCaption(settings_.caption);
  old_controls_ = old_controls;
  ApplyCommands(kStartCommands, std::size(kStartCommands));
  loop_.StartTimer(kStatusTimer, kStatusInterval, this);
}

void TMainForm::ApplyCommands(const CommandState* states, size_t count) {
  for (size_t i = 0; i < count; ++i) EnableCommand(states[i].command, states[i].on);
}

void TMainForm::EnableCommand(Command c, bool on) {
  enabled_[static_cast<int>(c)] = on;
  view_.SetCommandEnabled(c, on);
}

// ---- Tree -----------------------------------------------------------------

void TMainForm::ClearTree() {
  nodes_.clear();
  selected_node_ = kNoNode;
  view_.TreeClear();
}

NodeRef TMainForm::FindNode(const std::string& text) const {
  for (const Node& n : nodes_) {
    if (protocol::SameTextIgnoringCase(n.text, text)) return n.ref;
  }
  return kNoNode;
}

void TMainForm::AddCategory(const std::string& text, int image, uint32_t tag) {
  if (nodes_.empty() || FindNode(text) != kNoNode) return;
  const NodeRef ref = next_node_++;
  nodes_.push_back(Node{ref, text, image, tag});
  view_.TreeAddNode(ref, nodes_.front().ref, text, image);
  view_.TreeExpandAll(nodes_.front().ref);
}

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

// ---- Selection and ticking ------------------------------------------------

void TMainForm::SelectCategory(NodeRef ref, SelectVia via) {
  if (refresh_busy_ || batch_.updating() || ref == kNoNode) return;
  const Node* node = nullptr;
  for (const Node& n : nodes_) {
    if (n.ref == ref) node = &n;
  }
  if (node == nullptr) return;
  selected_node_ = ref;
  list_tag_ = node->tag;
  if (filters_.category_mode()) current_category_ = node->tag;
  switch (node->tag) {
    case cat::kWXAir0:
    case cat::kQJW04:
    case cat::kPXK60:
    case cat::kQJW03:
      view_.SetStatusPanel(
          0, via == SelectVia::kKeyUp ? fixed_text::kStatusWiFiKeyUp : fixed_text::kStatusWiFi);
      break;
    case cat::kQJL04Wired:
      view_.SetStatusPanel(0, fixed_text::kStatusWired);
      break;
    case cat::kQJL04Wireless:
      view_.SetStatusPanel(0, fixed_text::kStatusWireless);
      break;
    case cat::kAll:
      view_.SetStatusPanel(0, "");
      break;
    default:
      break;
  }
  if (filters_.category_mode() && list_tag_ == cat::kAll) {
    view_.ListBeginUpdate();
    ClearRows();
    view_.ListEndUpdate();
    if (command_enabled(Command::kFirmUpdate)) EnableCommand(Command::kFirmUpdate, false);
  } else {
    RebuildList();
  }
}

void TMainForm::TreeViewDblClick(NodeRef selected) {
  if (!refresh_busy_ && filters_.category_mode() && selected != kNoNode) {
    view_.TreeExpandAll(selected);
  }
}

void TMainForm::TreeViewEnter() {
  view_.ListClearSelection();
  EnableCommand(Command::kWebConfig, false);
}

void TMainForm::FirmUpdateButtonEnter() { TreeViewEnter(); }

void TMainForm::ReevaluateTick(RowRef ref, bool checked) {
  if (refresh_busy_ || batch_.updating()) return;
  Row* row = MutableRow(ref);
  if (row == nullptr) return;
  TDevice* d = devices_.Find(row->record_id);
  if (d == nullptr) return;
  const bool tick = d->category == current_category_ && checked && d->identified;
  row->data.checked = tick;
  d->wanted = tick;
  UpdateRow(row);
  view_.ListSelectRow(ref);
  RefreshUpdateCommand();
}

void TMainForm::ListViewMouseDown(RowRef row, bool checked) { ReevaluateTick(row, checked); }

void TMainForm::ListViewKeyPress(RowRef row, int key, bool checked) {
  if (key == kKeyEnter) {
    ReevaluateTick(row, !checked);
  } else if (key == kKeySpace) {
    ReevaluateTick(row, checked);
  }
}

void TMainForm::ListViewSelectItem(RowRef row, bool selected) {
  EnableCommand(Command::kWebConfig, selected && row != kNoRow && !batch_.updating());
}

// ---- Mode items -------------------------------------------------------------

void TMainForm::ShowModelItemClick(uint32_t tag) {
  protocol::ModelFilters f;
  f.l04 = false;
  f.pos = true;
  switch (tag) {
    case cat::kQJL01:
      f.l01 = true;
      break;
    case cat::kQJL02:
      f.l02 = true;
      break;
    case cat::kQJW02:
      f.w02 = true;
      break;
    case cat::kQJW03:
      f.w03 = true;
      break;
    case cat::kPXK60:
      f.k60 = true;
      break;
    case cat::kWXAir0:
      f.wx_air0 = true;
      break;
    case cat::kQJW04:
      f.w04 = true;
      break;
    case cat::kQJL04Wired:
    case cat::kQJL04Wireless:
      f.l04 = true;
      break;
    default:
      return;
  }
  filters_ = f;
}

void TMainForm::ShowAllPOSDevicesItemClick() {
  filters_ = protocol::ModelFilters{};
  filters_.l04 = false;
  filters_.pos = true;
}

void TMainForm::ShowAllKAVRODevicesItemClick() {
  filters_ = protocol::ModelFilters{};
  filters_.l04 = false;
  filters_.pos = false;
}

// ---- Language ---------------------------------------------------------------

uint32_t TMainForm::SystemLocale() const {
  return services_.system_locale ? services_.system_locale() : kEnglishLocaleId;
}

void TMainForm::FormShow(uint32_t locale_id) {
  ApplyLanguage(LanguageOf(locale_id));
  if (!automatic_ && firewall_offer_) firewall_offer_();
  RefreshItemClick();
}

void TMainForm::WebConfigButtonClick() {
  if (dialog_commands_ != nullptr) dialog_commands_->WebConfigButtonClick();
}
void TMainForm::ListViewDblClick() {
  if (dialog_commands_ != nullptr) dialog_commands_->ListViewDblClick();
}
void TMainForm::InterfacesItemClick() {
  if (dialog_commands_ != nullptr) dialog_commands_->InterfacesItemClick();
}
void TMainForm::Option1Click() {
  if (dialog_commands_ != nullptr) dialog_commands_->Option1Click();
}
void TMainForm::ImportIPList1Click() {
  if (dialog_commands_ != nullptr) dialog_commands_->ImportIPList1Click();
}
void TMainForm::AboutItemClick() {
  if (dialog_commands_ != nullptr) dialog_commands_->AboutItemClick();
}

void TMainForm::ApplyLanguage(Language language) {
  LanguageSwitch next = SwitchLanguage(language, settings_.model, settings_.version_label);
  view_.SetItemChecked(next.checkedItem, true);
  view_.SetItemChecked(next.uncheckedItem, false);
  for (const Caption& c : next.captions) view_.SetComponentCaption(c.first, c.second);
  texts_ = std::move(next.texts);
  language_ = language;
}

// ---- Refresh and timers -----------------------------------------------------

void TMainForm::PostRequest(uintptr_t code, const TDevice* record) {
  channel_.PostRequest(code, record);
}

bool TMainForm::OlderThanImage(const std::string& board_version) const {
  return update::CompareVersions(board_version, settings_.target_version) ==
         update::VersionOrder::kOlder;
}

void TMainForm::RefreshItemClick() {
  // A refresh frees every record, the boards of a running batch included.
  if (refresh_busy_ || batch_.updating()) return;
  view_.ListSetEnabled(false);
  view_.TreeSetEnabled(false);
  refresh_busy_ = true;

  ClearTree();
  const NodeRef root = next_node_++;
  const std::string root_text =
      filters_.pos || filters_.l02 ? fixed_text::kRootPosPrinters : fixed_text::kRootKavroDevices;
  nodes_.push_back(Node{root, root_text, kImageRoot, cat::kAll});
  view_.TreeAddNode(root, kNoNode, root_text, kImageRoot);
  view_.TreeExpandAll(root);

  list_tag_ = cat::kAll;
  view_.ListBeginUpdate();
  ClearRows();
  view_.ListEndUpdate();
  devices_.Clear();

  if (filters_.l04) {
    view_.TreeSetLinesAtRoot(false);
    AddCategory(fixed_text::kNodeQJL04Wired, kImageWired, cat::kQJL04Wired);
    AddCategory(fixed_text::kNodeQJL04Wireless, kImageWireless, cat::kQJL04Wireless);
  }
  retry_tick_ = 0;
  loop_.StartTimer(kRetryTimer, kRetryInterval, this);
  if (!automatic_) PostRequest(protocol::REQ_SEARCH_OR_INFO, nullptr);

  refresh_busy_ = false;
  view_.TreeSetEnabled(true);
  view_.ListSetEnabled(true);

  if (automatic_) {
    TDevice* target = devices_.Append(TDevice::ForAutomaticTarget(target_address_));
    ShowRecord(target);
    PostRequest(protocol::REQ_SEARCH_OR_INFO, target);
  }
}

bool TMainForm::TimersSkip() const {
  const bool root = list_tag_ == cat::kAll;
  return (filters_.w03 && (current_category_ != cat::kQJW03 || root)) ||
         (filters_.wx_air0 && (current_category_ != cat::kWXAir0 || root)) ||
         (filters_.w04 && (current_category_ != cat::kQJW04 || root));
}

void TMainForm::RetryTimerTimer() {
  if (TimersSkip()) return;
  ++retry_tick_;
  if (retry_tick_ == 1 || retry_tick_ == 3) {
    for (size_t i = 0; i < devices_.size(); ++i) {
      const TDevice* d = devices_.at(i);
      if (d->identified) continue;
      PostRequest(
          d->category == cat::kModelPending ? protocol::REQ_MODEL : protocol::REQ_SEARCH_OR_INFO,
          d);
    }
  } else if (!automatic_) {
    PostRequest(protocol::REQ_SEARCH_OR_INFO, nullptr);
  }
  if (retry_tick_ > 2) {
    loop_.StopTimer(kRetryTimer);
    retry_tick_ = 0;
  }
}

void TMainForm::StatusTimerTimer() {
  if (TimersSkip()) return;
  bool reordered = false;
  for (size_t i = 0; i < devices_.size(); ++i) {
    TDevice* d = devices_.at(i);
    if (!d->identified || (d->category & list_tag_) == 0) continue;
    if (!d->statusAnswered) {
      d->ready = false;
      if (Row* row = MutableRow(RowOfRecord(d->id))) {
        row->data.image = kImageNotReady;
        // This path marks the caption whatever the controls' age.
        row->data.caption = NotReadyRowCaption(d->address);
        UpdateRow(row);
        reordered = true;
      }
    }
    d->statusAnswered = false;
    PostRequest(protocol::REQ_STATUS, d);
  }
  if (reordered) SortRows(0);
}

void TMainForm::OnTimer(uint32_t timer_id) {
  switch (timer_id) {
    case kRetryTimer:
      RetryTimerTimer();
      break;
    case kStatusTimer:
      StatusTimerTimer();
      break;
    case kAutoTimer:
      AutoTimerTimer();
      break;
    case kAuto2Timer:
      Auto2TimerTimer();
      break;
    default:
      break;
  }
}

void TMainForm::OnMessage(const platform::Message&) {}

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
