#include "updater/update/update_worker.h"

#include <algorithm>

#include "updater/update/firmware_image.h"
#include "updater/update/version_rules.h"

namespace update {

UpdateTiming UpdateTiming::Scaled(uint32_t divisor) {
  UpdateTiming t;
  if (divisor <= 1) return t;
  auto scale = [divisor](uint32_t ms) { return std::max<uint32_t>(1, ms / divisor); };
  t.restart_wait_ms = scale(t.restart_wait_ms);
  t.wait_step_ms = scale(t.wait_step_ms);
  t.failure_tick_ms = scale(t.failure_tick_ms);
  t.checking_tick_ms = scale(t.checking_tick_ms);
  t.status_pause_ms = scale(t.status_pause_ms);
  t.auto_tick_ms = scale(t.auto_tick_ms);
  for (int* ms : {&t.http.resolve_ms, &t.http.connect_ms, &t.http.send_ms, &t.http.receive_ms}) {
    *ms = static_cast<int>(scale(static_cast<uint32_t>(*ms)));
  }
  return t;
}

UpdateWorker::UpdateWorker(WorkerHost& host, platform::EventLoop& loop, platform::Clock& clock,
                         HttpSessionFactory http, const UpdateTiming& timing, uint32_t timer_id,
                         int32_t index, protocol::TDevice* board)
    : host_(host),
      loop_(loop),
      clock_(clock),
      http_(std::move(http)),
      timing_(timing),
      timer_id_(timer_id),
      index_(index),
      saved_address_(board->address),
      board_(board) {}

UpdateWorker::~UpdateWorker() { StopTimer(); }

void UpdateWorker::StartTimer(uint32_t interval_ms) {
  loop_.StartTimer(timer_id_, interval_ms, this);
  timer_on_ = true;
}

void UpdateWorker::StopTimer() {
  if (timer_on_) loop_.StopTimer(timer_id_);
  timer_on_ = false;
}

void UpdateWorker::SetStatus(WorkerStatus status) { host_.ShowStatus(board_->id, status); }

// Tells the batch only when the shown text changes, as the row's text is
// compared before it is written.
void UpdateWorker::ShowProgress(int32_t tenths, bool whole_percent) {
  std::string text = whole_percent ? std::to_string(tenths / 10) : ProgressText(tenths);
  if (text == shown_text_) return;
  shown_text_ = std::move(text);
  host_.ShowProgress(board_->id, tenths, whole_percent);
}

void UpdateWorker::Run(const std::string& image_path, const std::string& file_name,
                      int upload_mode) {
  progress_count_ = 0;
  SetStatus(WorkerStatus::kSending);
  host_.ProcessMessages();
  host_.Trace("UpdateHTTP_2 START");

  progress_count_ = 100;
  board_->progress = 100;
  ShowProgress(100, true);
  host_.ProcessMessages();
  host_.SendProgressMessage(100);

  const std::string field = upload_mode == 2 ? kUploadFieldRcc : kUploadFieldBin;
  bool opened, uploaded = false;
  {
    CHTTP http(http_, *this, clock_);
    http.set_timeouts(timing_.http);
    http.set_image_source(image_source_);
    opened = http.Open(board_->address, 80, upload_mode);
    if (opened) {
      uploaded = http.Upload(image_path, file_name, field, *board_);
      if (uploaded && !http.ReceiveStatus(timing_.status_pause_ms)) {
        state_ = kResponseFailure;
        StartTimer(timing_.failure_tick_ms);
      }
    }
    http.Close();
  }
  host_.Trace("UpdateHTTP_2 CLOSE 80");
  if (!opened) {
    state_ = kConnectionFailure;
    StartTimer(timing_.failure_tick_ms);
  } else if (!uploaded) {
    state_ = kSendFailure;
    StartTimer(timing_.failure_tick_ms);
  }
  if (state_ == kResponseFailure || state_ == kConnectionFailure || state_ == kSendFailure) return;

  progress_count_ = 200;
  board_->progress = 200;
  ShowProgress(200, true);
  SetStatus(WorkerStatus::kUpdating);
  host_.ProcessMessages();
  host_.SendProgressMessage(200);

  host_.Trace("UpdateHTTP_2 Write Wait");
  // The board restarts with the new image: the wait runs on this worker's
  // timer, so Run returns here and the window keeps handling its messages.
  waiting_ = true;
  pipe_failures_ = 0;
  wait_start_ = clock_.TickCount();
  StepRestartWait();
  StartTimer(timing_.wait_step_ms);
}

void UpdateWorker::StepRestartWait() {
  progress_count_ = std::min(progress_count_ + 1, kWaitCap);
  board_->progress = progress_count_;
  if (host_.automatic() && !host_.SendProgressMessage(progress_count_)) ++pipe_failures_;
  ShowProgress(progress_count_, false);
}

void UpdateWorker::RestartWaitTick() {
  if (host_.automatic() && pipe_failures_ > kPipeFailuresTolerated) {
    waiting_ = false;
    state_ = kSendFailure;
    StartTimer(timing_.failure_tick_ms);
    host_.RestartWaitEnded(index_);
    return;
  }
  // The window is closing (the user chose to abandon the update).
  if (host_.Closing()) {
    waiting_ = false;
    StopTimer();
    host_.RestartWaitEnded(index_);
    return;
  }
  // Elapsed time rather than a deadline, so a tick count that wraps during
  // the wait does not end it early or make it endless.
  if (clock_.TickCount() - wait_start_ < timing_.restart_wait_ms) {
    StepRestartWait();
    return;
  }
  waiting_ = false;
  progress_count_ = kWaitCap;
  state_ = kChecking;
  SetStatus(WorkerStatus::kChecking);
  StartTimer(timing_.checking_tick_ms);
  host_.SendProgressMessage(kWaitCap);
  host_.SetResultCode(0);
  host_.Trace("UpdateHTTP_2 END");
  host_.RestartWaitEnded(index_);
}

void UpdateWorker::ProgressTimerTimer() {
  if (waiting_) {
    RestartWaitTick();
    return;
  }
  ++progress_count_;
  if (state_ == kChecking) {
    if (progress_count_ > kCheckingCap) {
      progress_count_ = kCheckingCap;
      ++overrun_ticks_;
    }
    if (board_->version == "0.00") confirmed_ = true;
    if (confirmed_) {
      board_->progress = 1000;
      ShowProgress(1000, false);
      SetStatus(WorkerStatus::kFinish);
      StopTimer();
      host_.ShowConfirmed(board_->id);
      state_ = kDone;
      host_.SendProgressMessage(1000);
      host_.PostWorkerFinished(index_, kResultSuccess);
      return;
    }
    // Ask at the address the board had when the update began: a reply from
    // elsewhere may have moved it.
    board_->address = saved_address_;
    host_.PostBasicQuery(*board_);
  }
  if (state_ == kResponseFailure || state_ == kConnectionFailure || state_ == kSendFailure) {
    StopTimer();
    SetStatus(WorkerStatus::kErrorFinish);
    host_.PostWorkerFinished(index_, -state_);
    return;
  }
  if (overrun_ticks_ > kOverrunLimit) {
    StopTimer();
    state_ = kDone;
    SetStatus(WorkerStatus::kErrorFinish);
    host_.PostWorkerFinished(index_, kResultNoAnswer);
    return;
  }
  progress_count_ = std::min(progress_count_, 1000);
  board_->progress = progress_count_;
  if (ProgressText(progress_count_) != shown_text_) {
    ShowProgress(progress_count_, false);
    host_.SendProgressMessage(progress_count_);
  }
}

}  // namespace update
