#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/boardsim/board_config.h"
#include "tools/boardsim/control.h"
#include "tools/boardsim/frames.h"

using namespace boardsim;

namespace {

std::vector<uint8_t> Frame(std::initializer_list<uint8_t> tail) {
  // Sized up front: growing a 5-byte vector trips a false -Warray-bounds in GCC 12.
  std::vector<uint8_t> f(5 + tail.size());
  const char magic[] = "KAVRO";
  std::copy(magic, magic + 5, f.begin());
  std::copy(tail.begin(), tail.end(), f.begin() + 5);
  return f;
}

const std::vector<std::vector<uint8_t>> kAllRequests = {
    Frame({0x50, 0, 0, 0, 0, 0, 0, 0, 0}), Frame({0x50, 3, 0, 0, 1, 0, 0, 0, 0}),
    Frame({0x51, 0, 0, 0, 0, 0, 0, 0, 0}), Frame({0x51, 3, 0, 0, 1, 0, 0, 0, 0}),
    Frame({0x51, 3, 0, 0, 3, 0, 0, 0, 0}), Frame({0x51, 3, 0, 0, 0x10, 0, 0, 0, 0}),
};

Board MakeBoard(const std::string& desc) {
  Board b;
  std::string err;
  EXPECT_TRUE(ParseBoard(desc, b, err)) << err;
  return b;
}

unsigned Be16(const std::vector<uint8_t>& r, size_t off) { return r[off] << 8 | r[off + 1]; }

}  // namespace

TEST(Requests, OnlyTheExactFramesAreRecognised) {
  for (size_t i = 0; i < kAllRequests.size(); ++i)
    EXPECT_EQ(ClassifyRequest(kAllRequests[i].data(), 14), static_cast<Request>(i));

  // Every single-byte change either gives another known request or nothing.
  for (const auto& f : kAllRequests) {
    for (size_t pos = 0; pos < 14; ++pos) {
      for (int v = 0; v < 256; ++v) {
        auto g = f;
        g[pos] = static_cast<uint8_t>(v);
        Request r = ClassifyRequest(g.data(), g.size());
        if (r != Request::Count) {
          EXPECT_EQ(g, kAllRequests[static_cast<size_t>(r)]) << pos << " " << v;
        }
      }
    }
    auto longer = f;
    longer.push_back(0);
    EXPECT_EQ(ClassifyRequest(longer.data(), longer.size()), Request::Count);
    EXPECT_EQ(ClassifyRequest(f.data(), 13), Request::Count);
  }
  EXPECT_EQ(ClassifyRequest(nullptr, 14), Request::Count);
}

TEST(Replies, ByteShapingFaults) {
  auto t = BuildReply(MakeBoard("ip=10.0.0.5,fault=truncated"), Request::Basic);
  EXPECT_EQ(t.size(), 14u + 30);
  EXPECT_EQ(Be16(t, 12), 54u);

  auto tr = BuildReply(MakeBoard("ip=10.0.0.5,fault=trailing,trail=3"), Request::Basic);
  EXPECT_EQ(tr.size(), 14u + 54 + 3);
  EXPECT_EQ(Be16(tr, 12), 54u);

  auto l = BuildReply(MakeBoard("ip=10.0.0.5,fault=lenminus1"), Request::Basic);
  EXPECT_EQ(l.size(), 14u + 54);
  EXPECT_EQ(Be16(l, 12), 53u);

  auto big = BuildReply(MakeBoard("ip=10.0.0.5,size=513"), Request::Basic);
  EXPECT_EQ(big.size(), 513u);
  EXPECT_EQ(Be16(big, 12), 499u);
  EXPECT_EQ(big[14 + 38], 0x05);  // fields survive padding
}

