// The update batch: the update command with its checks and questions, one
// worker per board run one after another, stop, and the result code the
// program reports. It speaks to the window through BatchHost and MainView
// and never touches a toolkit.
#ifndef UPDATER_UI_UPDATE_BATCH_H_
#define UPDATER_UI_UPDATE_BATCH_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/event_loop.h"
#include "updater/protocol/device.h"
#include "updater/ui/batch_pace.h"
#include "updater/ui/main_view.h"
#include "updater/ui/texts.h"
#include "updater/update/chttp.h"
#include "updater/update/progress_message.h"
#include "updater/update/settings.h"
#include "updater/update/update_worker.h"

namespace ui {

// What the program reports at exit (the window's result code).
constexpr int32_t kResultCodeUpdated = 0;       // automatic mode: image accepted, wait over
constexpr int32_t kResultCodeRefused = 400;     // a ticked board not ready; waiting boards dropped
constexpr int32_t kResultCodeNotUpdated = 402;  // everything else, and the start value

struct CommandState {
  Command command;
  bool on;
};

// A new window: nothing to update or stop yet. Web configuration keeps the
// window's own start state (button off, menu item on) until a row is chosen.
constexpr CommandState kStartCommands[] = {
    {Command::kFirmUpdate, false}, {Command::kStop, false},      {Command::kRefresh, true},
    {Command::kMainPanel, true},   {Command::kExit, true},       {Command::kAbout, true},
    {Command::kClose, true},       {Command::kAdapter, true},    {Command::kAddAddress, true},
    {Command::kImportList, true},  {Command::kSideBySide, true},
};

// While a batch runs only the stop command is open; the system menu's Close
// is greyed, but a close request is still asked about.
constexpr CommandState kBusyCommands[] = {
    {Command::kMainPanel, false},  {Command::kFirmUpdate, false}, {Command::kWebConfig, false},
    {Command::kStop, true},        {Command::kRefresh, false},    {Command::kExit, false},
    {Command::kAbout, false},      {Command::kClose, false},      {Command::kAdapter, false},
    {Command::kAddAddress, false}, {Command::kImportList, false}, {Command::kSideBySide, false},
};

// The batch is over; the update command is opened separately (after an
// error, a stop or a cancel, not after a full success).
constexpr CommandState kIdleCommands[] = {
    {Command::kMainPanel, true},  {Command::kWebConfig, true},  {Command::kRefresh, true},
    {Command::kStop, false},      {Command::kExit, true},       {Command::kAbout, true},
    {Command::kClose, true},      {Command::kAdapter, true},    {Command::kAddAddress, true},
    {Command::kImportList, true}, {Command::kSideBySide, true},
};

constexpr uint32_t WM_WORKER_FINISHED = platform::kUserMessage + 71;  // 1095
constexpr uint32_t kWorkerTimerBase = 1000;                           // + the worker's slot

// What the window takes from the staged settings.
struct FormSettings {
  std::string caption;         // DEF_CAPTION
  std::string target_version;  // "5.12"
  std::string version_label;   // DEF_IF_VERSION, "Ver.5.12"
  std::string model = "QJ-L04";
  // The staged image and how it is announced.
  std::string image_path;
  update::ImageSource image_source;  // reads the staged image; unset: the file at image_path
  std::string file_name;
  std::string field_name = "rcc";
  // Boards at once when "several boards at once" is on ([Update] SideBySide=).
  uint32_t side_by_side = update::kSideBySideDefault;
};

// What the update batch needs of the outside world.
struct FormServices {
  platform::Clock* clock = nullptr;
  update::HttpSessionFactory http;
  update::ProgressPipe* pipe = nullptr;
  std::function<void(const std::string& address)> forget_neighbour;
  std::function<void(const char* text)> trace;
  // The system's default locale id (1041 Japanese); unset reads as English.
  std::function<uint32_t()> system_locale;
  update::UpdateTiming timing;
};

// What the batch asks of the window that holds the list.
class BatchHost {
 public:
  // Ids of the boards whose rows are listed, in display order, and whether
  // a board's row is ticked.
  virtual std::vector<uint32_t> ListedBoards() const = 0;
  virtual bool RowTicked(uint32_t board_id) const = 0;
  virtual void EnableCommand(Command c, bool on) = 0;
  virtual bool CommandEnabled(Command c) const = 0;
  // The batch starts (true) or is over: the window's polling pauses meanwhile.
  virtual void BatchRunning(bool on) = 0;
  // A worker's report, for the board's row.
  virtual void ShowProgress(uint32_t board_id, int32_t tenths, bool whole_percent) = 0;
  virtual void ShowStatus(uint32_t board_id, update::WorkerStatus status) = 0;
  virtual void ShowConfirmed(uint32_t board_id) = 0;
  virtual void PostBasicQuery(const protocol::TDevice& board) = 0;
  // A worker's restart wait is over.
  virtual void RestartWaitOver() = 0;
  virtual bool Closing() const = 0;

