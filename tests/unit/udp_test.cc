#include "updater/protocol/udp.h"

#include <gtest/gtest.h>

#include "tests/support/fake_udp.h"
#include "tests/support/virtual_loop.h"

namespace protocol {
namespace {

using testing_support::FakeUdpApi;
using testing_support::VirtualLoop;

constexpr uint32_t kMsg = 4313;

struct UdpTest : ::testing::Test {
  FakeUdpApi api;
  VirtualLoop loop;
};

TEST_F(UdpTest, StartupRefusesAnotherVersion) {
  api.granted_version = 0x0101;
  TUDP udp(api, loop, kMsg);
  EXPECT_EQ(udp.Startup(), 0);
  EXPECT_FALSE(udp.usable());
  EXPECT_EQ(udp.Open(BindAddress{}), 0);
  EXPECT_TRUE(api.open.empty());
}

TEST_F(UdpTest, OpenBindsWatchesAndRefusesASecondSocket) {
  TUDP udp(api, loop, kMsg);
  udp.Startup();
  BindAddress bind;
  bind.address = api.ParseAddress("10.1.2.3");
  EXPECT_EQ(udp.Open(bind), 1);
  EXPECT_EQ(api.calls.back(), "bind 3 10.1.2.3:0");
  EXPECT_TRUE(loop.IsWatched(3));
  EXPECT_EQ(udp.Open(bind), 0) << "a socket is already open";
  EXPECT_EQ(api.open.size(), 1u);
  udp.Close();
  EXPECT_FALSE(loop.IsWatched(3));
  EXPECT_TRUE(api.open.empty());
  EXPECT_TRUE(udp.usable());
}

TEST_F(UdpTest, FailedBindClosesTheSocketAndLeavesTheEndpointUsable) {
  TUDP udp(api, loop, kMsg);
  udp.Startup();
  api.fail_bind = true;
  EXPECT_EQ(udp.Open(BindAddress{}), 0);
  EXPECT_TRUE(udp.usable()) << "Close, the last step of the failure, sets it again";
  EXPECT_FALSE(udp.is_open());
  EXPECT_TRUE(api.open.empty()) << "the socket of a failed bind is closed";
  api.fail_bind = false;
  EXPECT_EQ(udp.Open(BindAddress{}), 1) << "the next Open tries again at once";
}

TEST_F(UdpTest, FailedSocketCreationLeavesItUnusableUntilClose) {
  TUDP udp(api, loop, kMsg);
  udp.Startup();
  api.fail_create = true;
  EXPECT_EQ(udp.Open(BindAddress{}), 0);
  EXPECT_FALSE(udp.usable());
  api.fail_create = false;
  EXPECT_EQ(udp.Open(BindAddress{}), 0) << "unusable until Close";
  udp.Close();
  EXPECT_EQ(udp.Open(BindAddress{}), 1);
}

TEST_F(UdpTest, BroadcastOptionIsOnOnlyForTheBroadcast) {
  TUDP udp(api, loop, kMsg);
  udp.Startup();
  const uint8_t bytes[3] = {1, 2, 3};
  EXPECT_EQ(udp.SendTo(bytes, 3, "10.0.0.1", 3289), 0) << "no socket yet";
  ASSERT_EQ(udp.Open(BindAddress{}), 1);
  EXPECT_EQ(udp.BroadcastTo(bytes, 3, "255.255.255.255", 3289), 3);
  EXPECT_EQ(udp.SendTo(bytes, 3, "10.0.0.1", 3289), 3);
  ASSERT_EQ(api.sent.size(), 2u);
  EXPECT_TRUE(api.sent[0].broadcast);
  EXPECT_EQ(api.sent[0].address, "255.255.255.255");
  EXPECT_FALSE(api.sent[1].broadcast);
  api.fail_send = true;
  EXPECT_EQ(udp.SendTo(bytes, 3, "10.0.0.1", 3289), 0);
}

TEST_F(UdpTest, DestroyClosesAndCleansUpOnce) {
  {
    TUDP udp(api, loop, kMsg);
    udp.Startup();
    udp.Open(BindAddress{});
    udp.Destroy();
    EXPECT_TRUE(api.open.empty());
    EXPECT_EQ(api.cleanups, 1);
  }
  EXPECT_EQ(api.cleanups, 1) << "the destructor must not clean up twice";
}

}  // namespace
}  // namespace protocol
