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
  loop_.StopTimer(kAutoFindTimer);
  loop_.StopTimer(kAutoUpdateTimer);
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
void TMainForm::InputAddressItemClick() {
  if (dialog_commands_ != nullptr) dialog_commands_->InputAddressItemClick();
}
void TMainForm::ImportAddressListItemClick() {
  if (dialog_commands_ != nullptr) dialog_commands_->ImportAddressListItemClick();
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
    case kAutoFindTimer:
      AutoFindTimerTimer();
      break;
    case kAutoUpdateTimer:
      AutoUpdateTimerTimer();
      break;
    default:
      break;
  }
}


}  // namespace ui
