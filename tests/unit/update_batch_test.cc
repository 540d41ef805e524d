// The update batch and its worker on virtual time: questions, order, the
// fixed wait, the checking state, failures, stop, close and the automatic
// mode, with a fake board behind the HTTP session.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "tests/support/form_harness.h"
#include "tests/support/temp_file.h"
#include "updater/host/zantor_session.h"

namespace {

using testing_support::BoardInfo;
using testing_support::FormHarness;
using testing_support::InfoReply;
using testing_support::StatusReply;
using testing_support::TempFile;
using ui::Answer;
using ui::Command;
using Strings = std::vector<std::string>;

constexpr uint32_t kTestCall = platform::kUserMessage + 500;

// Runs a callback from inside the loop: the way a click arrives while the
// worker's Run lets pending messages run.
struct Later : platform::MessageSink {
  std::function<void()> call;
  void OnMessage(const platform::Message&) override {
    if (call) call();
  }
};

struct Batch : ::testing::Test {
  TempFile image{TempFile::Pattern(30000)};
  std::unique_ptr<FormHarness> h = std::make_unique<FormHarness>("10.213.0.2", image.path());

  void SetUp() override { h->Refresh(); }

  void Board(const std::string& address, const std::string& mac, uint8_t major, uint8_t minor,
             uint8_t status = 0x00) {
    h->AddBoard(address, mac, major, minor, status);
  }
  void AnswerVersion(const std::string& address, const std::string& mac, uint8_t major,
                     uint8_t minor) {
    h->AnswerVersion(address, mac, major, minor);
  }
  const ui::RowData& Row(const std::string& address) {
    return h->view.rows.at(h->view.RowOf(address));
  }
  Strings Questions() const {
    Strings out;
    for (const auto& q : h->view.questions) out.push_back(q.text);
    return out;
  }
  std::string Text(ui::TextKey key) { return h->form.texts()[key]; }
};

TEST_F(Batch, TwoBoardsOneAfterTheOtherFromUploadToFinish) {
  h->form.FormShow(1033);
  h->loop.ProcessPending();
  Board("10.213.0.11", "02:00:00:00:00:11", 5, 0x00);
  Board("10.213.0.12", "02:00:00:00:00:12", 5, 0x10);
  h->Select("QJ-L04(Wired)");
  ASSERT_TRUE(Row("10.213.0.11").checked && Row("10.213.0.12").checked);
  h->view.answers = {Answer::kYes};

  const uint64_t t0 = h->loop.now();
  h->form.FirmUpdateButtonClick();
  h->RunOutRestartWait();
  // The upload and the fixed wait are over.
  EXPECT_GE(h->loop.now() - t0, 195000u);
  EXPECT_LT(h->loop.now() - t0, 197000u);
  EXPECT_EQ(h->http.sessions, 1);
  EXPECT_EQ(h->http.spec.server, "10.213.0.11");
  EXPECT_EQ(h->forgotten, Strings({"10.213.0.11", "10.213.0.12"}));
  EXPECT_TRUE(h->form.updating());
  EXPECT_FALSE(h->view.enabled[Command::kMainPanel]);
  EXPECT_FALSE(h->view.enabled[Command::kRefresh]);
  EXPECT_TRUE(h->view.enabled[Command::kStop]) << "the first of two is not the last";
  // The address commands would do nothing now: they are greyed with the rest.
  for (Command c : {Command::kAdapter, Command::kAddAddress, Command::kImportList}) {
    EXPECT_FALSE(h->view.enabled[c]) << static_cast<int>(c);
  }
  EXPECT_EQ(Row("10.213.0.11").sub[3], "Checking update");
  EXPECT_EQ(Row("10.213.0.11").sub[2], "97.0");
  EXPECT_EQ(h->form.result_code(), 0) << "the worker sets 0 when the wait is over";
  EXPECT_EQ(h->traces, Strings({"UpdateHTTP_2 START", "UpdateHTTP_2 CLOSE 80",
                                "UpdateHTTP_2 Write Wait", "UpdateHTTP_2 END"}));

  // Checking: the percentage climbs to 98.0 and the board is asked again.
  h->ClearSent();
  h->loop.RunFor(70 * 12);
  EXPECT_EQ(Row("10.213.0.11").sub[2], "98.0");
  EXPECT_EQ(h->Sent().back(), "info 10.213.0.11");
  AnswerVersion("10.213.0.11", "02:00:00:00:00:11", 5, 0x12);
  h->loop.RunFor(70);  // the next tick confirms and the second board starts
  EXPECT_EQ(Row("10.213.0.11").sub[3], "Finish");
  EXPECT_EQ(Row("10.213.0.11").sub[2], "100.0");
  EXPECT_EQ(Row("10.213.0.11").sub[1], "5.12");
  EXPECT_FALSE(Row("10.213.0.11").checked);
  EXPECT_EQ(h->http.sessions, 2);
  EXPECT_EQ(h->http.spec.server, "10.213.0.12");
  EXPECT_FALSE(h->view.enabled[Command::kStop]) << "the last board has started";
  h->RunOutRestartWait();

  AnswerVersion("10.213.0.12", "02:00:00:00:00:12", 5, 0x12);
  h->loop.RunFor(70);
  EXPECT_FALSE(h->form.updating());
  EXPECT_TRUE(h->form.workers().empty());
  EXPECT_EQ(Questions().back(), Text(ui::TextKey::MsgSuccess));
  EXPECT_EQ(h->view.questions.front().buttons, ui::AskButtons::kYesNo);
  EXPECT_TRUE(h->view.enabled[Command::kMainPanel]);
  EXPECT_TRUE(h->view.enabled[Command::kRefresh]);
  EXPECT_FALSE(h->view.enabled[Command::kFirmUpdate]) << "nothing is ticked any more";
  for (Command c : {Command::kAdapter, Command::kAddAddress, Command::kImportList}) {
    EXPECT_TRUE(h->view.enabled[c]) << static_cast<int>(c);
  }
  EXPECT_FALSE(h->Device("10.213.0.11")->wanted);
  EXPECT_TRUE(h->loop.TimerRunning(ui::kStatusTimer));
  EXPECT_EQ(h->form.result_code(), 402) << "an interactive batch leaves 402";
}

TEST_F(Batch, RefusalsAndQuestionsBeforeAnythingStarts) {
  h->form.FormShow(1033);
  h->loop.ProcessPending();
  Board("10.213.0.11", "02:00:00:00:00:11", 5, 0x00, 0x10);  // not ready
  h->Select("QJ-L04(Wired)");
  h->form.FirmUpdateButtonClick();
  EXPECT_EQ(Questions(), Strings({Text(ui::TextKey::MsgNotReady)}));
  EXPECT_EQ(h->view.questions[0].icon, ui::AskKind::kError);
  EXPECT_EQ(h->form.result_code(), 400);
  EXPECT_EQ(h->http.sessions, 0);

  // 4.00 is outside the range that may take 5.12.
  h->Refresh();
  h->view.questions.clear();
  Board("10.213.0.13", "02:00:00:00:00:13", 4, 0x00);
  h->Select("QJ-L04(Wired)");
  h->form.FirmUpdateButtonClick();
  EXPECT_EQ(Questions(), Strings({Text(ui::TextKey::MsgOnlyFrom200)}));
  EXPECT_FALSE(h->form.updating());

  // The same version is asked about only when no board is older or newer.
  h->Refresh();
  h->view.questions.clear();
  Board("10.213.0.14", "02:00:00:00:00:14", 5, 0x12);
  h->Select("QJ-L04(Wired)");
  h->form.ListViewMouseDown(h->view.RowOf("10.213.0.14"), true);
  h->view.answers = {Answer::kYes, Answer::kNo};
  h->form.FirmUpdateButtonClick();
  EXPECT_EQ(Questions(),
            Strings({ui::UpdateConfirmation(h->form.texts()), Text(ui::TextKey::MsgSameVersion)}));
  EXPECT_EQ(h->http.sessions, 0);

  Board("10.213.0.15", "02:00:00:00:00:15", 5, 0x00);
  h->Select("QJ-L04(Wired)");
  h->form.ListViewMouseDown(h->view.RowOf("10.213.0.14"), true);
  h->view.questions.clear();
  h->view.answers = {Answer::kNo};
  h->form.FirmUpdateButtonClick();
  EXPECT_EQ(Questions(), Strings({ui::UpdateConfirmation(h->form.texts())}));
}

TEST_F(Batch, DowngradeAnsweredNoCancelsWithoutAMessage) {
  h->form.FormShow(1033);
  h->loop.ProcessPending();
  Board("10.213.0.11", "02:00:00:00:00:11", 5, 0x20);  // newer than 5.12
  h->Select("QJ-L04(Wired)");
  h->form.ListViewMouseDown(h->view.RowOf("10.213.0.11"), true);
  h->view.answers = {Answer::kYes, Answer::kNo};
  h->form.FirmUpdateButtonClick();
  ASSERT_EQ(h->view.questions.size(), 2u);
  EXPECT_EQ(h->view.questions[1].text,
            ui::DowngradeQuestion(h->form.texts(), "10.213.0.11", "02:00:00:00:00:11"));
  EXPECT_EQ(h->http.sessions, 0);
  EXPECT_FALSE(h->form.updating());
  EXPECT_TRUE(h->form.workers().empty());
  EXPECT_TRUE(h->view.enabled[Command::kFirmUpdate]);
  EXPECT_TRUE(h->view.enabled[Command::kMainPanel]);
}

TEST_F(Batch, FailureOfTheFirstOfThreeStopsTheRest) {
  h->form.FormShow(1033);
  h->loop.ProcessPending();
  for (int i = 1; i <= 3; ++i) {
    Board("10.213.0.1" + std::to_string(i), "02:00:00:00:00:1" + std::to_string(i), 5, 0);
  }
  h->Select("QJ-L04(Wired)");
  h->http.fail_open = true;
  h->view.answers = {Answer::kYes};
  h->form.FirmUpdateButtonClick();
  EXPECT_EQ(Row("10.213.0.11").sub[3], "Firmware data sending");
  EXPECT_EQ(Row("10.213.0.11").sub[2], "10");
  h->loop.RunFor(50);
  EXPECT_EQ(Row("10.213.0.11").sub[3], "Error Finish");
  EXPECT_EQ(Questions().back(),
            ui::WorkerFailureMessage(h->form.texts(), -12, "10.213.0.11", "02:00:00:00:00:11"));
  EXPECT_EQ(h->http.sessions, 1) << "the other two never start";
  EXPECT_FALSE(h->form.updating());
  EXPECT_TRUE(h->view.enabled[Command::kFirmUpdate]);
  EXPECT_EQ(h->form.result_code(), 402);
}

TEST_F(Batch, WorkerFailureResults) {
  struct Case {
    const char* name;
    std::function<void(testing_support::FakeBoardHttp&)> setup;
    int result;
  };
  const Case cases[] = {
      {"refused", [](auto& b) { b.refuse = true; }, -13},
      {"reset mid-body", [](auto& b) { b.fail_after_bytes = 10000; }, -13},
      {"status 500", [](auto& b) { b.status = 500; }, -11},
      {"no response", [](auto& b) { b.fail_response = true; }, -11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    h = std::make_unique<FormHarness>("10.213.0.2", image.path());
    h->Refresh();
    h->form.FormShow(1033);
    h->loop.ProcessPending();
    Board("10.213.0.11", "02:00:00:00:00:11", 5, 0);
    h->Select("QJ-L04(Wired)");
    c.setup(h->http);
    h->view.answers = {Answer::kYes};
    const uint64_t t0 = h->loop.now();
    h->form.FirmUpdateButtonClick();
    EXPECT_LT(h->loop.now() - t0, 2000u) << "no fixed wait after a failed upload";
    h->loop.RunFor(50);
    EXPECT_EQ(Questions().back(), ui::WorkerFailureMessage(h->form.texts(), c.result, "10.213.0.11",
                                                           "02:00:00:00:00:11"));
    EXPECT_TRUE(h->http.closed) << "handles are closed before the failure is reported";
    EXPECT_FALSE(h->form.updating());
  }
}

TEST_F(Batch, CheckingGivesUpOnTheTwelveHundredAndEleventhTick) {
  h->form.FormShow(1033);
  h->loop.ProcessPending();
  Board("10.213.0.11", "02:00:00:00:00:11", 5, 0);
  h->Select("QJ-L04(Wired)");
  h->view.answers = {Answer::kYes};
  h->form.FirmUpdateButtonClick();
  h->RunOutRestartWait();
  h->loop.RunFor(70 * 1210);
  EXPECT_TRUE(h->form.updating());
  EXPECT_EQ(Row("10.213.0.11").sub[2], "98.0");
  h->loop.RunFor(70);
  EXPECT_FALSE(h->form.updating());
  EXPECT_EQ(Questions().back(),
            ui::WorkerFailureMessage(h->form.texts(), -2, "10.213.0.11", "02:00:00:00:00:11"));
}

TEST_F(Batch, ABoardReportingZeroVersionCountsAsUpdated) {
  h->form.FormShow(1033);
  h->loop.ProcessPending();
  Board("10.213.0.11", "02:00:00:00:00:11", 5, 0);
  h->Select("QJ-L04(Wired)");
  h->view.answers = {Answer::kYes};
  h->form.FirmUpdateButtonClick();
  h->RunOutRestartWait();
  h->loop.RunFor(70 * 30);
  AnswerVersion("10.213.0.11", "02:00:00:00:00:11", 0, 0);
  h->loop.RunFor(70);
  EXPECT_EQ(Row("10.213.0.11").sub[3], "Finish");
  EXPECT_EQ(Row("10.213.0.11").sub[1], "0.00");
}

TEST_F(Batch, StopWhileTheFirstOfThreeRunsRemovesTheOthers) {
  h->form.FormShow(1033);
  h->loop.ProcessPending();
  for (int i = 1; i <= 3; ++i) {
    Board("10.213.0.1" + std::to_string(i), "02:00:00:00:00:1" + std::to_string(i), 5, 0);
  }
  h->Select("QJ-L04(Wired)");
  Later stop;
  stop.call = [this] { h->form.StopButtonClick(); };
  h->loop.Register(kTestCall, &stop);
  h->loop.Post(kTestCall, 0, 0);  // runs at the first pending-message point of Run
  h->view.answers = {Answer::kYes, Answer::kYes};
  h->form.FirmUpdateButtonClick();
  h->RunOutRestartWait();
  EXPECT_TRUE(h->form.stop_requested());
  EXPECT_FALSE(h->view.enabled[Command::kStop]);
  AnswerVersion("10.213.0.11", "02:00:00:00:00:11", 5, 0x12);
  h->loop.RunFor(70);
  EXPECT_EQ(h->http.sessions, 1);
  EXPECT_FALSE(h->form.updating());
  EXPECT_NE(Questions().back(), Text(ui::TextKey::MsgSuccess));
  EXPECT_TRUE(h->view.enabled[Command::kFirmUpdate]);
}

TEST_F(Batch, ClosingDuringAnUpdateAsksAndAbandonsOnYes) {
  h->form.FormShow(1033);
  h->loop.ProcessPending();
  Board("10.213.0.11", "02:00:00:00:00:11", 5, 0);
  h->Select("QJ-L04(Wired)");
  Later close;
  bool closed_no = true, closed_yes = false;
  int calls = 0;
  close.call = [&] {
    if (calls++ == 0) {
      closed_no = h->form.FormClose();
      h->loop.Post(kTestCall, 0, 0);
    } else {
      closed_yes = h->form.FormClose();
    }
  };
  h->loop.Register(kTestCall, &close);
  h->loop.Post(kTestCall, 0, 0);
  h->view.answers = {Answer::kYes, Answer::kNo, Answer::kYes};
  const uint64_t t0 = h->loop.now();
  h->form.FirmUpdateButtonClick();
  h->RunOutRestartWait();
  EXPECT_FALSE(closed_no);
  EXPECT_TRUE(closed_yes);
  EXPECT_TRUE(h->form.closing());
  EXPECT_LT(h->loop.now() - t0, 195000u) << "the wait is abandoned";
  EXPECT_TRUE(h->loop.QuitRequested());
}

TEST_F(Batch, AutomaticModeUpdatesTheTargetWithoutAQuestion) {
  h = std::make_unique<FormHarness>("10.213.0.2", image.path());
  EXPECT_EQ(h->form.ParseCommandLine({"10.213.0.20", "extra"}), 1);
  EXPECT_EQ(h->loop.Run(), 0);  // ends when the window closes after Run
  EXPECT_TRUE(h->view.questions.empty());
  EXPECT_TRUE(h->api.sent.empty()) << "no protocol frame in automatic mode";
  EXPECT_EQ(h->http.spec.server, "10.213.0.20");
  EXPECT_EQ(h->view.status_panels[0], "Wired      ");
  EXPECT_EQ(h->form.result_code(), 0);
  EXPECT_GE(h->loop.now(), 2000u + 195000u);
  const std::vector<int32_t>& p = h->pipe.progress;
  ASSERT_FALSE(p.empty());
  EXPECT_EQ(p.front(), 100);
  EXPECT_EQ(p.back(), 970);
  for (size_t i = 1; i < p.size(); ++i) EXPECT_GE(p[i], p[i - 1]) << "progress never falls";
  EXPECT_EQ(host::SendResultMessage(h->pipe, h->form.result_code()), 0);
  EXPECT_EQ(h->pipe.results, std::vector<int32_t>({0}));
}

TEST_F(Batch, AutomaticModeSpeaksTheSystemLocalesLanguage) {
  h = std::make_unique<FormHarness>("10.213.0.2", image.path());
  h->locale = 1041;
  h->form.ParseCommandLine({"10.213.0.20"});
  h->loop.Run();
  EXPECT_EQ(h->form.language(), ui::Language::Japanese);
  EXPECT_EQ(Row("10.213.0.20").sub[3], Text(ui::TextKey::StatusChecking));
  EXPECT_NE(Text(ui::TextKey::StatusChecking), "Checking update");
}

TEST_F(Batch, AutomaticModeWithoutAPipeServerGivesUpAndReportsMinusOne) {
  h = std::make_unique<FormHarness>("10.213.0.2", image.path());
  h->pipe.present = false;
  h->form.ParseCommandLine({"10.213.0.20"});
  h->loop.Run();
  // The small image goes out in four chunks (four failures, below the
  // limit); the wait then ends at its eleventh failure: 1 + 4 + 1 + 11.
  EXPECT_EQ(h->pipe.failures, 17);
  EXPECT_EQ(h->form.workers().at(0)->state(), update::kSendFailure);
  EXPECT_EQ(h->form.result_code(), 402);
  EXPECT_EQ(host::SendResultMessage(h->pipe, h->form.result_code()), -1);
}

TEST_F(Batch, AutomaticModeWhenThePipeGoesAwayDuringTheWait) {
  h = std::make_unique<FormHarness>("10.213.0.2", image.path());
  h->pipe.vanish_at = 300;  // the tool goes away 10 % into the wait
  h->form.ParseCommandLine({"10.213.0.20"});
  const uint64_t t0 = h->loop.now();
  h->loop.Run();
  EXPECT_EQ(h->pipe.failures, 11) << "the eleventh failure ends the wait";
  EXPECT_LT(h->loop.now() - t0, 60000u);
  EXPECT_EQ(h->form.result_code(), 402);
  EXPECT_EQ(h->form.workers().at(0)->state(), update::kSendFailure);
}

// The restart wait on the worker's timer in automatic mode: Run returns when
// the upload is answered, then one progress message goes every 240 ms until
// the wait is over, the pipe has failed too often, or the window closes.
TEST_F(Batch, RestartWaitStepsOnTheWorkersTimer) {
  struct Case {
    const char* name;
    int32_t vanish_at;     // the pipe server goes away at this value; -1 never
    uint32_t close_after;  // a close request this long into the wait; 0 none
    size_t steps;          // progress messages of the wait itself
    int32_t state;         // the worker's state at the end
  };
  const Case cases[] = {
      // 813 steps of 240 ms cover 195 s; the next tick begins the checking.
      {"whole wait", -1, 0, 813, update::kChecking},
      // The hundredth step (30.0 %) fails first; the eleventh failure ends it.
      {"pipe gone", 300, 0, 110, update::kSendFailure},
      // Steps at 0 and at ticks 1..100; tick 101 sees the close and stops.
      {"closed", -1, 24100, 101, update::kRunning},
  };
  struct CloseLater : platform::TimerSink {
    FormHarness* h = nullptr;
    void OnTimer(uint32_t id) override {
      h->loop.StopTimer(id);
      h->form.FormClose();
    }
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    h = std::make_unique<FormHarness>("10.213.0.2", image.path());
    h->pipe.vanish_at = c.vanish_at;
    CloseLater closer;
    closer.h = h.get();
    // The upload's last chunk may report 200 too; the wait begins at the
    // last 200, sent once the board has answered.
    uint64_t wait_start = 0;
    h->pipe.on_progress = [&](int32_t value) {
      if (value != 200) return;
      wait_start = h->loop.now();
      if (c.close_after != 0) h->loop.StartTimer(kTestCall, c.close_after, &closer);
    };
    h->form.ParseCommandLine({"10.213.0.20"});
    h->loop.Run();
    const size_t sent = h->pipe.progress.size();  // when the window closed
    ASSERT_FALSE(h->form.workers().empty());
    EXPECT_EQ(h->form.workers()[0]->state(), c.state);
    if (c.close_after != 0) {
      h->loop.RunFor(240);  // the tick due after the close
      EXPECT_FALSE(h->form.workers()[0]->waiting());
      EXPECT_FALSE(h->loop.TimerRunning(ui::kWorkerTimerBase)) << "the closed wait goes on";
    }
    const std::vector<int32_t>& p = h->pipe.progress;
    const std::vector<uint64_t>& at = h->pipe.progress_at;
    const size_t first = static_cast<size_t>(std::find(p.begin(), p.end(), 201) - p.begin());
    ASSERT_LE(first + c.steps, sent);
    for (size_t i = 0; i < c.steps; ++i) {
      EXPECT_EQ(at[first + i], wait_start + 240 * i) << "step " << i;
      EXPECT_EQ(p[first + i], std::min<int32_t>(201 + static_cast<int32_t>(i), 970));
    }
    const size_t after = sent - first - c.steps;
    if (c.state == update::kChecking) {
      ASSERT_EQ(after, 1u) << "the final 970 as the checking begins";
      EXPECT_EQ(at[sent - 1], wait_start + 240 * 813);
    } else {
      EXPECT_EQ(after, 0u);
    }
  }
}

// A board already at 0.00 counts as updated at the first checking tick,
// without an answer; the pipe's last progress message is then 1000.
TEST_F(Batch, ABoardAtZeroVersionFinishesAtTheFirstCheckingTick) {
  h->form.FormShow(1033);
  h->loop.ProcessPending();
  Board("10.213.0.11", "02:00:00:00:00:11", 0, 0);
  h->Select("QJ-L04(Wired)");
  h->view.answers = {Answer::kYes};
  h->form.FirmUpdateButtonClick();
  h->RunOutRestartWait();
  h->loop.RunFor(70);
  EXPECT_EQ(Row("10.213.0.11").sub[3], "Finish");
  EXPECT_EQ(h->pipe.progress.back(), 1000);
}

// An answer from elsewhere moves the record, but the board is asked again
// at the address it had when the update began.
TEST_F(Batch, CheckingAsksAtTheAddressTheUpdateBeganWith) {
  h->form.FormShow(1033);
  h->loop.ProcessPending();
  Board("10.213.0.11", "02:00:00:00:00:11", 5, 0);
  h->Select("QJ-L04(Wired)");
  h->view.answers = {Answer::kYes};
  h->form.FirmUpdateButtonClick();
  h->RunOutRestartWait();
  AnswerVersion("10.213.0.99", "02:00:00:00:00:11", 5, 0);
  h->ClearSent();
  h->loop.RunFor(70);
  EXPECT_EQ(h->Sent(), Strings({"info 10.213.0.11"}));
}

}  // namespace

// ---- Several boards at once -------------------------------------------------

struct SideBySide : Batch {
  // Boards .11, .12, ... at 5.00 (the ones in `newer` at 5.20 and ticked by
  // hand), `at_once` of them at once; the update command answered Yes.
  void Start(int boards, uint32_t at_once, std::vector<int> newer = {}) {
    h->form.FormShow(1033);
    h->loop.ProcessPending();
    for (int i = 1; i <= boards; ++i) {
      const bool up = std::count(newer.begin(), newer.end(), i) > 0;
      Board(Ip(i), Mac(i), 5, up ? 0x20 : 0x00);
    }
    h->Select("QJ-L04(Wired)");
    for (int i : newer) h->form.ListViewMouseDown(h->view.RowOf(Ip(i)), true);
    h->form.set_side_by_side(at_once);
    h->view.answers.push_front(Answer::kYes);
    h->form.FirmUpdateButtonClick();
  }
  static std::string Ip(int i) { return "10.213.0." + std::to_string(10 + i); }
  static std::string Mac(int i) { return "02:00:00:00:00:" + std::to_string(10 + i); }
  // Board i reports the new version once its wait is over.
  void Confirm(int i) {
    h->loop.RunUntil([&] { return Row(Ip(i)).sub[3] == "Checking update"; }, 400000);
    AnswerVersion(Ip(i), Mac(i), 5, 0x12);
    h->loop.RunFor(70);
  }
  Strings Uploads(int from, int to) {
    Strings out;
    for (int i = from; i <= to; ++i) out.push_back(Ip(i));
    return out;
  }
  std::string Count(size_t updated, size_t failed, size_t not_started) {
    return ui::BatchCountLine(h->form.texts(), updated, failed, not_started);
  }
};

TEST_F(SideBySide, TheFirstBoardAloneThenUpToNRestartingAtOnce) {
  Start(6, 3);
  h->RunOutRestartWait();
  EXPECT_EQ(h->http.uploads, Uploads(1, 1)) << "the first board runs alone until confirmed";
  Confirm(1);
  // Three restarting at once: the fifth waits for a place.
  EXPECT_EQ(h->http.uploads, Uploads(1, 4));
  EXPECT_TRUE(h->view.enabled[Command::kStop]);
  EXPECT_FALSE(h->view.enabled[Command::kSideBySide]);
  Confirm(2);
  EXPECT_EQ(h->http.uploads, Uploads(1, 5));
  Confirm(3);
  EXPECT_EQ(h->http.uploads, Uploads(1, 6));
  EXPECT_FALSE(h->view.enabled[Command::kStop]) << "the last board has started";
  for (int i = 4; i <= 6; ++i) Confirm(i);
  EXPECT_FALSE(h->form.updating());
  EXPECT_EQ(Questions().back(), Text(ui::TextKey::MsgSuccess) + "\r\n\r\n" + Count(6, 0, 0));
  EXPECT_TRUE(h->view.enabled[Command::kSideBySide]);
  EXPECT_EQ(std::count_if(h->traces.begin(), h->traces.end(),
                          [](const std::string& t) { return t.rfind("board ", 0) == 0; }),
            6);
}

TEST_F(SideBySide, AFailureStartsNothingNewAndTheUploadedBoardsFinish) {
  struct Case {
    const char* name;
    int failing;  // board answering 500
    uint32_t at_once;
    int uploads;  // boards that ever started
    size_t updated;
  };
  const Case cases[] = {
      {"the first board: the batch ends as one after another does", 1, 4, 1, 0},
      {"while three boards wait", 5, 4, 5, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    h = std::make_unique<FormHarness>("10.213.0.2", image.path());
    h->Refresh();
    h->http.status_of[Ip(c.failing)] = 500;
    Start(6, c.at_once);
    h->RunOutRestartWait();
    if (c.failing > 1) Confirm(1);
    EXPECT_EQ(h->http.uploads, Uploads(1, c.uploads)) << "no upload after the failure";
    h->loop.RunFor(1100);  // the failure's report
    const Strings asked = Questions();
    EXPECT_NE(
        std::find(asked.begin(), asked.end(),
                  ui::WorkerFailureMessage(h->form.texts(), -11, Ip(c.failing), Mac(c.failing))),
        asked.end());
    for (int i = 2; i < c.failing; ++i) Confirm(i);
    EXPECT_EQ(h->http.uploads, Uploads(1, c.uploads));
    for (int i = 1; i < c.failing; ++i) EXPECT_EQ(Row(Ip(i)).sub[3], "Finish") << i;
    EXPECT_FALSE(h->form.updating());
    EXPECT_EQ(Questions().back(), Count(c.updated, 1, 6 - c.uploads));
    EXPECT_TRUE(h->view.enabled[Command::kFirmUpdate]);
  }
}

TEST_F(SideBySide, StopLetsTheRestartingBoardsFinish) {
  Start(6, 3);
  h->RunOutRestartWait();
  Confirm(1);
  h->view.answers = {Answer::kYes};
  h->form.StopButtonClick();
  for (int i = 2; i <= 4; ++i) Confirm(i);
  EXPECT_EQ(h->http.uploads, Uploads(1, 4));
  EXPECT_FALSE(h->form.updating());
  EXPECT_EQ(Questions().back(), Count(4, 0, 2)) << "no success message after a stop";
  EXPECT_TRUE(h->view.enabled[Command::kFirmUpdate]);
}

TEST_F(SideBySide, DowngradeQuestionWhenTheBoardsTurnComesWithOthersRestarting) {
  for (const Answer answer : {Answer::kNo, Answer::kYes}) {
    SCOPED_TRACE(answer == Answer::kNo ? "No" : "Yes");
    h = std::make_unique<FormHarness>("10.213.0.2", image.path());
    h->Refresh();
    h->view.answers = {answer};  // the downgrade question's
    Start(5, 4, {4});
    h->RunOutRestartWait();
    EXPECT_EQ(Questions().size(), 1u) << "not asked before its turn";
    Confirm(1);
    ASSERT_EQ(Questions().size(), 2u);
    EXPECT_EQ(Questions().back(), ui::DowngradeQuestion(h->form.texts(), Ip(4), Mac(4)));
    if (answer == Answer::kNo) {
      // Boards 2 and 3 are restarting: they are not abandoned.
      EXPECT_EQ(h->http.uploads, Uploads(1, 3));
      EXPECT_TRUE(h->form.updating());
      Confirm(2);
      Confirm(3);
      EXPECT_EQ(h->http.uploads, Uploads(1, 3));
      EXPECT_EQ(Questions().back(), Count(3, 0, 2));
    } else {
      EXPECT_EQ(h->http.uploads, Uploads(1, 5));
      for (int i = 2; i <= 5; ++i) Confirm(i);
      EXPECT_EQ(Questions().back(), Text(ui::TextKey::MsgSuccess) + "\r\n\r\n" + Count(5, 0, 0));
    }
    EXPECT_FALSE(h->form.updating());
  }
}

TEST_F(SideBySide, TheItemSwitchesBetweenTheSettingAndOneAndNotDuringABatch) {
  h->form.SideBySideItemClick();
  EXPECT_EQ(h->form.side_by_side(), 8u) << "the Zantor.ini default";
  EXPECT_TRUE(h->view.item_checked[ui::Component::SideBySideItem]);
  h->form.SideBySideItemClick();
  EXPECT_EQ(h->form.side_by_side(), 1u);
  EXPECT_FALSE(h->view.item_checked[ui::Component::SideBySideItem]);
  Start(2, 2);
  h->form.SideBySideItemClick();  // queued before the item was greyed
  EXPECT_EQ(h->form.side_by_side(), 2u);
}
