// The main window's logic with the real event loop, real sockets and real
// HTTP against the board simulator across a veth pair. Run by
// zantor_scenarios.sh inside the host namespace, with the simulator playing
// the boards listed there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/http_session.h"
#include "platform/udp_socket.h"
#include "updater/protocol/local_address.h"
#include "updater/ui/headless_view.h"
#include "updater/ui/main_form.h"

namespace {

constexpr uint32_t kEndTimer = 900;
constexpr uint32_t kActionTimer = 901;
constexpr uint32_t kIntrusionTimer = 902;

// Runs `step` once after `ms` of real time on the loop.
class Step final : public platform::TimerSink {
 public:
  Step(platform::EventLoop& loop, uint32_t id, uint32_t ms, std::function<void()> step)
      : loop_(loop), id_(id), step_(std::move(step)) {
    loop_.StartTimer(id_, ms, this);
  }
  ~Step() { loop_.StopTimer(id_); }
  void OnTimer(uint32_t) override {
    loop_.StopTimer(id_);
    step_();
  }

 private:
  platform::EventLoop& loop_;
  uint32_t id_;
  std::function<void()> step_;
};

// Questions behave as modal boxes: the real loop keeps handling datagrams
// and timers for `open_ms` before the answer comes back.
struct ModalView final : ui::HeadlessView {
  platform::EventLoop* loop = nullptr;
  uint32_t open_ms = 0;
  std::function<void(size_t question)> while_open;
  ui::Answer Ask(const std::string& text, const std::string& caption, ui::AskKind icon,
                 ui::AskButtons buttons) override {
    const ui::Answer answer = HeadlessView::Ask(text, caption, icon, buttons);
    if (while_open) while_open(questions.size() - 1);
    platform::Clock& clock = platform::SystemClock();
    const uint32_t start = clock.TickCount();
    while (clock.TickCount() - start < open_ms) {
      loop->ProcessPending();
      clock.Sleep(10);
    }
    return answer;
  }
};

struct Pipe final : update::ProgressPipe {
  std::vector<int32_t> progress;
  bool SendProgressMessage(int32_t v) override {
    progress.push_back(v);
    return true;
  }
};

struct Scenario : ::testing::Test {
  std::unique_ptr<platform::EventLoop> loop = platform::CreateEventLoop();
  std::unique_ptr<platform::UdpApi> udp = platform::CreateUdpApi();
  ModalView view;
  Pipe pipe;
  std::unique_ptr<ui::TMainForm> form;

