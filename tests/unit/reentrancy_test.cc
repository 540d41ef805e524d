// Handlers running inside other handlers. Every question is a modal box
// whose loop keeps handling datagrams and timers, and a worker's Run lets
// pending messages run; so a reply, a refresh, a tree click or a second
// update command can arrive at any of those moments. Each case delivers one
// of them at one moment and checks that nothing freed is used (the
// sanitizer build runs these), that no second batch starts, and that a
// board that vanished before the batch began is simply not updated.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "tests/support/form_harness.h"
#include "tests/support/temp_file.h"

namespace {

using testing_support::FormHarness;
using testing_support::ModelReply;
using testing_support::TempFile;
using ui::Answer;
using ui::Command;

constexpr char kAddress[] = "10.213.0.11";
constexpr char kMac[] = "02:00:00:00:00:11";
constexpr uint32_t kIntrusionTimer = 900;

enum class Moment {
  kConfirmation,  // the update confirmation
  kSameVersion,   // the same-version question
  kDowngrade,     // the downgrade question, the batch already started
  kRun,           // inside the worker's Run (upload and restart wait)
  kFailure,       // the worker's failure message
  kSuccess,       // the batch's success message
  kStop,          // the stop question, asked during Run
  kAbort,         // the close question, asked during Run, answered No
};

enum class Intrusion {
  kStrayReply,    // a model reply naming another model for the ticked board
  kRefresh,       // F5 or an adapter dialog's OK
  kSecondUpdate,  // the update command once more
  kTreeClick,     // a category chosen: the list is rebuilt
  kCloseNo,       // the window's close request, its question answered No
  kCloseYes,      // ... answered Yes: the program ends
};

struct Case {
  Moment moment;
  uint8_t major, minor;  // the board's version
  bool tick_by_hand;     // only older boards are pre-ticked
  size_t question;       // index of the question the moment is, if any
  bool batch_started;    // the batch runs at that moment
};

Case CaseFor(Moment m) {
  switch (m) {
    case Moment::kConfirmation:
      return {m, 5, 0x00, false, 0, false};
    case Moment::kSameVersion:
      return {m, 5, 0x12, true, 1, false};
    case Moment::kDowngrade:
      return {m, 5, 0x20, true, 1, true};
    case Moment::kRun:
      return {m, 5, 0x00, false, SIZE_MAX, true};
    case Moment::kFailure:
    case Moment::kSuccess:
    case Moment::kStop:
    case Moment::kAbort:
      return {m, 5, 0x00, false, 1, true};
  }
  return {};
}

// Fires once, some way into Run's restart wait.
struct OneShot : platform::TimerSink {
  platform::EventLoop* loop = nullptr;
  std::function<void()> call;
  void OnTimer(uint32_t id) override {
    loop->StopTimer(id);
    if (call) call();
  }
};

struct Reentrancy : ::testing::TestWithParam<std::tuple<Moment, Intrusion>> {
  TempFile image{TempFile::Pattern(30000)};
  FormHarness h{"10.213.0.2", image.path()};
  OneShot shot;
  bool delivered = false;
  bool updating_then = false;

