// The virtual loop is the ground every timing test stands on: its order of
// messages and timers must be the one the real loops give.
#include "tests/support/virtual_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testing_support {
namespace {

struct Log : platform::MessageSink, platform::TimerSink {
  VirtualLoop* loop = nullptr;
  std::vector<std::string> events;
  void OnMessage(const platform::Message& m) override {
    events.push_back("m" + std::to_string(m.wparam) + "@" + std::to_string(loop->now()));
    if (m.wparam == 1) loop->Post(100, 9, 0);  // posted from a handler: runs after
  }
  void OnTimer(uint32_t id) override {
    events.push_back("t" + std::to_string(id) + "@" + std::to_string(loop->now()));
  }
};

TEST(VirtualLoop, MessagesRunInPostingOrderBeforeTimers) {
  VirtualLoop loop;
  Log log;
  log.loop = &loop;
  loop.Register(100, &log);
  loop.StartTimer(7, 1000, &log);
  loop.Post(100, 1, 0);
  loop.Post(100, 2, 0);
  loop.RunFor(2500);
  const std::vector<std::string> want = {"m1@0", "m2@0", "m9@0", "t7@1000", "t7@2000"};
  EXPECT_EQ(log.events, want);
  EXPECT_EQ(loop.now(), 2500u);
}

TEST(VirtualLoop, TimersInterleaveByDueTimeAndStopWorks) {
  VirtualLoop loop;
  Log log;
  log.loop = &loop;
  loop.StartTimer(1, 2000, &log);
  loop.StartTimer(2, 1000, &log);
  loop.RunFor(2000);
  loop.StopTimer(2);
  loop.RunFor(2000);
  const std::vector<std::string> want = {"t2@1000", "t1@2000", "t2@2000", "t1@4000"};
  EXPECT_EQ(log.events, want);
  EXPECT_FALSE(loop.TimerRunning(2));
}

TEST(VirtualLoop, SleepMovesTimeWithoutRunningAnything) {
  VirtualLoop loop;
  Log log;
  log.loop = &loop;
  loop.StartTimer(1, 50, &log);
  loop.Sleep(1000);
  EXPECT_TRUE(log.events.empty());
  EXPECT_EQ(loop.TickCount(), 1000u);
  loop.ProcessPending();  // one late tick, not twenty
  EXPECT_EQ(log.events.size(), 1u);
}

TEST(VirtualLoop, RunEndsAtQuit) {
  VirtualLoop loop;
  struct Quitter : platform::TimerSink {
    VirtualLoop* loop;
    void OnTimer(uint32_t) override { loop->Quit(42); }
  } q;
  q.loop = &loop;
  loop.StartTimer(1, 300, &q);
  EXPECT_EQ(loop.Run(), 42);
  EXPECT_EQ(loop.now(), 300u);
}

}  // namespace
}  // namespace testing_support
