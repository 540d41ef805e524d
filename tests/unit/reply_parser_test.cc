#include "updater/protocol/reply_parser.h"

#include <gtest/gtest.h>

#include "tests/support/reply_builder.h"

#include <random>
#include <vector>

namespace protocol {
namespace {

using testing_support::Bytes;

Bytes Frame(char letter, uint8_t group, uint16_t command, uint16_t result, const Bytes& data,
            int announced = -1) {
  return testing_support::ReplyFrame(letter, group, command, result, data, announced);
}

Bytes InfoData(uint8_t major, uint8_t minor) {
  Bytes d(54, 0);
  d[0] = 'Q';
  d[1] = 'J';
  d[2] = '-';
  d[3] = 'L';
  d[36] = 4;
  d[37] = 1;
  d[38] = major;
  d[39] = minor;
  for (int i = 0; i < 6; ++i) d[40 + i] = static_cast<uint8_t>(0xA0 + i);
  return d;
}

ReplyParser Parse(const Bytes& datagram) {
  ReplyParser p;
  p.Reset();
  p.ConsumeAll(datagram.data(), datagram.size());
  return p;
}

TEST(ReplyParser, ParsesAWholeBasicInformationReply) {
  const ReplyParser p = Parse(Frame('p', 0, 0, 0, InfoData(5, 0x12)));
  EXPECT_EQ(p.kind(), ReplyKind::kP);
  EXPECT_EQ(p.group(), 0);
  EXPECT_EQ(p.reserved(), 0);
  EXPECT_EQ(p.command(), 0);
  EXPECT_EQ(p.result(), 0);
  EXPECT_EQ(p.length(), 54);
  EXPECT_EQ(VersionText(p.data_at(38), p.data_at(39)), "5.12");
  EXPECT_EQ(MacText(p.data() + kInfoMac), "A0:A1:A2:A3:A4:A5");
}

TEST(ReplyParser, KindLettersAndMultiByteFields) {
  const char letters[] = "piqscn";
  for (int i = 0; i < 6; ++i) {
    const ReplyParser p = Parse(Frame(letters[i], 3, 0x1234, 0xE000, {7}));
    EXPECT_EQ(static_cast<int>(p.kind()), i);
    EXPECT_EQ(p.command(), 0x1234);
    EXPECT_EQ(p.result(), 0xE000);
    EXPECT_EQ(p.data_at(0), 7);
  }
  // An unknown letter: kind stays -1 and nothing else is read.
  const ReplyParser p = Parse(Frame('x', 0, 0, 0, {1, 2, 3}));
  EXPECT_EQ(p.kind(), ReplyKind::kNone);
  EXPECT_EQ(p.group(), -1);
}

TEST(ReplyParser, GroupAboveFiveAbandonsTheFrame) {
  for (uint8_t group : {6, 0x7F, 0xFF}) {
    // The rest of the frame then runs through Idle, which clears everything.
    const ReplyParser p = Parse(Frame('q', group, 0x10, 0, {0x10}));
    EXPECT_EQ(p.kind(), ReplyKind::kNone);
    EXPECT_EQ(p.group(), -1);
    EXPECT_EQ(p.command(), -1);
    EXPECT_EQ(p.result(), -1);
  }
  // Exactly: the byte after the bad group is dropped without clearing.
  ReplyParser p;
  const Bytes head = {'K', 'A', 'V', 'R', 'O', 'q', 0x06, 0x55};
  p.ConsumeAll(head.data(), head.size());
  EXPECT_EQ(p.kind(), ReplyKind::kQ);
  EXPECT_EQ(p.group(), -1);
}

TEST(ReplyParser, ShortDatagramLeavesMissingDataAtZero) {
  Bytes data = InfoData(5, 0x12);
  Bytes cut = Frame('p', 0, 0, 0, data);
  cut.resize(kHeaderSize + 30);  // length field still says 54
  const ReplyParser p = Parse(cut);
  EXPECT_EQ(p.length(), 54);
  EXPECT_EQ(p.data_at(0), 'Q');
  EXPECT_EQ(MacText(p.data() + kInfoMac), "00:00:00:00:00:00");
  EXPECT_EQ(p.data_at(38), 0);
}

TEST(ReplyParser, BytesAfterACompleteFrame) {
  const Bytes first = Frame('p', 0, 0, 0, InfoData(5, 0x12));
  const Bytes second = Frame('q', 3, 0x10, 0, {0x10});

  Bytes stray = first;
  stray.push_back(0x00);  // one stray byte clears the fields
  ReplyParser p = Parse(stray);
  EXPECT_EQ(p.kind(), ReplyKind::kNone);
  EXPECT_EQ(p.length(), 0);
  EXPECT_EQ(p.data_at(0), 0);

  Bytes two = first;  // a whole second frame replaces the first
  two.insert(two.end(), second.begin(), second.end());
  p = Parse(two);
  EXPECT_EQ(p.kind(), ReplyKind::kQ);
  EXPECT_EQ(p.group(), 3);
  EXPECT_EQ(p.command(), 0x10);
  EXPECT_EQ(p.data_at(0), 0x10);
  EXPECT_EQ(p.data_at(38), 0) << "data of the first frame must be gone";
}

TEST(ReplyParser, MagicIsFoundLaterButNotAfterADoubledFirstLetter) {
  Bytes junk = {0x00, 'x', 'A'};
  const Bytes frame = Frame('q', 3, 0x10, 0, {0x00});
  junk.insert(junk.end(), frame.begin(), frame.end());
  EXPECT_EQ(Parse(junk).kind(), ReplyKind::kQ);

  Bytes doubled = {'K'};
  doubled.insert(doubled.end(), frame.begin(), frame.end());
  EXPECT_EQ(Parse(doubled).kind(), ReplyKind::kNone);

  const Bytes broken = {'K', 'A', 'V', 'X', 'O', 'q', 3};
  EXPECT_EQ(Parse(broken).kind(), ReplyKind::kNone);
}

TEST(ReplyParser, ResetStartsANewDatagramFromIdle) {
  ReplyParser p;
  const Bytes partial = {'K', 'A', 'V'};
  p.ConsumeAll(partial.data(), partial.size());
  p.Reset();
  const Bytes rest = {'R', 'O', 'q', 3, 0, 0, 0x10, 0, 0, 0, 1, 0};
  p.ConsumeAll(rest.data(), rest.size());
  EXPECT_EQ(p.kind(), ReplyKind::kNone) << "the old magic must not carry over";
}

TEST(ReplyParser, LargestDatagramFillsTheBufferWithoutOverrun) {
  Bytes data(kMaxDatagram - kHeaderSize, 0xEE);
  ReplyParser p = Parse(Frame('q', 0, 0, 0, data, 0xFFFF));
  EXPECT_EQ(p.length(), 0xFFFF);
  EXPECT_EQ(p.data_at(497), 0xEE);
  EXPECT_EQ(p.data_at(498), 0);
  // A caller that feeds far more than a datagram still stays in bounds.
  Bytes huge = Frame('q', 0, 0, 0, Bytes(0xFFFF, 0x11));
  p = Parse(huge);
  EXPECT_EQ(p.data_at(511), 0x11);
  EXPECT_EQ(p.data_at(512), 0);
  EXPECT_EQ(p.TextAt(500).size(), 12u);
}

TEST(ReplyParser, RandomGarbageNeverEscapesTheFields) {
  std::mt19937 rng(1234);
  ReplyParser p;
  for (int round = 0; round < 2000; ++round) {
    Bytes b(rng() % 600);
    for (auto& x : b) x = static_cast<uint8_t>(rng() % 4 == 0 ? "KAVROpq"[rng() % 7] : rng());
    p.Reset();
    p.ConsumeAll(b.data(), b.size());
    EXPECT_GE(static_cast<int>(p.kind()), -1);
    EXPECT_LE(static_cast<int>(p.kind()), 5);
    EXPECT_LE(p.group(), 5);
    EXPECT_LE(p.length(), 0xFFFF);
  }
}

TEST(ReplyParser, TextStopsAtNul) {
  Bytes data(60, 0);
  const char name[] = "QJ-L04";
  std::copy(name, name + 6, data.begin() + kModelName);
  const char printer[] = "TM Receipt";
  std::copy(printer, printer + 10, data.begin() + kModelPrinterName);
  const ReplyParser p = Parse(Frame('q', 3, 1, 0, data));
  EXPECT_EQ(p.TextAt(kModelName), "QJ-L04");
  EXPECT_EQ(p.TextAt(kModelPrinterName), "TM Receipt");
  EXPECT_EQ(p.TextAt(-1), "");
}

}  // namespace
}  // namespace protocol