  void Deliver(Intrusion what) {
    delivered = true;
    updating_then = h.form.updating();
    switch (what) {
      case Intrusion::kStrayReply:
        h.Receive(ModelReply(kMac, "QJ-W02"), kAddress);
        break;
      case Intrusion::kRefresh:
        h.form.RefreshItemClick();
        break;
      case Intrusion::kSecondUpdate:
        h.form.FirmUpdateButtonClick();
        break;
      case Intrusion::kTreeClick:
        h.Select("QJ-L04(Wired)");
        break;
      case Intrusion::kCloseNo:
      case Intrusion::kCloseYes:
        h.view.answers.push_front(what == Intrusion::kCloseYes ? Answer::kYes : Answer::kNo);
        EXPECT_EQ(h.form.FormClose(), what == Intrusion::kCloseYes);
        break;
    }
    if (h.form.updating()) {
      EXPECT_FALSE(h.form.command_enabled(Command::kFirmUpdate))
          << "the update command reopened mid-batch";
    }
  }
  size_t Asked(const std::string& text) const {
    size_t n = 0;
    for (const auto& q : h.view.questions) n += q.text == text;
    return n;
  }
};

TEST_P(Reentrancy, NothingFreedIsUsedAndNoSecondBatchStarts) {
  const Moment moment = std::get<0>(GetParam());
  const Intrusion intrusion = std::get<1>(GetParam());
  const Case c = CaseFor(moment);
  h.form.FormShow(1033);
  h.loop.ProcessPending();
  h.AddBoard(kAddress, kMac, c.major, c.minor);
  h.Select("QJ-L04(Wired)");
  if (c.tick_by_hand) h.form.ListViewMouseDown(h.view.RowOf(kAddress), true);
  ASSERT_TRUE(h.view.rows.at(h.view.RowOf(kAddress)).checked);

  h.view.answers.assign(8, Answer::kYes);
  if (moment == Moment::kAbort) h.view.answers[1] = Answer::kNo;
  if (moment == Moment::kFailure) h.http.fail_open = true;
  h.view.modal = true;
  h.view.while_open = [&](size_t index) {
    if (index == c.question && !delivered) Deliver(intrusion);
  };
  shot.loop = &h.loop;
  shot.call = [&] {
    if (moment == Moment::kRun) Deliver(intrusion);
    if (moment == Moment::kStop) h.form.StopButtonClick();
    if (moment == Moment::kAbort) {
      EXPECT_FALSE(h.form.FormClose());
    }
  };
  h.loop.StartTimer(kIntrusionTimer, 5000, &shot);

  h.form.FirmUpdateButtonClick();
  h.RunOutRestartWait();
  h.loop.RunFor(1000);  // a failure is reported on the worker's next tick
  if (moment == Moment::kSuccess) {
    h.AnswerVersion(kAddress, kMac, 5, 0x12);
    h.loop.RunFor(70 * 3);
  }
  ASSERT_TRUE(delivered) << "the moment never came";
  EXPECT_EQ(updating_then, c.batch_started);

  const std::string confirmation = ui::UpdateConfirmation(h.form.texts());
  EXPECT_EQ(Asked(confirmation), 1u) << "a second update command asked again";
  EXPECT_LE(h.http.sessions, 1) << "a second batch started";
  const bool vanished =
      !c.batch_started && (intrusion == Intrusion::kStrayReply || intrusion == Intrusion::kRefresh);
  if (vanished) {
    EXPECT_EQ(h.http.sessions, 0) << "a board that vanished during the questions was updated";
    EXPECT_FALSE(h.form.updating());
  } else {
    EXPECT_NE(h.Device(kAddress), nullptr) << "a record was freed during the batch";
    EXPECT_EQ(h.http.sessions, 1);
  }
}

std::string Name(const ::testing::TestParamInfo<std::tuple<Moment, Intrusion>>& info) {
  static const char* kMoments[] = {"Confirmation", "SameVersion", "Downgrade", "Run",
                                   "Failure",      "Success",     "Stop",      "Abort"};
  static const char* kIntrusions[] = {"StrayReply", "Refresh", "SecondUpdate",
                                      "TreeClick",  "CloseNo", "CloseYes"};
  return std::string(kMoments[static_cast<int>(std::get<0>(info.param))]) + "_" +
         kIntrusions[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(
    EveryQuestionAndRun, Reentrancy,
    ::testing::Combine(::testing::Values(Moment::kConfirmation, Moment::kSameVersion,
                                         Moment::kDowngrade, Moment::kRun, Moment::kFailure,
                                         Moment::kSuccess, Moment::kStop, Moment::kAbort),
                       ::testing::Values(Intrusion::kStrayReply, Intrusion::kRefresh,
                                         Intrusion::kSecondUpdate, Intrusion::kTreeClick)),
    Name);

// A stop answered while the downgrade question of the second of three
// boards is open removes that board and the third: the batch must end
// rather than start a freed worker or wait for ever.
TEST(ReentrancyStop, StopDuringTheDowngradeQuestionEndsTheBatch) {
  TempFile image{TempFile::Pattern(30000)};
  FormHarness h{"10.213.0.2", image.path()};
  h.form.FormShow(1033);
  h.loop.ProcessPending();
  h.AddBoard("10.213.0.11", "02:00:00:00:00:11", 5, 0x00);
  h.AddBoard("10.213.0.12", "02:00:00:00:00:12", 5, 0x20);  // newer: asked about
  h.AddBoard("10.213.0.13", "02:00:00:00:00:13", 5, 0x00);
  h.Select("QJ-L04(Wired)");
  h.form.ListViewMouseDown(h.view.RowOf("10.213.0.12"), true);
  h.view.answers.assign(4, Answer::kYes);
  h.view.modal = true;
  h.view.while_open = [&](size_t index) {
    if (index == 1) h.form.StopButtonClick();  // the stop question is index 2
  };
  h.form.FirmUpdateButtonClick();
  h.RunOutRestartWait();
  h.AnswerVersion("10.213.0.11", "02:00:00:00:00:11", 5, 0x12);
  h.loop.RunFor(70 * 3);
  ASSERT_EQ(h.view.questions.size(), 3u);
  EXPECT_EQ(h.view.questions[1].text,
            ui::DowngradeQuestion(h.form.texts(), "10.213.0.12", "02:00:00:00:00:12"));
  EXPECT_EQ(h.http.sessions, 1) << "a stopped board was updated";
  EXPECT_FALSE(h.form.updating());
  EXPECT_TRUE(h.form.workers().empty());
  EXPECT_TRUE(h.form.command_enabled(Command::kRefresh));
  EXPECT_TRUE(h.form.command_enabled(Command::kFirmUpdate)) << "stopped: the command reopens";
}

// The same intrusions while boards are updated side by side: the first board
// is confirmed and the second sits in its restart wait when the third's
// moment comes. Nothing freed is used, no board is uploaded twice, the
// restarting board is never abandoned except by a close answered Yes.
enum class SideMoment {
  kWaiting,    // a timer while the second and third boards wait
  kFailure,    // the third board's failure message
  kDowngrade,  // the third board's downgrade question
};

struct ReentrancySideBySide : Reentrancy {};

TEST_P(ReentrancySideBySide, RestartingBoardsAreKeptAndNoneIsUploadedTwice) {
  const auto moment = static_cast<SideMoment>(std::get<0>(GetParam()));
  const Intrusion intrusion = std::get<1>(GetParam());
  const std::string ip[] = {"10.213.0.11", "10.213.0.12", "10.213.0.13"};
  const std::string mac[] = {"02:00:00:00:00:11", "02:00:00:00:00:12", "02:00:00:00:00:13"};
  h.form.FormShow(1033);
  h.loop.ProcessPending();
  for (int i = 0; i < 3; ++i) {
    h.AddBoard(ip[i], mac[i], 5, i == 2 && moment == SideMoment::kDowngrade ? 0x20 : 0x00);
  }
  h.Select("QJ-L04(Wired)");
  h.form.ListViewMouseDown(h.view.RowOf(ip[2]), true);
  if (moment == SideMoment::kFailure) h.http.status_of[ip[2]] = 500;
  h.form.set_side_by_side(3);
  h.view.answers.assign(8, Answer::kYes);
  h.view.modal = true;
  h.view.while_open = [&](size_t index) {
    if (index == 1 && !delivered) Deliver(intrusion);
  };
  shot.loop = &h.loop;
  shot.call = [&] { Deliver(intrusion); };

  h.form.FirmUpdateButtonClick();
  h.RunOutRestartWait();
  h.AnswerVersion(ip[0], mac[0], 5, 0x12);
  if (moment == SideMoment::kWaiting) h.loop.StartTimer(kIntrusionTimer, 2000, &shot);
  for (int round = 0; round < 3 && h.form.updating() && !h.form.closing(); ++round) {
    h.loop.RunFor(1100);
    h.RunOutRestartWait();
    for (int i = 0; i < 3; ++i) h.AnswerVersion(ip[i], mac[i], 5, 0x12);
    h.loop.RunFor(70 * 3);
  }
  ASSERT_TRUE(delivered) << "the moment never came";
  EXPECT_TRUE(updating_then);
  std::vector<std::string> uploads = h.http.uploads;
  std::sort(uploads.begin(), uploads.end());
  EXPECT_EQ(std::unique(uploads.begin(), uploads.end()), uploads.end()) << "a board uploaded twice";
  for (const std::string& a : ip) EXPECT_NE(h.Device(a), nullptr) << "a record was freed";
  EXPECT_EQ(h.view.rows.at(h.view.RowOf(ip[0])).sub[3], "Finish");
  if (intrusion == Intrusion::kCloseYes) {
    EXPECT_TRUE(h.loop.QuitRequested());
    if (moment == SideMoment::kDowngrade) {
      EXPECT_EQ(h.http.uploads.size(), 2u) << "an upload began after the window closed";
    }
  } else {
    EXPECT_EQ(h.view.rows.at(h.view.RowOf(ip[1])).sub[3], "Finish") << "the second was abandoned";
    EXPECT_FALSE(h.form.updating());
    EXPECT_EQ(h.http.uploads.size(), 3u);
  }
}

std::string SideName(const ::testing::TestParamInfo<std::tuple<Moment, Intrusion>>& info) {
  static const char* kMoments[] = {"Waiting", "Failure", "Downgrade"};
  const std::string both = Name(info);
  return kMoments[static_cast<int>(std::get<0>(info.param))] + both.substr(both.find('_'));
}

INSTANTIATE_TEST_SUITE_P(
    SideBySidePhase, ReentrancySideBySide,
    ::testing::Combine(::testing::Values(static_cast<Moment>(SideMoment::kWaiting),
                                         static_cast<Moment>(SideMoment::kFailure),
                                         static_cast<Moment>(SideMoment::kDowngrade)),
                       ::testing::Values(Intrusion::kStrayReply, Intrusion::kRefresh,
                                         Intrusion::kSecondUpdate, Intrusion::kTreeClick,
                                         Intrusion::kCloseNo, Intrusion::kCloseYes)),
    SideName);

}  // namespace
