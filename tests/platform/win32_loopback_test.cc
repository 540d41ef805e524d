// Contract tests of the Win32 backends on loopback only. The first cases
// mirror posix_loopback_test.cc; the rest pin down what the message queue
// can get wrong: nested pumping, quitting from inside it, and notifications
// after a socket is no longer watched.
#include <gtest/gtest.h>

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
constexpr uint16_t kWinsock20 = 0x0002;

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

// Winsock must be started before socket() works; the POSIX side has no such
// step.
class Win32Udp : public ::testing::Test {
 protected:
  void SetUp() override {
    uint16_t granted = 0;
    ASSERT_EQ(udp->Startup(kWinsock20, &granted), 0);
  }
  void TearDown() override { udp->Cleanup(); }

  std::unique_ptr<UdpApi> udp = CreateUdpApi();
  const uint32_t loopback = udp->ParseAddress("127.0.0.1");
};

TEST(Win32Loop, PostedMessagesRunInOrderThenTimer) {
  auto loop = CreateEventLoop();
  ASSERT_NE(loop, nullptr);
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
  EXPECT_FALSE(loop->QuitRequested());
}

TEST_F(Win32Udp, EachDatagramRaisesOneMessageAndOversizeFails) {
  auto loop = CreateEventLoop();
  ASSERT_NE(loop, nullptr);
  Recorder r;
  r.loop = loop.get();
  r.udp = udp.get();
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

TEST_F(Win32Udp, AddressText) {
  EXPECT_EQ(udp->ParseAddress("not an address"), kInaddrNone);
  const uint32_t a = udp->ParseAddress("1.2.3.4");
  const uint8_t* b = reinterpret_cast<const uint8_t*>(&a);
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[3], 4);
}

TEST(Win32Adapters, ListsLoopbackWithoutAHardwareAddress) {
  std::vector<Adapter> adapters;
  ASSERT_TRUE(ListAdapters(&adapters));
  ASSERT_FALSE(adapters.empty());
  bool saw_loopback = false;
  for (const Adapter& a : adapters) {
    for (const AdapterAddress& u : a.unicast) {
      if (u.family == kFamilyInet && u.text == "127.0.0.1") {
        saw_loopback = true;
        EXPECT_EQ(a.if_type, 24u) << a.name;
        EXPECT_NE(a.hardware_address_length, 6u) << a.name;
      }
    }
  }
  EXPECT_TRUE(saw_loopback);
}

// --- Windows only ----------------------------------------------------------

// The core asks for Winsock 2.0 and marks its endpoint unusable unless
// exactly that is granted.
TEST_F(Win32Udp, StartupGrantsTheVersionAskedFor) {
  uint16_t granted = 0;
  EXPECT_EQ(udp->Startup(kWinsock20, &granted), 0);
  EXPECT_EQ(granted, kWinsock20);
  udp->Cleanup();
}

TEST_F(Win32Udp, UnwatchedSocketRaisesNoMessage) {
  auto loop = CreateEventLoop();
  ASSERT_NE(loop, nullptr);
  Recorder r;
  r.loop = loop.get();
  r.udp = udp.get();
  r.socket = udp->Create();
  ASSERT_TRUE(udp->Bind(r.socket, loopback, 0));
  ASSERT_TRUE(loop->WatchSocket(r.socket, kSocketMessage));
  loop->UnwatchSocket(r.socket);
  loop->Register(kSocketMessage, &r);

  const SocketHandle sender = udp->Create();
  uint8_t byte = 'x';
  ASSERT_EQ(udp->SendTo(sender, &byte, 1, loopback, BoundPort(r.socket)), 1);
  loop->StartTimer(kGiveUp, 200, &r);
  EXPECT_EQ(loop->Run(), 1);
  const std::vector<std::string> want = {"timer 99"};
  EXPECT_EQ(r.events, want);
  udp->ShutdownAndClose(r.socket);
  udp->ShutdownAndClose(sender);
}

// A long operation pumps with ProcessPending from inside a handler; a
// handler it runs may end the program, and the outer Run must then return
// instead of blocking in GetMessage.
TEST(Win32Loop, QuitInsideNestedProcessPendingEndsRun) {
  struct Nester : MessageSink {
    EventLoop* loop = nullptr;
    std::vector<uintptr_t> seen;
    void OnMessage(const Message& m) override {
      seen.push_back(m.wparam);
      if (m.wparam == 1) {
        loop->Post(kPosted, 2, 0);
        loop->ProcessPending();
        EXPECT_TRUE(loop->QuitRequested());
      } else if (m.wparam == 2) {
        loop->Quit(7);
      }
    }
  } nester;
  auto loop = CreateEventLoop();
  ASSERT_NE(loop, nullptr);
  nester.loop = loop.get();
  loop->Register(kPosted, &nester);
  loop->Post(kPosted, 1, 0);
  EXPECT_EQ(loop->Run(), 7);
  EXPECT_EQ(nester.seen, (std::vector<uintptr_t>{1, 2}));
}

// ProcessPending must return even while a handler keeps posting to itself,
// and must still run a timer that is due; WM_TIMER alone would never be
// generated while the queue is not empty.
TEST(Win32Loop, ProcessPendingEndsAndRunsDueTimersDespiteSelfPosting) {
  struct Repost : MessageSink, TimerSink {
    EventLoop* loop = nullptr;
    int messages = 0;
    int ticks = 0;
    void OnMessage(const Message&) override {
      ++messages;
      loop->Post(kPosted, 0, 0);
    }
    void OnTimer(uint32_t) override { ++ticks; }
  } repost;
  auto loop = CreateEventLoop();
  ASSERT_NE(loop, nullptr);
  repost.loop = loop.get();
  loop->Register(kPosted, &repost);
  loop->StartTimer(3, 10, &repost);
  loop->Post(kPosted, 0, 0);
  SystemClock().Sleep(60);
  loop->ProcessPending();
  EXPECT_EQ(repost.messages, 1);
  EXPECT_EQ(repost.ticks, 1);
  loop->ProcessPending();
  EXPECT_EQ(repost.messages, 2);
  loop->StopTimer(3);
}

}  // namespace
}  // namespace platform

#include <winsock2.h>

namespace platform {
namespace {
uint16_t BoundPort(SocketHandle s) {
  sockaddr_in sa{};
  int len = sizeof sa;
  getsockname(static_cast<SOCKET>(s), reinterpret_cast<sockaddr*>(&sa), &len);
  return ntohs(sa.sin_port);
}
}  // namespace
}  // namespace platform