 protected:
  ~BatchHost() = default;
};

class UpdateBatch final : public update::WorkerHost, public platform::MessageSink {
 public:
  using Workers = std::vector<std::unique_ptr<update::UpdateWorker>>;

  // `texts` is the window's table, which follows its language.
  UpdateBatch(BatchHost& host, MainView& view, const TextTable& texts, platform::EventLoop& loop,
              const FormServices& services, const FormSettings& settings,
              const protocol::DeviceList& devices);
  ~UpdateBatch();
  UpdateBatch(const UpdateBatch&) = delete;
  UpdateBatch& operator=(const UpdateBatch&) = delete;

  // The update command: checks and questions, then the batch over the
  // ticked boards. Refused while a batch runs or the command is asking.
  void UpdateCommand();
  // The stop command: asks, then drops the boards not yet started.
  void StopCommand();
  // Every board is done or failed (WM_WORKER_FINISHED).
  void WorkerFinished(int32_t index, int32_t result);
  // A basic-information reply for a board: the worker checking it takes it
  // when it waits for it. True when taken.
  bool OfferConfirmation(protocol::TDevice* record, const std::string& version,
                         const std::string& address);

  bool updating() const { return updating_; }
  // The most boards in their restart wait or confirmation at once; 1 (the
  // start value) updates them one after another. Kept while a batch runs.
  void set_side_by_side(uint32_t boards) {
    if (!updating_) side_by_side_ = boards < 1 ? 1 : boards;
  }
  uint32_t side_by_side() const { return side_by_side_; }
  void set_updating(bool on) { updating_ = on; }
  bool batch_error() const { return batch_error_; }
  bool stop_requested() const { return stop_requested_; }
  bool AnyWorkerWaiting() const;
  const Workers& workers() const { return workers_; }
  int32_t result_code() const { return result_code_; }
  void set_result_code(int32_t code) { result_code_ = code; }
  bool automatic() const override { return automatic_; }
  void set_automatic(bool on) { automatic_ = on; }
  // The no-box form of a message in automatic mode.
  Answer Tell(const std::string& text, TextKey caption, AskKind icon);
  bool Confirm(const std::string& text, TextKey caption, AskKind icon);

  // WorkerHost
  void ShowProgress(uint32_t board_id, int32_t tenths, bool whole_percent) override {
    host_.ShowProgress(board_id, tenths, whole_percent);
  }
  void ShowStatus(uint32_t board_id, update::WorkerStatus status) override {
    host_.ShowStatus(board_id, status);
  }
  void ShowConfirmed(uint32_t board_id) override { host_.ShowConfirmed(board_id); }
  void ProcessMessages() override { loop_.ProcessPending(); }
  bool SendProgressMessage(int32_t value) override;
  void PostWorkerFinished(int32_t index, int32_t result) override;
  void PostBasicQuery(const protocol::TDevice& board) override { host_.PostBasicQuery(board); }
  void SetResultCode(int32_t code) override { result_code_ = code; }
  void Trace(const char* text) override;
  void RestartWaitEnded(int32_t index) override;
  bool Closing() const override { return host_.Closing(); }

  // MessageSink
  void OnMessage(const platform::Message& message) override;

 private:
  void ApplyCommands(const CommandState* states, size_t count);
  bool AnyTickedNotReady() const;
  std::vector<uint32_t> TickedIdentified() const;
  void RunUpdateCommand();
  void StartBatch(const std::vector<uint32_t>& record_ids);
  void StartNextWorker();
  void StartSideBySide();
  bool StartCandidate(size_t candidate);
  void EndBatchWhenEmpty();
  void CancelBatch();
  void CancelWaitingWorkers();
  void RemoveWaitingWorkers();
  void EndBatchCommands(bool enable_update);

  BatchHost& host_;
  MainView& view_;
  const TextTable& texts_;
  platform::EventLoop& loop_;
  const FormServices& services_;
  const FormSettings& settings_;
  const protocol::DeviceList& devices_;
  Workers workers_;
  bool updating_ = false;
  bool update_command_open_ = false;  // the update command is asking its questions
  bool batch_error_ = false;
  bool stop_requested_ = false;
  bool automatic_ = false;
  int32_t result_code_ = kResultCodeNotUpdated;
  uint32_t side_by_side_ = 1;
  uint32_t pace_ = 1;  // side_by_side_ as the running batch took it
  bool starting_side_by_side_ = false;
  BatchTally tally_;
};

}  // namespace ui

#endif  // UPDATER_UI_UPDATE_BATCH_H_
