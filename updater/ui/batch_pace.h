// The pace of an update batch with several boards at once: which waiting
// board may start its upload now, and the batch's count of boards for the
// final message. One board at a time keeps the batch's own rule.
#ifndef UPDATER_UI_BATCH_PACE_H_
#define UPDATER_UI_BATCH_PACE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "updater/update/update_worker.h"

namespace ui {

constexpr size_t kNoStart = static_cast<size_t>(-1);

// The first waiting slot, when
// - it is the batch's first board, or that board has been confirmed: the
//   first runs alone, so a bad image or a wrong setting costs one board, not N;
// - no upload is under way: uploads share the PC's link, one at a time;
// - no worker holds a failure it has not reported yet: a failure starts
//   nothing new;
// - fewer than `at_once` boards are restarting or being checked.
// kNoStart otherwise.
struct BatchTally;
size_t NextSideBySideStart(const std::vector<std::unique_ptr<update::UpdateWorker>>& workers,
                           uint32_t at_once, const BatchTally& tally);

// Boards of a batch and how they ended; the rest never started.
struct BatchTally {
  size_t boards = 0;
  size_t updated = 0;
  size_t failed = 0;
  size_t not_started() const { return boards - updated - failed; }
};

}  // namespace ui

#endif  // UPDATER_UI_BATCH_PACE_H_
