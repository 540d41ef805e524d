// TMainForm: the updater's window state and handlers, free of any toolkit.
// It owns the devices, the category tree and the row model, drives the UDP
// endpoint through posted requests, and speaks to its window only through
// MainView.
#ifndef UPDATER_UI_MAIN_FORM_H_
#define UPDATER_UI_MAIN_FORM_H_

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/udp_socket.h"
#include "updater/protocol/device.h"
#include "updater/protocol/device_channel.h"
#include "updater/protocol/reply_decoder.h"
#include "updater/ui/main_view.h"
#include "updater/ui/texts.h"

namespace ui {

constexpr uint32_t WM_WORKER_FINISHED = platform::kUserMessage + 71;  // 1095

// Timer ids of the main window.
constexpr uint32_t kRetryTimer = 1;
constexpr uint32_t kStatusTimer = 2;
constexpr uint32_t kAutoTimer = 3;
constexpr uint32_t kAuto2Timer = 4;
constexpr uint32_t kRetryInterval = 1000;
constexpr uint32_t kStatusInterval = 2000;

// What the window takes from the staged settings.
struct FormSettings {
  std::string caption;         // DEF_CAPTION
  std::string target_version;  // "5.12"
  std::string version_label;   // DEF_IF_VERSION, "Ver.5.12"
  std::string model = "QJ-L04";
};

// Which input chose the node: the key-release path writes its own Wi-Fi text.
enum class SelectVia { kMouse, kEnter, kKeyUp };

class TMainForm final : public protocol::DecoderHost, public platform::TimerSink {
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

  TMainForm(platform::EventLoop& loop, platform::UdpApi& udp, MainView& view);
  ~TMainForm();
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // Construction steps that need the outside world: the socket library, the
  // local address (empty: any), the settings, the controls' age.
  void Create(const std::string& local_address, const FormSettings& settings,
              bool old_controls);

  // Handlers.
  // First show: the language of the system's default locale, then refresh.
  void FormShow(uint32_t locale_id);
  void EnglishItemClick() { ApplyLanguage(Language::English); }
  void JapaneseItemClick() { ApplyLanguage(Language::Japanese); }
  void RefreshItemClick();
  void RetryTimerTimer();
  void StatusTimerTimer();
  void SelectCategory(NodeRef node, SelectVia via);
  void TreeViewDblClick(NodeRef selected);
  void TreeViewEnter();
  void FirmUpdateButtonEnter();
  // A press on a row (or its check box); `checked` is the control's tick now.
  void ListViewMouseDown(RowRef row, bool checked);
  // Enter (13) toggles the tick itself; Space was toggled by the control.
  void ListViewKeyPress(RowRef row, int key, bool checked);
  void ListViewSelectItem(RowRef row, bool selected);
  void ListViewColumnClick(int column);
  // <0, 0, >0 as the list control wants it.
  int ListViewCompare(const Row& a, const Row& b, int column) const;

  // Mode items of the hidden menu.
  void ShowModelItemClick(uint32_t category_tag);  // one model only
  void ShowAllPOSDevicesItemClick();
  void ShowAllKAVRODevicesItemClick();

  // DecoderHost
  protocol::DeviceList& devices() override { return devices_; }
  const protocol::ModelFilters& filters() const override { return filters_; }
  bool refresh_busy() const override { return refresh_busy_; }
  bool updating() const override { return updating_; }
  uint32_t current_category() const override { return current_category_; }
  uint32_t list_tag() const override { return list_tag_; }
  const std::string& target_version() const override { return settings_.target_version; }
  void AddCategory(const std::string& text, int image, uint32_t tag) override;
  void ShowRecord(protocol::TDevice* record) override;
  void RebuildList() override;
  void RedrawReadiness(protocol::TDevice* record) override;
  void PostRequest(uintptr_t code, const protocol::TDevice* record) override;
  bool OfferUpdateConfirmation(protocol::TDevice* record, const std::string& version,
                               const std::string& address) override;

  void RefreshUpdateCommand();

  // TimerSink
  void OnTimer(uint32_t timer_id) override;

  // State, for the program and the tests.
  protocol::ModelFilters& mutable_filters() { return filters_; }
  protocol::DeviceChannel& channel() { return channel_; }
  const std::vector<Node>& nodes() const { return nodes_; }
  const std::vector<Row>& rows() const { return rows_; }
  const Row* FindRow(RowRef ref) const;
  NodeRef FindNode(const std::string& text) const;
  int retry_tick() const { return retry_tick_; }
  bool old_controls() const { return old_controls_; }
  bool automatic() const { return automatic_; }
  void set_automatic(bool on, const std::string& target) {
    automatic_ = on;
    target_address_ = target;
  }
  bool command_enabled(Command c) const { return enabled_[static_cast<int>(c)]; }
  const std::array<bool, kColumnCount>& sort_descending() const { return sort_descending_; }
  int32_t result_code() const { return result_code_; }
  const TextTable& texts() const { return texts_; }
  Language language() const { return language_; }
  void set_updating(bool on) { updating_ = on; }

 private:
  RowData RowFor(const protocol::TDevice& record, bool fresh) const;
  RowRef AddRow(protocol::TDevice* record, const RowData& data);
  Row* MutableRow(RowRef ref);
  void UpdateRow(Row* row);
  void ClearRows();
  void SortRows(int column);
  void EnableCommand(Command c, bool on);
  bool TimersSkip() const;
  void ReevaluateTick(RowRef row, bool checked);
  void ClearTree();
  void ApplyLanguage(Language language);

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
  RowRef next_row_ = 1;

  bool refresh_busy_ = false;
  int retry_tick_ = 0;
  std::array<bool, kColumnCount> sort_descending_{};
  uint32_t current_category_ = protocol::category::kQJL04Wired;
  uint32_t list_tag_ = protocol::category::kAll;
  bool updating_ = false;
  bool batch_error_ = false;
  bool stop_requested_ = false;
  bool old_controls_ = false;
  int32_t result_code_ = 402;
  bool automatic_ = false;
  std::string target_address_;
  std::array<bool, 5> enabled_{};
  TextTable texts_;
  Language language_ = Language::English;
};

}  // namespace ui

#endif  // UPDATER_UI_MAIN_FORM_H_