  void SetUp() override {
    ui::FormServices services;
    services.clock = &platform::SystemClock();
    services.http = platform::CreateHttpSession;
    services.pipe = &pipe;
    services.timing = update::UpdateTiming::Scaled(50);  // 3.9 s restart wait
    view.loop = loop.get();
    form = std::make_unique<ui::TMainForm>(*loop, *udp, view, services);
    std::string local;
    ASSERT_TRUE(protocol::ChooseLocalAddress(&local));
    ui::FormSettings s;
    s.caption = "QJ-L04 Network Firmware Updater Ver.5.12";
    s.target_version = "5.12";
    s.version_label = "Ver.5.12";
    const char* image = std::getenv("ZT_IMAGE");
    s.image_path = image ? image : "";
    s.file_name = "l04_05.12.rcc";
    form->Create(local, s, false);
    form->FormShow(1033);
  }
  void RunFor(uint32_t ms) {
    Step end(*loop, kEndTimer, ms, [this] { loop->Quit(0); });
    loop->Run();
  }
  const ui::RowData* Row(const std::string& caption_end) {
    const ui::RowRef r = view.RowOf(caption_end);
    return r == ui::kNoRow ? nullptr : &view.rows.at(r);
  }
};

// Boards: .11 wired 5.00, .12 wired 5.12, .13 wireless QJ-L04 (newer form),
// .14 wired 5.00 that never answers status, .15 two wired boards, .16 wired
// 5.08.
TEST_F(Scenario, FindsListsMarksAndPolls) {
  RunFor(1200);
  form->SelectCategory(form->FindNode("QJ-L04(Wired)"), ui::SelectVia::kMouse);
  RunFor(4000);  // refresh sequence over, two status polls
  EXPECT_EQ(view.status_panels[0], "Wired      ");
  ASSERT_NE(Row("10.213.0.11"), nullptr);
  EXPECT_EQ(Row("10.213.0.11")->caption, "10.213.0.11");
  EXPECT_TRUE(Row("10.213.0.11")->checked) << "older than the image: pre-ticked";
  EXPECT_EQ(Row("10.213.0.11")->image, ui::kImageReady);
  EXPECT_EQ(Row("10.213.0.11")->sub[1], "5.00");
  ASSERT_NE(Row("10.213.0.12"), nullptr);
  EXPECT_FALSE(Row("10.213.0.12")->checked);
  EXPECT_EQ(Row("10.213.0.13"), nullptr) << "the wireless board is in the other node";
  ASSERT_NE(Row("10.213.0.14"), nullptr);
  ASSERT_NE(Row("10.213.0.16"), nullptr);
  EXPECT_EQ(Row("10.213.0.14")->image, ui::kImageNotReady) << "silent to status polls";
  EXPECT_EQ(Row("10.213.0.14")->caption, " [Not ready] 10.213.0.14");
  int duplicates = 0;
  for (const auto& [ref, row] : view.rows) {
    if (row.caption == " -- NONE -- 10.213.0.15") ++duplicates;
  }
  EXPECT_EQ(duplicates, 2);
  EXPECT_EQ(view.Captions().back(), " -- NONE -- 10.213.0.15");
  EXPECT_TRUE(view.enabled[ui::Command::kFirmUpdate]);

  form->SelectCategory(form->FindNode("QJ-L04(Wireless)"), ui::SelectVia::kMouse);
  ASSERT_NE(Row("10.213.0.13"), nullptr);
  EXPECT_EQ(Row("10.213.0.13")->sub[1], "5.0A");
  EXPECT_TRUE(Row("10.213.0.13")->checked) << "5.0A sorts before 5.12";
  EXPECT_EQ(view.status_panels[0], "Wireless      ");
}

// A refresh while the confirmation is open frees the ticked records; the
// boards are found again while the box is still open, as new records, and
// nothing is updated (the simulator counts the uploads).
TEST_F(Scenario, RefreshDuringTheConfirmationUpdatesNothing) {
  RunFor(1200);
  form->SelectCategory(form->FindNode("QJ-L04(Wired)"), ui::SelectVia::kMouse);
  RunFor(2500);
  form->ListViewMouseDown(view.RowOf("10.213.0.14"), false);
  ASSERT_TRUE(view.enabled[ui::Command::kFirmUpdate]);
  view.answers = {ui::Answer::kYes};
  view.open_ms = 1500;
  view.while_open = [this](size_t) { form->RefreshItemClick(); };
  Step start(*loop, kActionTimer, 10, [&] { form->FirmUpdateButtonClick(); });
  RunFor(2000);
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_GT(form->devices().size(), 0u) << "no reply arrived while the box was open";
  EXPECT_FALSE(form->updating());
  EXPECT_TRUE(form->workers().empty());
}

// .11 (5.00) and .16 (5.08) take the image and come back as 5.12; the
// not-ready .14 is unticked first, as the update refuses boards not ready.
TEST_F(Scenario, UpdatesTwoBoardsOneAfterTheOther) {
  if (std::getenv("ZT_IMAGE") == nullptr) GTEST_SKIP() << "no image given";
  RunFor(1200);
  form->SelectCategory(form->FindNode("QJ-L04(Wired)"), ui::SelectVia::kMouse);
  RunFor(2500);
  form->ListViewMouseDown(view.RowOf("10.213.0.14"), false);
  std::vector<std::string> ticked;
  for (ui::RowRef r : view.list_order) {
    if (view.rows.at(r).checked) ticked.push_back(view.rows.at(r).caption);
  }
  EXPECT_EQ(ticked, (std::vector<std::string>{"10.213.0.11", "10.213.0.16"}));
  view.answers = {ui::Answer::kYes};
  bool done = false;
  Step start(*loop, kActionTimer, 10, [&] { form->FirmUpdateButtonClick(); });
  // Inside the first board's restart wait: a refresh, a second update
  // command and a tree click are all refused.
  bool intruded = false;
  Step intrude(*loop, kIntrusionTimer, 1500, [&] {
    intruded = form->updating();
    form->RefreshItemClick();
    form->FirmUpdateButtonClick();
    form->SelectCategory(form->nodes().front().ref, ui::SelectVia::kMouse);
    EXPECT_FALSE(form->command_enabled(ui::Command::kFirmUpdate));
  });
  // Poll until the batch is over (two restarts of 3.9 s plus checking).
  for (int i = 0; i < 60 && !done; ++i) {
    RunFor(500);
    done = !form->updating() && form->workers().empty() && !view.questions.empty() &&
           view.questions.size() >= 2;
  }
  ASSERT_TRUE(done) << "the batch did not end";
  EXPECT_TRUE(intruded);
  EXPECT_EQ(view.questions.size(), 2u) << "only the confirmation and the success";
  EXPECT_EQ(view.questions.back().text, form->texts()[ui::TextKey::MsgSuccess]);
  EXPECT_EQ(Row("10.213.0.11")->sub[3], "Finish");
  EXPECT_EQ(Row("10.213.0.11")->sub[2], "100.0");
  EXPECT_EQ(Row("10.213.0.11")->sub[1], "5.12");
  EXPECT_EQ(Row("10.213.0.16")->sub[3], "Finish");
  EXPECT_FALSE(Row("10.213.0.16")->checked);
  EXPECT_EQ(form->result_code(), 402) << "an interactive batch leaves 402";
}

}  // namespace
