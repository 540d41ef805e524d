// The update batch alone on virtual time, behind a window that only records
// what the batch asks of it: the order of its states from the command to
// the last board, and what each outcome leaves behind.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/form_harness.h"
#include "tests/support/temp_file.h"
#include "updater/ui/update_batch.h"

namespace {

using testing_support::TempFile;
using ui::Answer;
using Strings = std::vector<std::string>;

struct RecordingWindow final : ui::BatchHost {
  std::vector<uint32_t> listed;
  std::set<uint32_t> ticked;
  std::map<ui::Command, bool> enabled;
  Strings log;
  std::map<uint32_t, int32_t> progress;
  std::vector<uint32_t> waits_over;
  const ui::UpdateBatch* batch = nullptr;

  std::vector<uint32_t> ListedBoards() const override { return listed; }
  bool RowTicked(uint32_t id) const override { return ticked.count(id) != 0; }
  void EnableCommand(ui::Command c, bool on) override { enabled[c] = on; }
  bool CommandEnabled(ui::Command c) const override { return enabled.at(c); }
  void BatchRunning(bool on) override { log.push_back(on ? "running" : "idle"); }
  void ShowProgress(uint32_t id, int32_t tenths, bool) override { progress[id] = tenths; }
  void ShowStatus(uint32_t id, update::WorkerStatus s) override {
    log.push_back(std::to_string(id) + " status " + std::to_string(static_cast<int>(s)));
  }
  void ShowConfirmed(uint32_t id) override { log.push_back(std::to_string(id) + " confirmed"); }
  void PostBasicQuery(const protocol::TDevice&) override {}
  void RestartWaitOver() override {
    for (const auto& w : batch->workers()) {
      if (w && w->state() != update::kCreated && !w->waiting()) {
        waits_over.push_back(w->board()->id);
        return;
      }
    }
  }
  bool Closing() const override { return false; }
};

struct BatchState : ::testing::Test {
  TempFile image{TempFile::Pattern(20000)};
  testing_support::VirtualLoop loop;
  testing_support::TestView view{loop};
  testing_support::FakeBoardHttp http;
  testing_support::FakePipe pipe;
  ui::FormServices services;
  ui::FormSettings settings = testing_support::ShippedSettings(image.path());
  protocol::DeviceList devices;
  RecordingWindow window;
  ui::TextTable texts;

  void SetUp() override {
    services.clock = &loop;
    services.http = http.Factory();
    services.pipe = &pipe;
  }
  void AddBoards(int n) {
    for (int i = 0; i < n; ++i) {
      protocol::TDevice d = protocol::TDevice::FromSearchReply(
          "10.213.0." + std::to_string(11 + i), "02:00:00:00:00:1" + std::to_string(i), "4.0",
          "5.00", protocol::category::kQJL04Wired);
      d.identified = true;
      const uint32_t id = devices.Append(std::move(d))->id;
      window.listed.push_back(id);
      window.ticked.insert(id);
    }
  }
};

// Each board in turn: upload, wait on the timer, confirmation, the next.
TEST_F(BatchState, OutcomesOfABatch) {
  struct Case {
    const char* name;
    int boards;
    bool automatic;
    bool fail_open;    // every upload fails to connect
    int confirmed;     // boards that report the new version
    int sessions;      // uploads begun
    int32_t result;    // the result code at the end
    size_t questions;  // boxes shown
  };
  const Case cases[] = {
      {"two boards", 2, false, false, 2, 2, 402, 2},  // confirmation, success
      {"automatic", 1, true, false, 1, 1, 0, 0},
      {"first fails", 3, false, true, 0, 1, 402, 2},  // confirmation, failure
      {"second never answers", 2, false, false, 1, 2, 402, 2},  // confirmation, failure
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    http = testing_support::FakeBoardHttp{};
    http.fail_open = c.fail_open;
    services.http = http.Factory();
    devices.Clear();
    window = RecordingWindow{};
    view.questions.clear();
    view.answers.assign(4, Answer::kYes);
    AddBoards(c.boards);
    ui::UpdateBatch batch(window, view, texts, loop, services, settings, devices);
    window.batch = &batch;
    batch.set_automatic(c.automatic);

    batch.UpdateCommand();
    EXPECT_TRUE(batch.updating());
    EXPECT_EQ(window.log.front(), "running");
    EXPECT_FALSE(window.enabled[ui::Command::kRefresh]);
    for (int i = 0; i < c.boards && batch.updating(); ++i) {
      const uint32_t id = window.listed[i];
      loop.RunUntil([&] { return !batch.AnyWorkerWaiting() && !batch.workers().empty(); }, 200000);
      if (i < c.confirmed) {
        protocol::TDevice* d = devices.Find(id);
        EXPECT_TRUE(batch.OfferConfirmation(d, "5.12", d->address));
        loop.RunFor(70);
      } else {
        loop.RunFor(70 * 1300);  // the checking gives up
      }
    }
    EXPECT_FALSE(batch.updating());
    EXPECT_TRUE(batch.workers().empty());
    EXPECT_EQ(window.log.back(), "idle");
    EXPECT_EQ(http.sessions, c.sessions);
    EXPECT_EQ(batch.result_code(), c.result);
    EXPECT_EQ(view.questions.size(), c.questions);
    EXPECT_EQ(window.waits_over.size(), c.fail_open ? 0u : static_cast<size_t>(c.sessions))
        << "one wait per uploaded board, each over before the next upload";
    for (int i = 0; i < c.confirmed; ++i) {
      EXPECT_EQ(window.progress[window.listed[i]], 1000);
    }
  }
}

}  // namespace
