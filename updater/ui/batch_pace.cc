#include "updater/ui/batch_pace.h"

namespace ui {

namespace {

// The worker has ended badly and its report is still on its way.
bool FailurePending(const update::UpdateWorker& w) {
  switch (w.state()) {
    case update::kResponseFailure:
    case update::kConnectionFailure:
    case update::kSendFailure:
      return true;
    case update::kDone:
      return !w.confirmed();
    default:
      return false;
  }
}

}  // namespace

size_t NextSideBySideStart(const std::vector<std::unique_ptr<update::UpdateWorker>>& workers,
                           uint32_t at_once, const BatchTally& tally) {
  size_t busy = 0;
  size_t candidate = kNoStart;
  for (size_t i = 0; i < workers.size(); ++i) {
    const update::UpdateWorker* w = workers[i].get();
    if (w == nullptr) continue;
    if (w->state() == update::kCreated) {
      if (candidate == kNoStart) candidate = i;
      continue;
    }
    if (w->state() == update::kRunning && !w->waiting()) return kNoStart;  // uploading
    if (FailurePending(*w)) return kNoStart;
    ++busy;
  }
  const bool canary = tally.updated == 0 && tally.failed == 0 && busy == 0;
  if (tally.updated == 0 && !canary) return kNoStart;
  return busy < at_once ? candidate : kNoStart;
}

}  // namespace ui
