#include "updater/protocol/device_channel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fake_udp.h"
#include "tests/support/virtual_loop.h"

namespace protocol {
namespace {

using testing_support::FakeUdpApi;
using testing_support::VirtualLoop;

struct RecordingDecoder : ReplyDecoder {
  struct Call {
    ReplyKind kind;
    int group, command, length;
    std::string from;
  };
  std::vector<Call> calls;
  void DecodeReply(const ReplyParser& p, const std::string& from) override {
    calls.push_back({p.kind(), p.group(), p.command(), p.length(), from});
  }
};

std::vector<uint8_t> StatusReply(uint8_t status) {
  return {'K', 'A', 'V', 'R', 'O', 'q', 3, 0, 0x00, 0x10, 0, 0, 0, 1, status};
}

struct ChannelTest : ::testing::Test {
  FakeUdpApi api;
  VirtualLoop loop;
  DeviceList devices;
  RecordingDecoder decoder;
  DeviceChannel channel{api, loop, devices, decoder};

  void SetUp() override { channel.Startup(); }
  std::string Frame(size_t i) const {
    const auto& b = api.sent.at(i).bytes;
    return std::string(b.begin(), b.end());
  }
};

TEST_F(ChannelTest, SearchOpensOnTheBindAddressAndBroadcastsOneFrame) {
  channel.SetBindAddress("10.213.0.2");
  channel.PostRequest(REQ_SEARCH_OR_INFO, nullptr);
  EXPECT_TRUE(api.sent.empty()) << "requests are posted, not sent inline";
  loop.ProcessPending();
  ASSERT_EQ(api.sent.size(), 1u);
  EXPECT_EQ(api.sent[0].bytes.size(), 14u);
  EXPECT_EQ(Frame(0), std::string(kSearchRequest.begin(), kSearchRequest.end()));
  EXPECT_EQ(api.sent[0].address, "255.255.255.255");
  EXPECT_EQ(api.sent[0].port, 3289);
  EXPECT_TRUE(api.sent[0].broadcast);
  EXPECT_EQ(api.calls.back(), "bind 3 10.213.0.2:0");
}

TEST_F(ChannelTest, EverySearchRecreatesTheSocketOnTheCurrentBindAddress) {
  channel.PostRequest(REQ_SEARCH_OR_INFO, nullptr);
  loop.ProcessPending();
  channel.SetBindAddress("10.9.9.9");  // as the adapter dialog does
  channel.PostRequest(REQ_SEARCH_OR_INFO, nullptr);
  loop.ProcessPending();
  const std::vector<std::string> want = {"startup", "create 3", "bind 3 0.0.0.0:0",
                                         "close 3", "create 4", "bind 4 10.9.9.9:0"};
  EXPECT_EQ(api.calls, want);
  ASSERT_EQ(api.sent.size(), 2u);
  EXPECT_EQ(api.sent[1].socket, 4);
}

TEST_F(ChannelTest, UnicastRequestsByCode) {
  TDevice* d = devices.Append(TDevice::ForTypedAddress("10.0.0.5"));
  channel.PostRequest(REQ_SEARCH_OR_INFO, d);
  loop.ProcessPending();
  EXPECT_TRUE(api.sent.empty()) << "no socket before the first search";

  channel.PostRequest(REQ_SEARCH_OR_INFO, nullptr);
  channel.PostRequest(REQ_SEARCH_OR_INFO, d);
  channel.PostRequest(REQ_MODEL, d);
  channel.PostRequest(REQ_STATUS, d);
  channel.PostRequest(REQ_MODEL, nullptr);   // no record: nothing
  channel.PostRequest(REQ_STATUS, nullptr);  // no record: nothing
  channel.PostRequest(0x1234, d);            // unknown code: nothing
  loop.ProcessPending();
  ASSERT_EQ(api.sent.size(), 4u);
  EXPECT_EQ(Frame(1), std::string(kBasicInfoQuery.begin(), kBasicInfoQuery.end()));
  EXPECT_EQ(Frame(2), std::string(kModelNameQuery.begin(), kModelNameQuery.end()));
  EXPECT_EQ(Frame(3), std::string(kStatusQuery.begin(), kStatusQuery.end()));
  for (size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(api.sent[i].address, "10.0.0.5");
    EXPECT_EQ(api.sent[i].port, 3289);
    EXPECT_FALSE(api.sent[i].broadcast);
  }
}

TEST_F(ChannelTest, RequestForARecordFreedSinceItWasPostedSendsNothing) {
  channel.PostRequest(REQ_SEARCH_OR_INFO, nullptr);
  loop.ProcessPending();
  TDevice* d = devices.Append(TDevice::ForTypedAddress("10.0.0.5"));
  channel.PostRequest(REQ_STATUS, d);
  devices.Clear();  // a refresh frees the records before the queue runs
  loop.ProcessPending();
  EXPECT_EQ(api.sent.size(), 1u);
}

TEST_F(ChannelTest, ReceivedDatagramsReachTheDecoderFromPort3289Only) {
  channel.PostRequest(REQ_SEARCH_OR_INFO, nullptr);
  loop.ProcessPending();
  api.inbound.push_back({StatusReply(0x10), "10.0.0.5", 3289});
  api.inbound.push_back({StatusReply(0x10), "10.0.0.6", 3290});
  api.inbound.push_back({{}, "10.0.0.7", 3289});
  api.inbound.push_back({std::vector<uint8_t>(513, 'K'), "10.0.0.8", 3289});
  std::vector<uint8_t> full = StatusReply(0);
  full.resize(512, 0);
  api.inbound.push_back({full, "10.0.0.9", 3289});
  for (int i = 0; i < 5; ++i) loop.SignalReadable(3);
  loop.ProcessPending();
  ASSERT_EQ(decoder.calls.size(), 2u);
  EXPECT_EQ(decoder.calls[0].from, "10.0.0.5");
  EXPECT_EQ(decoder.calls[0].kind, ReplyKind::kQ);
  EXPECT_EQ(decoder.calls[0].command, 0x10);
  EXPECT_EQ(decoder.calls[1].from, "10.0.0.9");
  EXPECT_EQ(decoder.calls[1].kind, ReplyKind::kNone) << "padding after the frame clears it";
}

TEST_F(ChannelTest, RepliesToTheOldSocketAreLostAfterANewSearch) {
  channel.PostRequest(REQ_SEARCH_OR_INFO, nullptr);
  loop.ProcessPending();
  EXPECT_TRUE(loop.IsWatched(3));
  channel.PostRequest(REQ_SEARCH_OR_INFO, nullptr);
  loop.ProcessPending();
  EXPECT_FALSE(loop.IsWatched(3));
  EXPECT_TRUE(loop.IsWatched(4));
  EXPECT_FALSE(loop.SignalReadable(3));
}

TEST_F(ChannelTest, FailedSocketIsRetriedAtTheNextSearch) {
  api.fail_create = true;
  channel.PostRequest(REQ_SEARCH_OR_INFO, nullptr);
  loop.ProcessPending();
  EXPECT_TRUE(api.sent.empty());
  api.fail_create = false;
  channel.PostRequest(REQ_SEARCH_OR_INFO, nullptr);
  loop.ProcessPending();
  EXPECT_EQ(api.sent.size(), 1u);
}

}  // namespace
}  // namespace protocol
