// The update batch: the update command with its checks and questions, one
// worker per board run one after another, stop, close and the automatic
// mode.
//
// Questions are modal boxes and a worker's Run lets pending messages run, so
// every handler here may run inside another one. Records are therefore held
// by id across a question and looked up again afterwards, and every entry
// point refuses to start while a batch runs or an update command is asking.
#include "updater/ui/update_batch.h"

#include <iterator>

#include "updater/ui/main_form.h"
#include "updater/update/firmware_image.h"
#include "updater/update/version_rules.h"

namespace ui {

using protocol::TDevice;

// No box is ever shown in automatic mode.
Answer TMainForm::Tell(const std::string& text, TextKey caption, AskKind icon) {
  if (automatic_) return Answer::kOk;
  return view_.Ask(text, texts_[caption], icon, AskButtons::kOk);
}

// A Yes/No question with No as the default button; true for Yes.
bool TMainForm::Confirm(const std::string& text, TextKey caption, AskKind icon) {
  if (automatic_) return false;
  return view_.Ask(text, texts_[caption], icon, AskButtons::kYesNo) == Answer::kYes;
}

void TMainForm::ApplyCommands(const CommandState* states, size_t count) {
  for (size_t i = 0; i < count; ++i) EnableCommand(states[i].command, states[i].on);
}

bool TMainForm::AnyTickedNotReady() const {
  for (const Row& r : rows_) {
    const TDevice* d = devices_.Find(r.record_id);
    if (r.data.checked && d != nullptr && d->identified && !d->ready) return true;
  }
  return false;
}

void TMainForm::FirmUpdateButtonClick() {
  // A second command while the first is still asking, or while a batch runs
  // (a box or a worker's Run lets the click through), is refused.
  if (updating_ || update_command_open_ || closing_) return;
  update_command_open_ = true;
  RunUpdateCommand();
  update_command_open_ = false;
}

void TMainForm::RunUpdateCommand() {
  if (!automatic_ && AnyTickedNotReady()) {
    Tell(texts_[TextKey::MsgNotReady], TextKey::MsgErrorCaption, AskKind::kError);
    result_code_ = kResultCodeRefused;
    return;
  }
  std::vector<uint32_t> selection;
  bool any_older = false, any_newer = false;
  for (const Row& r : rows_) {
    const TDevice* d = devices_.Find(r.record_id);
    if (!r.data.checked || d == nullptr || !d->identified) continue;
    selection.push_back(d->id);
    switch (update::CompareVersions(d->version, settings_.target_version)) {
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
  if (closing_) return;
  StartBatch(selection);
}

void TMainForm::StartBatch(const std::vector<uint32_t>& record_ids) {
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
  loop_.StopTimer(kStatusTimer);
  workers_.clear();
  for (size_t i = 0; i < records.size(); ++i) {
    TDevice* d = records[i];
    if (services_.forget_neighbour) services_.forget_neighbour(d->address);
    const int32_t index = static_cast<int32_t>(i);
    // While the batch runs no record is removed (refresh is refused and the
    // decoder adds and removes nothing), so the worker may keep its board.
    workers_.push_back(std::make_unique<update::TUpdateForm>(
        *this, loop_, *services_.clock, services_.http, services_.timing,
        kWorkerTimerBase + static_cast<uint32_t>(i), index, d));
  }
  StartNextWorker();
}

void TMainForm::StartNextWorker() {
  if (pace_ > 1) {
    StartSideBySide();
    return;
  }
  bool busy_before = false;
  size_t candidate = workers_.size();
  for (size_t i = 0; i < workers_.size(); ++i) {
    const update::TUpdateForm* w = workers_[i].get();
    if (w == nullptr) continue;
    if (w->state() == update::kRunning) return;  // still inside its Run
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
void TMainForm::StartSideBySide() {
  // A question or an upload of the outer call is open; it looks again when
  // that is over.
  if (starting_side_by_side_) return;
  starting_side_by_side_ = true;
  for (;;) {
    const size_t candidate = NextSideBySideStart(workers_, pace_, tally_);
    if (candidate == kNoStart || !StartCandidate(candidate) || !updating_ || closing_) break;
  }
  starting_side_by_side_ = false;
  result_code_ = kResultCodeNotUpdated;
}

// Asks the downgrade question when the board needs it, then uploads. False
// when the board was not started.
bool TMainForm::StartCandidate(size_t candidate) {
  if (candidate == workers_.size() - 1) EnableCommand(Command::kStop, false);
  if (!automatic_) {
    const TDevice* d = workers_[candidate]->board();
    const Row* row = RowOf(*d);
    if (row != nullptr && row->data.checked && d->identified &&
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
      if (closing_) return false;
    }
  }
  update::TUpdateForm* worker = workers_[candidate].get();
  worker->set_state(update::kRunning);
  worker->set_image_source(settings_.image_source);
  worker->Run(settings_.image_path, settings_.file_name,
              settings_.field_name == update::kUploadFieldRcc ? 2 : 1);
  return true;
}

void TMainForm::WorkerFinished(int32_t index, int32_t result) {
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
    const Row* own = RowOf(*finished);
    const bool ticked = own != nullptr && own->data.checked;
    for (const Row& r : rows_) {
      TDevice* d = devices_.Find(r.record_id);
      if (d != nullptr && !ticked && protocol::SameTextIgnoringCase(d->mac, finished->mac)) {
        d->wanted = false;
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

// Every slot is empty: the batch is over.
void TMainForm::EndBatchWhenEmpty() {
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
void TMainForm::EndBatchCommands(bool enable_update) {
  ApplyCommands(kIdleCommands, std::size(kIdleCommands));
  if (enable_update) EnableCommand(Command::kFirmUpdate, true);
  if (!automatic_) loop_.StartTimer(kStatusTimer, kStatusInterval, this);
}

void TMainForm::RemoveWaitingWorkers() {
  for (auto& w : workers_) {
    if (w && w->state() == update::kCreated) w.reset();
  }
}

void TMainForm::CancelWaitingWorkers() {
  result_code_ = kResultCodeRefused;
  RemoveWaitingWorkers();
}

void TMainForm::CancelBatch() {
  RemoveWaitingWorkers();
  // Boards already uploaded are writing their image: they are never
  // abandoned. The batch ends as after a stop, once they have reported.
  for (const auto& w : workers_) {
    if (w) {
      stop_requested_ = true;
      EnableCommand(Command::kStop, false);
      return;
    }
  }
  workers_.clear();
  updating_ = false;
  EndBatchCommands(true);
}

void TMainForm::StopButtonClick() {
  if (!updating_) return;
  if (!Confirm(texts_[TextKey::MsgStopQuestion], TextKey::MsgCautionCaption, AskKind::kWarning)) {
    return;
  }
  // The batch may have ended while the question was open.
  if (!updating_) return;
  stop_requested_ = true;
  if (!command_enabled(Command::kStop)) return;
  EnableCommand(Command::kStop, false);
  RemoveWaitingWorkers();
}

bool TMainForm::FormClose() {
  if (closing_) return true;
  if (!automatic_ && updating_ &&
      !Confirm(texts_[TextKey::MsgAbortQuestion], TextKey::MsgCautionCaption, AskKind::kWarning)) {
    return false;
  }
  closing_ = true;
  loop_.Quit(0);
  return true;
}

// ---- Automatic mode -------------------------------------------------------------

int TMainForm::ParseCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) return 0;
  automatic_ = true;
  target_address_ = args[0];
  loop_.StartTimer(kAutoTimer, services_.timing.auto_tick_ms, this);
  return 1;
}

void TMainForm::AutoTimerTimer() {
  // The first show without the firewall offer.
  ApplyLanguage(LanguageOf(SystemLocale()));
  RefreshItemClick();
  loop_.StopTimer(kAutoTimer);
  if (nodes_.size() > 1) SelectCategory(nodes_[1].ref, SelectVia::kMouse);
  loop_.StartTimer(kAuto2Timer, services_.timing.auto_tick_ms, this);
}

void TMainForm::Auto2TimerTimer() {
  loop_.StopTimer(kAuto2Timer);
  FirmUpdateButtonClick();
  // The window closes when the board's restart wait is over, the moment the
  // update command used to return.
  for (const auto& w : workers_) {
    if (w && w->waiting()) {
      close_after_wait_ = true;
      return;
    }
  }
  FormClose();
}

// Where the update command or WorkerFinished carried on when Run sat the
// wait out: a worker started by WorkerFinished (any after the first) left
// 402 behind it, and the automatic mode closes the window.
void TMainForm::RestartWaitEnded(int32_t index) {
  if (index > 0) result_code_ = kResultCodeNotUpdated;
  if (close_after_wait_) {
    close_after_wait_ = false;
    FormClose();
  }
}

}  // namespace ui
