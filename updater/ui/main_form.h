// TMainForm: the updater's window state and handlers, free of any toolkit.
// It owns the devices, the category tree and the row model, drives the UDP
// endpoint through posted requests, hands the update command to its
// UpdateBatch and shows what the batch reports, and speaks to its window
// only through MainView.
#ifndef UPDATER_UI_MAIN_FORM_H_
#define UPDATER_UI_MAIN_FORM_H_

#include <array>
#include <functional>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/udp_socket.h"
#include "updater/protocol/device.h"
#include "updater/protocol/device_channel.h"
#include "updater/protocol/reply_decoder.h"
#include "updater/ui/main_form_handlers.h"
#include "updater/ui/main_view.h"
#include "updater/update/progress_message.h"
#include "updater/ui/texts.h"
#include "updater/ui/update_batch.h"

namespace ui {

// Timer ids of the main window.
constexpr uint32_t kRetryTimer = 1;
constexpr uint32_t kStatusTimer = 2;
constexpr uint32_t kAutoFindTimer = 3;
constexpr uint32_t kAutoUpdateTimer = 4;
constexpr uint32_t kRetryInterval = 1000;
constexpr uint32_t kStatusInterval = 2000;

class DialogCommands;

class TMainForm final : public MainFormHandlers,
                        public protocol::DecoderHost,
                        public BatchHost,
                        public platform::TimerSink {
 public:
  struct Node {
    NodeRef ref;
    std::string text;
    int image;
    uint32_t tag;
  };
  struct Row {
    RowRef ref;
    uint32_t record_id;
    RowData data;
  };

  TMainForm(platform::EventLoop& loop, platform::UdpApi& udp, MainView& view,
            FormServices services);
  ~TMainForm();
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // Construction steps that need the outside world: the socket library, the
  // local address (empty: any), the settings, the controls' age.
  void Create(const std::string& local_address, const FormSettings& settings, bool old_controls);

  // First show: the language of the system's default locale, then refresh.
  void FormShow() { FormShow(SystemLocale()); }
  void FormShow(uint32_t locale_id);

  // MainFormHandlers
  void SelectCategory(NodeRef node, SelectVia via) override;
  void TreeViewDblClick(NodeRef selected) override;
  void TreeViewEnter() override;
  void FirmUpdateButtonEnter() override;
  void ListViewMouseDown(RowRef row, bool checked) override;
  void ListViewKeyPress(RowRef row, int key, bool checked) override;
  void ListViewSelectItem(RowRef row, bool selected) override;
  void ListViewColumnClick(int column) override;
  void RefreshItemClick() override;
  void EnglishItemClick() override { ApplyLanguage(Language::English); }
  void JapaneseItemClick() override { ApplyLanguage(Language::Japanese); }
  void FirmUpdateButtonClick() override { batch_.UpdateCommand(); }
  void StopButtonClick() override { batch_.StopCommand(); }
  // The dialogs and the web pages, through the dialog commands when the
  // program has given them (a view without dialogs has none).
  void WebConfigButtonClick() override;
  void ListViewDblClick() override;
  void InterfacesItemClick() override;
  void InputAddressItemClick() override;
  void ImportAddressListItemClick() override;
  void AboutItemClick() override;
  void SideBySideItemClick() override;
  // The most boards in their restart wait or confirmation at once; 1 (the
  // start value) updates them one after another.
  void set_side_by_side(uint32_t boards);
  uint32_t side_by_side() const { return batch_.side_by_side(); }
  void set_dialog_commands(DialogCommands* commands) { dialog_commands_ = commands; }
  // The first show's firewall offer, run between the language and the
  // refresh in interactive mode; none where the system has no firewall.
  void set_firewall_offer(std::function<void()> offer) { firewall_offer_ = std::move(offer); }
  // Closing during an update asks first and abandons the board being updated.
  bool FormClose() override;

  void RetryTimerTimer();
  void StatusTimerTimer();
  // <0, 0, >0 as the list control wants it.
  int ListViewCompare(const Row& a, const Row& b, int column) const;

  void WorkerFinished(int32_t index, int32_t result) { batch_.WorkerFinished(index, result); }

  // Automatic mode: armed by a command-line argument, the first of which is
  // the board's address. Returns 1 when armed.
  int ParseCommandLine(const std::vector<std::string>& args);
  void AutoFindTimerTimer();
  void AutoUpdateTimerTimer();

  // Mode items of the hidden menu.
  void ShowModelItemClick(uint32_t category_tag);  // one model only
  void ShowAllPOSDevicesItemClick();
  void ShowAllKAVRODevicesItemClick();

  // DecoderHost
  protocol::DeviceList& devices() override { return devices_; }
  const protocol::ModelFilters& filters() const override { return filters_; }
  bool refresh_busy() const override { return refresh_busy_; }
  bool updating() const override { return batch_.updating(); }
  uint32_t current_category() const override { return current_category_; }
  uint32_t list_tag() const override { return list_tag_; }
  bool OlderThanImage(const std::string& board_version) const override;
  void AddCategory(const std::string& text, int image, uint32_t tag) override;
  void ShowRecord(protocol::TDevice* record) override;
  void RebuildList() override;
  void RedrawReadiness(protocol::TDevice* record) override;
  void PostRequest(uintptr_t code, const protocol::TDevice* record) override;
  bool OfferUpdateConfirmation(protocol::TDevice* record, const std::string& version,
                               const std::string& address) override {
    return batch_.OfferConfirmation(record, version, address);
  }

  void RefreshUpdateCommand();

  // BatchHost
  std::vector<uint32_t> ListedBoards() const override;
  bool RowTicked(uint32_t board_id) const override;
  void EnableCommand(Command c, bool on) override;
  bool CommandEnabled(Command c) const override { return command_enabled(c); }
  void BatchRunning(bool on) override;
  void ShowProgress(uint32_t board_id, int32_t tenths, bool whole_percent) override;
  void ShowStatus(uint32_t board_id, update::WorkerStatus status) override;
  void ShowConfirmed(uint32_t board_id) override;
  void PostBasicQuery(const protocol::TDevice& board) override;
  void RestartWaitOver() override;
  bool Closing() const override { return closing_; }

  // TimerSink
  void OnTimer(uint32_t timer_id) override;

  // State, for the program and the tests.
  const TextTable& texts() const { return texts_; }
  protocol::ModelFilters& mutable_filters() { return filters_; }
  protocol::DeviceChannel& channel() { return channel_; }
  const std::vector<Node>& nodes() const { return nodes_; }
  const std::vector<Row>& rows() const { return rows_; }
  const Row* FindRow(RowRef ref) const;
  NodeRef FindNode(const std::string& text) const;
  int retry_tick() const { return retry_tick_; }
  bool old_controls() const { return old_controls_; }
  void set_automatic(bool on, const std::string& target) {
    automatic_ = on;
    batch_.set_automatic(on);
    target_address_ = target;
  }
  bool command_enabled(Command c) const { return enabled_[static_cast<int>(c)]; }
  const std::array<bool, kColumnCount>& sort_descending() const { return sort_descending_; }
  int32_t result_code() const { return batch_.result_code(); }
  Language language() const { return language_; }
  void set_updating(bool on) { batch_.set_updating(on); }
  bool batch_error() const { return batch_.batch_error(); }
  bool stop_requested() const { return batch_.stop_requested(); }
  bool closing() const { return closing_; }
  const UpdateBatch::Workers& workers() const { return batch_.workers(); }

 private:
  RowData RowFor(const protocol::TDevice& record, bool fresh) const;
  void FillRow(const protocol::TDevice& record, bool fresh, RowData& row) const;
  RowRef AddRow(protocol::TDevice* record, RowData data);
  Row* MutableRow(RowRef ref);
  void UpdateRow(Row* row);
  void ClearRows();
  void SortRows(int column);
  bool TimersSkip() const;
  void ReevaluateTick(RowRef row, bool checked);
  void ClearTree();
  void ApplyLanguage(Language language);
  uint32_t SystemLocale() const;
  void ApplyCommands(const CommandState* states, size_t count);
  Row* RowOfBoard(uint32_t board_id);
  RowRef RowOfRecord(uint32_t record_id) const;

  platform::EventLoop& loop_;
  MainView& view_;
  protocol::DeviceList devices_;
  protocol::DeviceReplyDecoder decoder_;
  protocol::DeviceChannel channel_;
  protocol::ModelFilters filters_;
  FormSettings settings_;

  std::vector<Node> nodes_;  // the root first
  NodeRef next_node_ = 1;
  NodeRef selected_node_ = kNoNode;
  std::vector<Row> rows_;  // in display order
  // Scratch for rebuilds and sorts, kept for its capacity and its rows' text buffers.
  std::vector<Row> spare_rows_;
  RowRef next_row_ = 1;
  std::unordered_map<uint32_t, RowRef> row_of_;  // record id -> the row that shows it

  bool refresh_busy_ = false;
  int retry_tick_ = 0;
  std::array<bool, kColumnCount> sort_descending_{};
  uint32_t current_category_ = protocol::category::kQJL04Wired;
  uint32_t list_tag_ = protocol::category::kAll;
  bool old_controls_ = false;
  bool automatic_ = false;
  std::string target_address_;
  std::array<bool, kCommandCount> enabled_{};
  FormServices services_;
  bool closing_ = false;
  bool close_after_wait_ = false;  // automatic mode: close when the wait ends
  TextTable texts_;
  Language language_ = Language::English;
  DialogCommands* dialog_commands_ = nullptr;
  std::function<void()> firewall_offer_;
  UpdateBatch batch_;  // last: it refers to the settings, texts and devices above
};

}  // namespace ui

#endif  // UPDATER_UI_MAIN_FORM_H_