TEST(Settings, VersionTextIsHex) {
  uint8_t a = 0, b = 0;
  ASSERT_TRUE(ParseVersion("A.05", a, b));
  EXPECT_EQ(a, 0x0A);
  EXPECT_EQ(b, 0x05);
  ASSERT_TRUE(ParseVersion("5.12", a, b));
  EXPECT_EQ(b, 0x12);
  EXPECT_EQ(VersionText(0x04, 0x00), "4.00");
  for (const char* bad : {"", ".", "5.", "5.123", "100.00", "g.00", "5.1x", "-1.00"})
    EXPECT_FALSE(ParseVersion(bad, a, b)) << bad;
}

TEST(Settings, BoardDescriptions) {
  Board b = MakeBoard("ip=10.213.0.11");
  EXPECT_EQ(MacText(b.mac), "02:00:0A:D5:00:0B");  // derived from the address, so boards differ
  EXPECT_EQ(b.serial, "SN0AD5000B");

  std::string err;
  for (const char* bad :
       {"mac=02:00:00:00:00:01", "ip=10.0.0.256", "ip=10.0.0.1,colour=red",
        "ip=10.0.0.1,status=256", "ip=10.0.0.1,status=0x", "ip=10.0.0.1,fault=sometimes",
        "ip=10.0.0.1,size=13", "ip=10.0.0.1,model=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789",
        "ip=10.0.0.1,form=old", "ip=10.0.0.1,ready=yes", "ip=10.0.0.1,noequals"})
    EXPECT_FALSE(ParseBoard(bad, b, err)) << bad;

  // A bad setting at run time leaves the board as it was.
  Board c = MakeBoard("ip=10.0.0.1,version=5.00");
  EXPECT_FALSE(ApplySettings(c, "version=6.00,kind=999", 0, false, err));
  EXPECT_EQ(c.versionMajor, 5);
  EXPECT_FALSE(ApplySettings(c, "ip=10.0.0.2", 0, false, err));
}

// Reply bytes, duplicates, delays and the other faults are checked over the
// network by tests/integration/boardsim_selftest.sh; only the clock-driven part is here.
TEST(Plan, DownBoardComesBack) {
  std::vector<Board> boards = {MakeBoard("ip=10.0.0.4,down=100")};
  EXPECT_STREQ(PlanReplies(boards, Request::Search, 0xFFFFFFFF, true, 99)[0].dropReason, "down");
  auto later = PlanReplies(boards, Request::Search, 0xFFFFFFFF, true, 100);
  EXPECT_EQ(later[0].dropReason, nullptr);
  EXPECT_FALSE(later[0].bytes.empty());
}

TEST(Control, SelectorsAndErrors) {
  std::vector<Board> boards = {MakeBoard("ip=10.0.0.1"),
                               MakeBoard("ip=10.0.0.2,mac=02:00:00:00:00:22"),
                               MakeBoard("ip=10.0.0.2")};
  std::vector<std::string> lines;
  auto log = [&lines](const std::string& s) { lines.push_back(s); };
  int errors = ApplyControlText(
      "# comment\n\n1 ready=0\n02:00:00:00:00:22 version=6.01\n10.0.0.2 fault=nostatus\n"
      "* delay=5\n10.0.0.9 ready=0\n2 ip=10.0.0.7\n3 bogus\n",
      boards, 0, log);
  EXPECT_EQ(errors, 3);
  EXPECT_EQ(boards[0].status, 0x10);
  EXPECT_EQ(boards[1].versionMajor, 6);
  EXPECT_EQ(boards[2].versionMajor, 5);
  EXPECT_TRUE(boards[1].faults.ignoreMask && boards[2].faults.ignoreMask);
  EXPECT_FALSE(boards[0].faults.ignoreMask);
  EXPECT_EQ(boards[2].delayMs, 5u);
  EXPECT_EQ(boards[1].ip, 0x0A000002u);

  ToggleReadiness(boards, log);
  EXPECT_EQ(boards[0].status, 0x00);
  EXPECT_EQ(boards[1].status, 0x10);
}
