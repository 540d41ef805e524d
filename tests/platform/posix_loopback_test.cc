// Contract tests of the POSIX backends on loopback only.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/adapters.h"
#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/udp_socket.h"

namespace platform {
namespace {

constexpr uint32_t kSocketMessage = kUserMessage + 3289;
constexpr uint32_t kPosted = kUserMessage + 1;
constexpr uint32_t kGiveUp = 99;

struct Recorder : MessageSink, TimerSink {
  EventLoop* loop = nullptr;
  UdpApi* udp = nullptr;
  SocketHandle socket = kNoSocket;
  std::vector<std::string> events;
  int expected_datagrams = 0;

  void OnMessage(const Message& m) override {
    if (m.id == kSocketMessage) {
      uint8_t buffer[512];
      std::string from;
      uint16_t port = 0;
      const int n = udp->ReceiveFrom(socket, buffer, sizeof buffer, &from, &port);
      events.push_back("datagram " + std::to_string(n) + " " + from);
      if (--expected_datagrams == 0) loop->Quit(0);
    } else {
      events.push_back("posted " + std::to_string(m.wparam));
    }
  }
  void OnTimer(uint32_t id) override {
    events.push_back("timer " + std::to_string(id));
    loop->StopTimer(id);
    loop->Quit(1);
  }
};

uint16_t BoundPort(SocketHandle s);

TEST(PosixLoop, PostedMessagesRunInOrderThenTimer) {
  auto loop = CreateEventLoop();
  Recorder r;
  r.loop = loop.get();
  loop->Register(kPosted, &r);
  loop->Post(kPosted, 1, 0);
  loop->Post(kPosted, 2, 0);
  loop->StartTimer(5, 20, &r);
  const uint32_t start = SystemClock().TickCount();
  EXPECT_EQ(loop->Run(), 1);
  EXPECT_GE(SystemClock().TickCount() - start, 15u);
  const std::vector<std::string> want = {"posted 1", "posted 2", "timer 5"};
  EXPECT_EQ(r.events, want);
}

TEST(PosixUdp, EachDatagramRaisesOneMessageAndOversizeFails) {
  auto loop = CreateEventLoop();
  auto udp = CreateUdpApi();
  Recorder r;
  r.loop = loop.get();
  r.udp = udp.get();
  const uint32_t loopback = udp->ParseAddress("127.0.0.1");
  r.socket = udp->Create();
  ASSERT_NE(r.socket, kNoSocket);
  ASSERT_TRUE(udp->Bind(r.socket, loopback, 0));
  ASSERT_TRUE(loop->WatchSocket(r.socket, kSocketMessage));
  loop->Register(kSocketMessage, &r);

  const SocketHandle sender = udp->Create();
  ASSERT_TRUE(udp->Bind(sender, loopback, 0));
  const uint16_t port = BoundPort(r.socket);
  std::vector<uint8_t> small(14, 'a'), big(513, 'b'), full(512, 'c');
  ASSERT_EQ(udp->SendTo(sender, small.data(), 14, loopback, port), 14);
  ASSERT_EQ(udp->SendTo(sender, big.data(), 513, loopback, port), 513);
  ASSERT_EQ(udp->SendTo(sender, full.data(), 512, loopback, port), 512);
  r.expected_datagrams = 3;
  loop->StartTimer(kGiveUp, 5000, &r);
  EXPECT_EQ(loop->Run(), 0);
  const std::vector<std::string> want = {"datagram 14 127.0.0.1", "datagram -1 ",
                                         "datagram 512 127.0.0.1"};
  EXPECT_EQ(r.events, want);
  loop->UnwatchSocket(r.socket);
  udp->ShutdownAndClose(r.socket);
  udp->ShutdownAndClose(sender);
}

TEST(PosixUdp, SearchSocketHoldsTheRepliesOfAThousandBoards) {
  // Linux caps an ordinary request at net.core.rmem_max; root passes it.
  if (::geteuid() != 0) GTEST_SKIP() << "needs root for SO_RCVBUFFORCE";
  auto udp = platform::CreateUdpApi();
  const platform::SocketHandle s = udp->Create();
  ASSERT_NE(s, platform::kNoSocket);
  // Linux reports twice what was asked, its own overhead included.
  EXPECT_GE(udp->ReceiveBufferBytes(s), 2 * platform::kSearchReceiveBuffer);
  udp->ShutdownAndClose(s);
}

TEST(PosixUdp, AddressText) {
  auto udp = CreateUdpApi();
  EXPECT_EQ(udp->ParseAddress("not an address"), kInaddrNone);
  const uint32_t a = udp->ParseAddress("1.2.3.4");
  const uint8_t* b = reinterpret_cast<const uint8_t*>(&a);
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[3], 4);
}

TEST(PosixAdapters, ListsLoopbackWithoutAHardwareAddress) {
  std::vector<Adapter> adapters;
  ASSERT_TRUE(ListAdapters(&adapters));
  bool saw_loopback = false;
  for (const Adapter& a : adapters) {
    if (a.name == "lo") {
      saw_loopback = true;
      EXPECT_EQ(a.if_type, 24u);
      EXPECT_NE(a.hardware_address_length, 6u);
    }
  }
  EXPECT_TRUE(saw_loopback);
}

}  // namespace
}  // namespace platform

#include <netinet/in.h>
#include <sys/socket.h>

namespace platform {
namespace {
uint16_t BoundPort(SocketHandle s) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  getsockname(static_cast<int>(s), reinterpret_cast<sockaddr*>(&sa), &len);
  return ntohs(sa.sin_port);
}
}  // namespace
}  // namespace platform
