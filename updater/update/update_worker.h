// UpdateWorker: carries one board from the first byte uploaded to the
// confirmed new version. `Run` uploads, letting pending messages run at set
// points, and returns once the board has answered; the worker's timer then
// sits out the board's fixed restart wait and asks the board for its
// version until it reports the target.
#ifndef UPDATER_UPDATE_UPDATE_WORKER_H_
#define UPDATER_UPDATE_UPDATE_WORKER_H_

#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/http_session.h"
#include "updater/protocol/device.h"
#include "updater/update/chttp.h"

namespace update {

// Fixed times of an update. The shipped values are the defaults; a time
// scale divides them for quick end-to-end runs.
struct UpdateTiming {
  uint32_t restart_wait_ms = 195000;
  uint32_t wait_step_ms = 240;
  uint32_t failure_tick_ms = 50;
  uint32_t checking_tick_ms = 70;
  uint32_t status_pause_ms = 1000;
  uint32_t auto_tick_ms = 1000;  // the automatic mode's two one-shot timers
  platform::HttpTimeouts http;   // resolve, connect, send, receive

  static UpdateTiming Scaled(uint32_t divisor);
};

// Results posted with WM_WORKER_FINISHED.
constexpr int kResultSuccess = 1;
constexpr int kResultNoAnswer = -2;
constexpr int kResultResponseFailed = -11;
constexpr int kResultConnectFailed = -12;
constexpr int kResultSendFailed = -13;

enum WorkerState : int32_t {
  kCreated = -1,
  kRunning = 0,
  kChecking = 2,
  kDone = 3,
  kResponseFailure = 11,
  kConnectionFailure = 12,
  kSendFailure = 13,
};

constexpr int32_t kWaitCap = 970;
constexpr int32_t kCheckingCap = 980;
constexpr int32_t kOverrunLimit = 1200;

// Which status the board shows; the window resolves it to a text in its
// language.
enum class WorkerStatus { kSending, kUpdating, kChecking, kFinish, kErrorFinish };

// What the worker reports to its batch and asks of the world. It speaks of
// its board by id and of its progress in tenths of a percent; rows and texts
// are the window's.
class WorkerHost {
 public:
  // `whole_percent`: shown as a whole number ("10"), as the worker marks the
  // upload's start and end; otherwise with its tenth ("15.3").
  virtual void ShowProgress(uint32_t board_id, int32_t tenths, bool whole_percent) = 0;
  virtual void ShowStatus(uint32_t board_id, WorkerStatus status) = 0;
  // The board reported the target version: its row shows the record afresh,
  // unticked.
  virtual void ShowConfirmed(uint32_t board_id) = 0;
  virtual void ProcessMessages() = 0;
  virtual bool automatic() const = 0;
  virtual bool SendProgressMessage(int32_t value) = 0;
  virtual void PostWorkerFinished(int32_t index, int32_t result) = 0;
  virtual void PostBasicQuery(const protocol::TDevice& board) = 0;
  virtual void SetResultCode(int32_t code) = 0;
  virtual void Trace(const char* text) = 0;
  // The restart wait is over: checking began, the pipe failed or the window
  // is closing.
  virtual void RestartWaitEnded(int32_t index) = 0;
  // True once the window is closing: a wait in progress is abandoned.
  virtual bool Closing() const = 0;

 protected:
  ~WorkerHost() = default;
};

// One board's update. Not a window: it runs on the batch's loop and timer.
class UpdateWorker final : public platform::TimerSink, private UploadHost {
 public:
  UpdateWorker(WorkerHost& host, platform::EventLoop& loop, platform::Clock& clock,
              HttpSessionFactory http, const UpdateTiming& timing, uint32_t timer_id, int32_t index,
              protocol::TDevice* board);
  ~UpdateWorker();
  UpdateWorker(const UpdateWorker&) = delete;
  UpdateWorker& operator=(const UpdateWorker&) = delete;

  // Upload mode 2 sends the image as field "rcc", 1 as "srom1".
  void Run(const std::string& image_path, const std::string& file_name, int upload_mode);
  // The image the upload sends, when not the file at Run's image path.
  void set_image_source(ImageSource source) { image_source_ = std::move(source); }
  void ProgressTimerTimer();
  void OnTimer(uint32_t) override { ProgressTimerTimer(); }

  int32_t index() const { return index_; }
  int32_t state() const { return state_; }
  void set_state(int32_t state) { state_ = state; }
  bool confirmed() const { return confirmed_; }
  // Run has returned and the board is restarting.
  bool waiting() const { return waiting_; }
  void set_confirmed(bool on) { confirmed_ = on; }
  int32_t progress_count() const { return progress_count_; }
  int32_t overrun_ticks() const { return overrun_ticks_; }
  const std::string& saved_address() const { return saved_address_; }
  protocol::TDevice* board() const { return board_; }

 private:
  void StartTimer(uint32_t interval_ms);
  void StopTimer();
  void SetStatus(WorkerStatus status);
  void ShowProgress(int32_t tenths, bool whole_percent);
  // UploadHost: the upload's progress goes the same way as the worker's.
  std::string PercentText(const protocol::TDevice&) override { return shown_text_; }
  void SetPercentText(protocol::TDevice& board, const std::string&) override {
    ShowProgress(board.progress, false);
  }
  void ProcessMessages() override { host_.ProcessMessages(); }
  bool automatic() const override { return host_.automatic(); }
  bool SendProgressMessage(int32_t value) override { return host_.SendProgressMessage(value); }
  bool Closing() const override { return host_.Closing(); }
  void StepRestartWait();
  void RestartWaitTick();

  WorkerHost& host_;
  platform::EventLoop& loop_;
  platform::Clock& clock_;
  HttpSessionFactory http_;
  ImageSource image_source_;
  UpdateTiming timing_;
  uint32_t timer_id_;
  bool timer_on_ = false;

  int32_t index_;
  std::string saved_address_;
  protocol::TDevice* board_;  // owned by the device list; kept while the batch runs
  int32_t progress_count_ = 0;
  int32_t overrun_ticks_ = 0;
  int32_t state_ = kCreated;
  bool confirmed_ = false;
  std::string shown_text_;  // the percentage the board's row shows
  bool waiting_ = false;
  uint32_t wait_start_ = 0;
  int pipe_failures_ = 0;
};

}  // namespace update

#endif  // UPDATER_UPDATE_UPDATE_WORKER_H_
