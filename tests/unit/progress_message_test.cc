#include "updater/update/progress_message.h"

#include <gtest/gtest.h>

namespace update {
namespace {

// What the fake transport answers and what it was asked.
platform::PipeExchangeResult g_answer;
int g_wait_ms = -1;
uint8_t g_sent[platform::kPipeMessageSize];

platform::PipeExchangeResult FakeExchange(const uint8_t (&message)[platform::kPipeMessageSize],
                                          int reply_wait_ms) {
  g_wait_ms = reply_wait_ms;
  std::copy(message, message + platform::kPipeMessageSize, g_sent);
  return g_answer;
}

TEST(ProgressPipe, ASilentServerCountsAsAFailedProgressSend) {
  struct Case {
    bool written, reply_read, timed_out, counts;
  };
  const Case cases[] = {
      {true, true, false, true},     // replied
      {true, false, false, true},    // hung up without a reply
      {true, false, true, false},    // accepted and kept silent
      {false, false, false, false},  // no server
  };
  ProgressPipe pipe(FakeExchange);
  for (const Case& c : cases) {
    g_answer = platform::PipeExchangeResult();
    g_answer.written = c.written;
    g_answer.reply_read = c.reply_read;
    g_answer.timed_out = c.timed_out;
    EXPECT_EQ(pipe.SendProgressMessage(975), c.counts);
    EXPECT_EQ(g_wait_ms, platform::kProgressReplyWaitMs);
  }
  EXPECT_EQ(g_sent[0], 1);
  EXPECT_EQ(g_sent[8] | g_sent[9] << 8, 975);
}

TEST(ProgressPipe, TheFinalMessageWaitsLongerAndCarriesTheFullCode) {
  g_answer = platform::PipeExchangeResult();
  g_answer.written = true;
  ProgressPipe pipe(FakeExchange);
  EXPECT_TRUE(pipe.SendResult(402).written);
  EXPECT_EQ(g_wait_ms, platform::kResultReplyWaitMs);
  EXPECT_GT(platform::kResultReplyWaitMs, platform::kProgressReplyWaitMs);
  EXPECT_EQ(g_sent[0], 2);
  EXPECT_EQ(g_sent[8] | g_sent[9] << 8, 402);  // not cut to a byte as the exit status is
}

}  // namespace
}  // namespace update
