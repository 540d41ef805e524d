// The update batch: the update command with its checks and questions, one
// worker per board run one after another, and stop.
//
// Questions are modal boxes and a worker's upload lets pending messages run,
// so every handler here may run inside another one. Records are therefore
// held by id across a question and looked up again afterwards, and every
// entry point refuses to start while a batch runs or an update command is
// asking.
#include "updater/ui/update_batch.h"

#include <iterator>

#include "updater/protocol/frames.h"

#include "updater/update/firmware_image.h"
#include "updater/update/version_rules.h"

namespace ui {

using protocol::TDevice;

UpdateBatch::UpdateBatch(BatchHost& host, MainView& view, const TextTable& texts,
                         platform::EventLoop& loop, const FormServices& services,
                         const FormSettings& settings, const protocol::DeviceList& devices)
    : host_(host),
      view_(view),
      texts_(texts),
      loop_(loop),
      services_(services),
      settings_(settings),
      devices_(devices) {
  loop_.Register(WM_WORKER_FINISHED, this);
}

UpdateBatch::~UpdateBatch() {
  loop_.Unregister(WM_WORKER_FINISHED);
  workers_.clear();
}

// No box is ever shown in automatic mode.
Answer UpdateBatch::Tell(const std::string& text, TextKey caption, AskKind icon) {
  if (automatic_) return Answer::kOk;
  return view_.Ask(text, texts_[caption], icon, AskButtons::kOk);
}

// A Yes/No question with No as the default button; true for Yes.
bool UpdateBatch::Confirm(const std::string& text, TextKey caption, AskKind icon) {
  if (automatic_) return false;
  return view_.Ask(text, texts_[caption], icon, AskButtons::kYesNo) == Answer::kYes;
}

void UpdateBatch::ApplyCommands(const CommandState* states, size_t count) {
  for (size_t i = 0; i < count; ++i) host_.EnableCommand(states[i].command, states[i].on);
}

bool UpdateBatch::AnyTickedNotReady() const {
  for (const uint32_t id : host_.ListedBoards()) {
    const TDevice* d = devices_.Find(id);
    if (d != nullptr && d->identified && !d->ready && host_.RowTicked(id)) return true;
  }
  return false;
}

std::vector<uint32_t> UpdateBatch::TickedIdentified() const {
  std::vector<uint32_t> ids;
  for (const uint32_t id : host_.ListedBoards()) {
    const TDevice* d = devices_.Find(id);
    if (d != nullptr && d->identified && host_.RowTicked(id)) ids.push_back(id);
  }
  return ids;
}

bool UpdateBatch::AnyWorkerWaiting() const {
  for (const auto& w : workers_) {
    if (w && w->waiting()) return true;
  }
  return false;
}

void UpdateBatch::UpdateCommand() {
  // A second command while the first is still asking, or while a batch runs
  // (a box or a worker's upload lets the click through), is refused.
  if (updating_ || update_command_open_ || host_.Closing()) return;
  update_command_open_ = true;
  RunUpdateCommand();
  update_command_open_ = false;
}

void UpdateBatch::RunUpdateCommand() {
  if (!automatic_ && AnyTickedNotReady()) {
    Tell(texts_[TextKey::MsgNotReady], TextKey::MsgErrorCaption, AskKind::kError);
    result_code_ = kResultCodeRefused;
    return;
  }
  const std::vector<uint32_t> selection = TickedIdentified();
  bool any_older = false, any_newer = false;
  for (const uint32_t id : selection) {
    switch (update::CompareVersions(devices_.Find(id)->version, settings_.target_version)) {
      case update::VersionOrder::kOlder:
        any_older = true;
        break;
      case update::VersionOrder::kNewer:
        any_newer = true;
        break;
      case update::VersionOrder::kSame:
        break;
    }
  }
  if (!automatic_) {
    for (const uint32_t id : selection) {
      // An earlier question may have let a reply remove this board.
      const TDevice* d = devices_.Find(id);
      if (d == nullptr) continue;
      const update::RangeCheck check =
          update::CheckUpdateRange(settings_.target_version, d->version);
      if (check.verdict == update::RangeVerdict::kAllowed) continue;
      TextKey key = TextKey::MsgOnlyFrom200;
      switch (check.message) {
        case update::RangeMessage::kMsgOnlyFrom1xx:
          key = TextKey::MsgOnlyFrom1xx;
          break;
        case update::RangeMessage::kMsgWifiSpecA:
          key = TextKey::MsgWifiSpecA;
          break;
        case update::RangeMessage::kMsgWifiSpecB:
          key = TextKey::MsgWifiSpecB;
          break;
        default:
          break;
      }
      if (check.verdict == update::RangeVerdict::kRefused) {
        Tell(texts_[key], TextKey::MsgInfoCaption, AskKind::kInformation);
        return;
      }
      if (!Confirm(texts_[key], TextKey::MsgInfoCaption, AskKind::kQuestion)) return;
    }
  }
  if (selection.empty()) return;
  if (automatic_) {
    StartBatch(selection);
    return;
  }
  if (!Confirm(UpdateConfirmation(texts_), TextKey::MsgCautionCaption, AskKind::kWarning)) {
    return;
  }
  if (AnyTickedNotReady()) {
    Tell(texts_[TextKey::MsgNotReady], TextKey::MsgErrorCaption, AskKind::kError);
    return;
  }
  if (!any_older && !any_newer &&
      !Confirm(texts_[TextKey::MsgSameVersion], TextKey::MsgInfoCaption, AskKind::kInformation)) {
    return;
  }
  // The window may have been closed while a box was open.
  if (host_.Closing()) return;
  StartBatch(selection);
}

void UpdateBatch::StartBatch(const std::vector<uint32_t>& record_ids) {
  if (updating_) return;
  // Boards that vanished while the questions were open are simply not updated.
  std::vector<TDevice*> records;
  for (const uint32_t id : record_ids) {
    if (TDevice* d = devices_.Find(id)) records.push_back(d);
  }
  if (records.empty()) return;
  updating_ = true;
  batch_error_ = false;
  stop_requested_ = false;
  // The automatic mode updates its one board as it always has.
  pace_ = automatic_ ? 1 : side_by_side_;
  tally_ = BatchTally{records.size(), 0, 0};
  ApplyCommands(kBusyCommands, std::size(kBusyCommands));
  host_.BatchRunning(true);
  workers_.clear();
  for (size_t i = 0; i < records.size(); ++i) {
    TDevice* d = records[i];
    if (services_.forget_neighbour) services_.forget_neighbour(d->address);
    // While the batch runs no record is removed (refresh is refused and the
    // decoder adds and removes nothing), so the worker may keep its board.
    workers_.push_back(std::make_unique<update::UpdateWorker>(
        *this, loop_, *services_.clock, services_.http, services_.timing,
        kWorkerTimerBase + static_cast<uint32_t>(i), static_cast<int32_t>(i), d));
  }
  StartNextWorker();
}

// The first board not yet started begins its upload, once every board
// before it has finished.
void UpdateBatch::StartNextWorker() {
  if (pace_ > 1) {
    StartSideBySide();
    return;
  }
  bool busy_before = false;
  size_t candidate = workers_.size();
  for (size_t i = 0; i < workers_.size(); ++i) {
    const update::UpdateWorker* w = workers_[i].get();
    if (w == nullptr) continue;
    if (w->state() == update::kRunning) return;  // uploading or in its restart wait
    if (w->state() > 0) busy_before = true;
    if (w->state() == update::kCreated) {
      candidate = i;
      break;
    }
  }
  if (busy_before || candidate == workers_.size()) {
    result_code_ = kResultCodeNotUpdated;
    return;
  }
  StartCandidate(candidate);
}

// Several boards at once: after the first board is confirmed, each upload
// follows the previous one as soon as that board has begun its restart wait.
void UpdateBatch::StartSideBySide() {
  // A question or an upload of the outer call is open; it looks again when
  // that is over.
  if (starting_side_by_side_) return;
  starting_side_by_side_ = true;
  for (;;) {
    const size_t candidate = NextSideBySideStart(workers_, pace_, tally_);
    if (candidate == kNoStart || !StartCandidate(candidate) || !updating_ || host_.Closing()) {
      break;
    }
  }
  starting_side_by_side_ = false;
  result_code_ = kResultCodeNotUpdated;
}

// Asks the downgrade question when the board needs it, then uploads. False
// when the board was not started.
bool UpdateBatch::StartCandidate(size_t candidate) {
  if (candidate == workers_.size() - 1) host_.EnableCommand(Command::kStop, false);
  if (!automatic_) {
    const TDevice* d = workers_[candidate]->board();
    if (host_.RowTicked(d->id) && d->identified &&
        update::CompareVersions(d->version, settings_.target_version) ==
            update::VersionOrder::kNewer) {
      const bool yes = Confirm(DowngradeQuestion(texts_, d->address, d->mac),
                               TextKey::MsgCautionCaption, AskKind::kWarning);
      // A stop while the box was open removes the waiting worker; the batch
      // then ends here, since nothing else will report.
      if (candidate >= workers_.size() || workers_[candidate] == nullptr ||
          workers_[candidate]->state() != update::kCreated) {
        EndBatchWhenEmpty();
        return false;
      }
      if (!yes) {
        CancelBatch();
        return false;
      }
      // The window was closed while the box was open: the program is ending,
      // and a board that begins writing its firmware now would be abandoned.
      if (host_.Closing()) return false;
    }
  }
  update::UpdateWorker* worker = workers_[candidate].get();
  worker->set_state(update::kRunning);
  worker->set_image_source(settings_.image_source);
  worker->Run(settings_.image_path, settings_.file_name,
              settings_.field_name == update::kUploadFieldRcc ? 2 : 1);
  return true;
}

void UpdateBatch::WorkerFinished(int32_t index, int32_t result) {
  if (index < 0 || static_cast<size_t>(index) >= workers_.size() || !workers_[index]) {
    result_code_ = kResultCodeNotUpdated;
    return;
  }
  const TDevice* finished = workers_[index]->board();
  // Each board's outcome on the debug trace, so a deployment can audit a batch.
  Trace(("board " + finished->address + " " + finished->mac +
         (result == update::kResultSuccess ? " updated" : " failed " + std::to_string(result)))
            .c_str());
  if (result == update::kResultSuccess) {
    ++tally_.updated;
  } else {
    ++tally_.failed;
  }
  if (result == update::kResultSuccess) {
    // An unticked finished board takes the pre-tick off every listed record
    // with its MAC.
    if (!host_.RowTicked(finished->id)) {
      for (const uint32_t id : host_.ListedBoards()) {
        TDevice* d = devices_.Find(id);
        if (d != nullptr && protocol::SameTextIgnoringCase(d->mac, finished->mac)) {
          d->wanted = false;
        }
      }
    }
  } else {
    batch_error_ = true;
  }
  if (result < 0) {
    Tell(WorkerFailureMessage(texts_, result, finished->address, finished->mac),
         TextKey::MsgErrorCaption, AskKind::kError);
  }
  workers_[index].reset();
  if (batch_error_) CancelWaitingWorkers();
  StartNextWorker();
  for (const auto& w : workers_) {
    if (w) {
      result_code_ = kResultCodeNotUpdated;
      return;
    }
  }
  EndBatchWhenEmpty();
}

// Where the update command or WorkerFinished carried on when the worker's
// Run sat the wait out: a worker started by WorkerFinished (any after the
// first) left 402 behind it.
void UpdateBatch::RestartWaitEnded(int32_t index) {
  if (index > 0) result_code_ = kResultCodeNotUpdated;
  host_.RestartWaitOver();
}

bool UpdateBatch::OfferConfirmation(TDevice* record, const std::string& version,
                                    const std::string& address) {
  if (!updating_) return false;
  for (const auto& w : workers_) {
    if (!w || w->board() != record) continue;
    if (w->state() != update::kChecking) return false;
    record->version = version;
    record->address = address;
    if (update::IsUpdateConfirmed(version, settings_.target_version)) w->set_confirmed(true);
    return true;
  }
  return false;
}

// Every slot is empty: the batch is over.
void UpdateBatch::EndBatchWhenEmpty() {
  if (!updating_ || workers_.empty()) return;
  for (const auto& w : workers_) {
    if (w) return;
  }
  workers_.clear();
  // Several boards at once end with a count of them, whatever happened.
  const std::string count =
      pace_ > 1 ? BatchCountLine(texts_, tally_.updated, tally_.failed, tally_.not_started())
                : std::string();
  if (!batch_error_ && !stop_requested_) {
    if (automatic_) {
      result_code_ = kResultCodeUpdated;
    } else {
      Tell(texts_[TextKey::MsgSuccess] + (count.empty() ? "" : "\r\n\r\n" + count),
           TextKey::MsgInfoCaption, AskKind::kInformation);
    }
  } else if (!count.empty()) {
    Tell(count, TextKey::MsgInfoCaption, AskKind::kInformation);
  }
  updating_ = false;
  EndBatchCommands(batch_error_ || stop_requested_);
}

// The commands of an idle window again.
void UpdateBatch::EndBatchCommands(bool enable_update) {
  ApplyCommands(kIdleCommands, std::size(kIdleCommands));
  if (enable_update) host_.EnableCommand(Command::kFirmUpdate, true);
  host_.BatchRunning(false);
}

void UpdateBatch::RemoveWaitingWorkers() {
  for (auto& w : workers_) {
    if (w && w->state() == update::kCreated) w.reset();
  }
}

void UpdateBatch::CancelWaitingWorkers() {
  result_code_ = kResultCodeRefused;
  RemoveWaitingWorkers();
}

void UpdateBatch::CancelBatch() {
  RemoveWaitingWorkers();
  // Boards already uploaded are writing their image: they are never
  // abandoned. The batch ends as after a stop, once they have reported.
  for (const auto& w : workers_) {
    if (w) {
      stop_requested_ = true;
      host_.EnableCommand(Command::kStop, false);
      return;
    }
  }
  workers_.clear();
  updating_ = false;
  EndBatchCommands(true);
}

void UpdateBatch::StopCommand() {
  if (!updating_) return;
  if (!Confirm(texts_[TextKey::MsgStopQuestion], TextKey::MsgCautionCaption, AskKind::kWarning)) {
    return;
  }
  // The batch may have ended while the question was open.
  if (!updating_) return;
  stop_requested_ = true;
  if (!host_.CommandEnabled(Command::kStop)) return;
  host_.EnableCommand(Command::kStop, false);
  RemoveWaitingWorkers();
}

bool UpdateBatch::SendProgressMessage(int32_t value) {
  return services_.pipe != nullptr && services_.pipe->SendProgressMessage(value);
}

void UpdateBatch::PostWorkerFinished(int32_t index, int32_t result) {
  loop_.Post(WM_WORKER_FINISHED, static_cast<uintptr_t>(index), result);
}

void UpdateBatch::Trace(const char* text) {
  if (services_.trace) services_.trace(text);
}

void UpdateBatch::OnMessage(const platform::Message& message) {
  if (message.id == WM_WORKER_FINISHED) {
    WorkerFinished(static_cast<int32_t>(message.wparam), static_cast<int32_t>(message.lparam));
  }
}

}  // namespace ui
