// Contract tests of the event loop, UDP and adapter backends on loopback
// only, written once and built against whichever backend this system has.
// Beyond the plain cases they pin down what a message loop can get wrong:
// nested pumping, quitting from inside it, a handler that keeps posting,
// and notifications after a socket is no longer watched.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/adapters.h"
#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/udp_socket.h"
#include "tests/platform/loopback_peers.h"

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

// The socket library is started for every case, as the window logic does;
// it has to be on Windows, and is a no-op elsewhere.
class Loopback : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(loop, nullptr);
    uint16_t granted = 0;
    ASSERT_EQ(udp->Startup(kWinsock20, &granted), 0);
    r.loop = loop.get();
    r.udp = udp.get();
  }
  void TearDown() override { udp->Cleanup(); }

  // A socket bound to 127.0.0.1 at a port of the system's choice.
  SocketHandle BoundSocket() {
    const SocketHandle s = udp->Create();
    EXPECT_NE(s, kNoSocket);
    EXPECT_TRUE(udp->Bind(s, loopback_address, 0));
    return s;
  }

  std::unique_ptr<EventLoop> loop = CreateEventLoop();
  std::unique_ptr<UdpApi> udp = CreateUdpApi();
  const uint32_t loopback_address = udp->ParseAddress("127.0.0.1");
  Recorder r;
};

TEST_F(Loopback, PostedMessagesRunInOrderThenTimer) {
  loop->Register(kPosted, &r);
  loop->Post(kPosted, 1, 0);
  loop->Post(kPosted, 2, 0);
  loop->StartTimer(5, 20, &r);
  const uint32_t start = SystemClock().TickCount();
  EXPECT_EQ(loop->Run(), 1);
  EXPECT_GE(SystemClock().TickCount() - start, 15u);
  EXPECT_EQ(r.events, (std::vector<std::string>{"posted 1", "posted 2", "timer 5"}));
  // Run has returned: the next Run waits again.
  EXPECT_FALSE(loop->QuitRequested());
}

TEST_F(Loopback, EachDatagramRaisesOneMessageAndOversizeFails) {
  r.socket = BoundSocket();
  ASSERT_TRUE(loop->WatchSocket(r.socket, kSocketMessage));
  loop->Register(kSocketMessage, &r);

  const SocketHandle sender = BoundSocket();
  const uint16_t port = loopback::BoundPort(r.socket);
  std::vector<uint8_t> small(14, 'a'), big(513, 'b'), full(512, 'c');
  ASSERT_EQ(udp->SendTo(sender, small.data(), 14, loopback_address, port), 14);
  ASSERT_EQ(udp->SendTo(sender, big.data(), 513, loopback_address, port), 513);
  ASSERT_EQ(udp->SendTo(sender, full.data(), 512, loopback_address, port), 512);
  r.expected_datagrams = 3;
  loop->StartTimer(kGiveUp, 5000, &r);
  EXPECT_EQ(loop->Run(), 0);
  EXPECT_EQ(r.events, (std::vector<std::string>{"datagram 14 127.0.0.1", "datagram -1 ",
                                                "datagram 512 127.0.0.1"}));
  loop->UnwatchSocket(r.socket);
  udp->ShutdownAndClose(r.socket);
  udp->ShutdownAndClose(sender);
}

TEST_F(Loopback, UnwatchedSocketRaisesNoMessage) {
  r.socket = BoundSocket();
  ASSERT_TRUE(loop->WatchSocket(r.socket, kSocketMessage));
  loop->UnwatchSocket(r.socket);
  loop->Register(kSocketMessage, &r);

  const SocketHandle sender = BoundSocket();
  uint8_t byte = 'x';
  ASSERT_EQ(udp->SendTo(sender, &byte, 1, loopback_address, loopback::BoundPort(r.socket)), 1);
  loop->StartTimer(kGiveUp, 200, &r);
  EXPECT_EQ(loop->Run(), 1);
  EXPECT_EQ(r.events, std::vector<std::string>{"timer 99"});
  udp->ShutdownAndClose(r.socket);
  udp->ShutdownAndClose(sender);
}

TEST_F(Loopback, AddressTextAndStartup) {
  EXPECT_EQ(udp->ParseAddress("not an address"), kInaddrNone);
  const uint32_t a = udp->ParseAddress("1.2.3.4");
  const uint8_t* b = reinterpret_cast<const uint8_t*>(&a);
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[3], 4);
  // The core asks for version 2.0 and marks its endpoint unusable unless
  // exactly that is granted.
  uint16_t granted = 0;
  EXPECT_EQ(udp->Startup(kWinsock20, &granted), 0);
  EXPECT_EQ(granted, kWinsock20);
  udp->Cleanup();
}

TEST_F(Loopback, SearchSocketHoldsTheRepliesOfAThousandBoards) {
  // Linux caps an ordinary request at net.core.rmem_max (root passes it)
  // and reports twice what was asked; Winsock reports the request.
  const SocketHandle s = udp->Create();
  ASSERT_NE(s, kNoSocket);
  EXPECT_GE(udp->ReceiveBufferBytes(s), kSearchReceiveBuffer);
  udp->ShutdownAndClose(s);
}

TEST(LoopbackAdapters, ListsLoopbackWithoutAHardwareAddress) {
  std::vector<Adapter> adapters;
  ASSERT_TRUE(ListAdapters(&adapters));
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

// A long operation pumps with ProcessPending from inside a handler; a
// handler it runs may end the program, and the outer Run must then return
// instead of waiting for more.
TEST_F(Loopback, QuitInsideNestedProcessPendingEndsRun) {
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
  nester.loop = loop.get();
  loop->Register(kPosted, &nester);
  loop->Post(kPosted, 1, 0);
  EXPECT_EQ(loop->Run(), 7);
  EXPECT_EQ(nester.seen, (std::vector<uintptr_t>{1, 2}));
}

// ProcessPending must return even while a handler keeps posting to itself,
// and must still run a timer that is due (on Windows WM_TIMER alone would
// never be made while the queue is not empty).
TEST_F(Loopback, ProcessPendingEndsAndRunsDueTimersDespiteSelfPosting) {
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
  repost.loop = loop.get();
  loop->Register(kPosted, &repost);
  loop->StartTimer(3, 10, &repost);
  loop->Post(kPosted, 0, 0);
  SystemClock().Sleep(60);
  loop->ProcessPending();
  // One round each time: what was queued, and what the round itself
  // queued at most once more; late ticks are not piled up.
  EXPECT_GE(repost.messages, 1);
  EXPECT_LE(repost.messages, 2);
  EXPECT_EQ(repost.ticks, 1);
  const int after_first = repost.messages;
  loop->ProcessPending();
  EXPECT_GT(repost.messages, after_first);
  loop->StopTimer(3);
}

}  // namespace
}  // namespace platform
