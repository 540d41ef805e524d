// TUpdateForm: carries one board from the first byte uploaded to the
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

// Row columns the worker writes.
constexpr int kColumnCaption = 0;
constexpr int kColumnMac = 1;
constexpr int kColumnVersion = 2;
constexpr int kColumnPercent = 3;
constexpr int kColumnStatus = 4;

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

// The status column's texts, in the window's language, which the window
// resolves: the worker knows only which one it shows.
enum class WorkerStatus { kSending, kUpdating, kChecking, kFinish, kErrorFinish };

class WorkerHost : public UploadHost {
 public:
  virtual std::string StatusText(WorkerStatus status) const = 0;
  virtual std::string RowText(const protocol::TDevice& board, int column) = 0;
  virtual void SetRowText(protocol::TDevice& board, int column, const std::string& text) = 0;
  virtual void SetRowChecked(protocol::TDevice& board, bool on) = 0;
  virtual void PostWorkerFinished(int32_t index, int32_t result) = 0;
  virtual void PostBasicQuery(const protocol::TDevice& board) = 0;
  virtual void SetResultCode(int32_t code) = 0;
  virtual void Trace(const char* text) = 0;
  // The restart wait is over: checking began, the pipe failed or the window
  // is closing. What followed Run's return when Run sat the wait out.
  virtual void RestartWaitEnded(int32_t index) = 0;
  // True once the window is closing: a wait in progress is abandoned.
  bool Closing() const override = 0;

  // UploadHost
  std::string PercentText(const protocol::TDevice& board) override {
    return RowText(board, kColumnPercent);
  }
  void SetPercentText(protocol::TDevice& board, const std::string& text) override {
    SetRowText(board, kColumnPercent, text);
  }

 protected:
  ~WorkerHost() = default;
};

class TUpdateForm final : public platform::TimerSink {
 public:
  TUpdateForm(WorkerHost& host, platform::EventLoop& loop, platform::Clock& clock,
              HttpSessionFactory http, const UpdateTiming& timing, uint32_t timer_id, int32_t index,
              protocol::TDevice* board);
  ~TUpdateForm();
  TUpdateForm(const TUpdateForm&) = delete;
  TUpdateForm& operator=(const TUpdateForm&) = delete;

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
  protocol::TDevice* board_;  // owned by the window's device list
  int32_t progress_count_ = 0;
  int32_t overrun_ticks_ = 0;
  int32_t state_ = kCreated;
  bool confirmed_ = false;
  bool waiting_ = false;
  uint32_t wait_start_ = 0;
  int pipe_failures_ = 0;
};

}  // namespace update

#endif  // UPDATER_UPDATE_UPDATE_WORKER_H_
