#include "launcher/cli/reply_check.h"

#include <gtest/gtest.h>

#include <vector>

namespace cli {
namespace {

using Bytes = std::vector<uint8_t>;

// A reply to `request` with `data_len` data bytes: letter + 0x20, length
// field to match, data filled by the caller.
Bytes ReplyTo(const protocol::RequestFrame& request, size_t data_len) {
  Bytes b(request.begin(), request.end());
  b[5] = static_cast<uint8_t>(b[5] + 0x20);
  b[12] = static_cast<uint8_t>(data_len >> 8);
  b[13] = static_cast<uint8_t>(data_len);
  b.resize(protocol::kHeaderSize + data_len);
  return b;
}

void PutText(Bytes* b, size_t data_offset, const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) (*b)[protocol::kHeaderSize + data_offset + i] = text[i];
}

Bytes BasicReply(uint8_t major, uint8_t minor) {
  Bytes b = ReplyTo(protocol::kBasicInfoQuery, 54);
  PutText(&b, 0, "QJ-L");
  b[14 + 36] = 4;
  b[14 + 38] = major;
  b[14 + 39] = minor;
  for (int i = 0; i < 6; ++i) b[14 + 40 + i] = static_cast<uint8_t>(0xA0 + i);
  return b;
}

bool Matches(const Bytes& b, const protocol::RequestFrame& request) {
  return MatchesQuery(Datagram(b.data(), b.size()), request);
}

TEST(QueryHeader, AcceptedDifferencesOnly) {
  const auto& q = protocol::kModelNameQuery;
  const Bytes good = ReplyTo(q, 60);
  EXPECT_TRUE(Matches(good, q));
  struct Case {
    int byte;
    uint8_t value;
    bool ok;
  } cases[] = {
      {5, 'Q', true},    {5, 'p', false},   {6, 0x00, false}, {9, 0x03, false}, {10, 0xE0, true},
      {10, 0xE1, false}, {11, 0xE0, false}, {12, 0, true},    {12, 1, false},   {13, 59, true},
      {13, 60, true},    {13, 58, false},   {13, 61, false},
  };
  for (const Case& c : cases) {
    Bytes b = good;
    b[c.byte] = c.value;
    EXPECT_EQ(Matches(b, q), c.ok) << c.byte << " " << int(c.value);
  }
  // The length bytes follow what arrived, not what the field says.
  Bytes long_reply = ReplyTo(q, 300);
  EXPECT_TRUE(Matches(long_reply, q));
  long_reply[12] = 2;
  EXPECT_FALSE(Matches(long_reply, q));
  // Another command's reply, and a datagram shorter than a header.
  EXPECT_FALSE(Matches(ReplyTo(protocol::kSerialNumberQuery, 40), q));
  EXPECT_FALSE(Matches(Bytes(good.begin(), good.begin() + 13), q));
}

TEST(BasicInfo, ClassicNewerAndUnknownBoards) {
  ResultRecord r;
  Bytes b = BasicReply(0x05, 0x12);
  ASSERT_TRUE(ReadBasicInfo(Datagram(b.data(), b.size()), &r));
  EXPECT_EQ(r.mac, "A0:A1:A2:A3:A4:A5");
  EXPECT_EQ(r.uib, "QJ-L04");
  EXPECT_EQ(r.from, "5.12");

  b[14 + 3] = 'X';  // not the classic prefix
  EXPECT_FALSE(ReadBasicInfo(Datagram(b.data(), b.size()), &r));

  Bytes newer = ReplyTo(protocol::kBasicInfoQuery, 62);
  newer[10] = 0xE0;
  newer[14 + 38] = 0x0A;
  newer[14 + 39] = 0x05;
  newer[14 + 61] = 0x04;
  r.uib = "stale";
  ASSERT_TRUE(ReadBasicInfo(Datagram(newer.data(), newer.size()), &r));
  EXPECT_EQ(r.uib, "");
  EXPECT_EQ(r.from, "A.05");
  newer[14 + 61] = 0x03;
  EXPECT_FALSE(ReadBasicInfo(Datagram(newer.data(), newer.size()), &r));

  // Cut short: the MAC and version bytes past the end read as zero, not as
  // whatever an earlier reply left in the buffer.
  Bytes buffer = BasicReply(0x05, 0x12);
  ASSERT_TRUE(ReadBasicInfo(Datagram(buffer.data(), 14 + 30), &r));
  EXPECT_EQ(r.from, "0.00");
  EXPECT_EQ(r.mac, "00:00:00:00:00:00");
}

TEST(Texts, EndAtZeroDatagramOrLimit) {
  Bytes m = ReplyTo(protocol::kModelNameQuery, 90);
  PutText(&m, 6, "QJ-L04");
  PutText(&m, 42, std::string(48, 'P'));  // runs to the end of the datagram, no zero
  ResultRecord r;
  ReadModelName(Datagram(m.data(), m.size()), &r);
  EXPECT_EQ(r.uib, "QJ-L04");
  EXPECT_EQ(r.printer, std::string(48, 'P'));
  m.resize(14 + 42 + 5);
  ReadModelName(Datagram(m.data(), m.size()), &r);
  EXPECT_EQ(r.printer, "PPPPP");
  Bytes s = ReplyTo(protocol::kSerialNumberQuery, 6 + 200);
  PutText(&s, 6, std::string(200, 'S'));
  ReadSerialNumber(Datagram(s.data(), s.size()), &r);
  EXPECT_EQ(r.serial_no.size(), kReplyTextLimit);
}

TEST(SearchReplies, LinesPerKindOfDevice) {
  Bytes ext = ReplyTo(protocol::kExtendedSearchRequest, 106);
  for (int i = 0; i < 6; ++i) ext[14 + i] = static_cast<uint8_t>(0x10 + i);
  PutText(&ext, 6, "QJ-L04");
  PutText(&ext, 42, "RECEIPT PRINTER");
  auto line = [](const Bytes& b) {
    return FoundDeviceLine(ReadSearchReply(Datagram(b.data(), b.size()), "10.213.0.11"));
  };
  EXPECT_EQ(
      line(ext),
      "  Ethernet Port        10.213.0.11    10:11:12:13:14:15    QJ-L04    RECEIPT PRINTER\n");
  Bytes other = ext;
  PutText(&other, 6, "NAVB-01");
  EXPECT_EQ(line(other),
            "  Ethernet Port        10.213.0.11    10:11:12:13:14:15    RECEIPT PRINTER    \n");
  // A board's basic answer to the search prints nothing unless it is at 0.00.
  Bytes basic = BasicReply(0x05, 0x00);
  basic[5] = 'p';
  EXPECT_EQ(line(basic), "");
  basic[14 + 38] = 0;
  EXPECT_EQ(line(basic), "  Ethernet Port        10.213.0.11    A0:A1:A2:A3:A4:A5    QJ-L04    \n");
  // Something that answers the search but is no board of ours.
  basic[14 + 0] = 'X';
  EXPECT_EQ(line(basic), "  Ethernet Port        10.213.0.11    A0:A1:A2:A3:A4:A5     \n");
  // Length byte one short: the unicast query takes it, the search does not.
  Bytes short_len = ext;
  short_len[13] = static_cast<uint8_t>(short_len[13] - 1);
  EXPECT_EQ(line(short_len), "");
  // Group 0x03 marks the extended form; command 1 is allowed only there.
  Bytes wrong = BasicReply(0, 0);
  wrong[5] = 'p';
  wrong[9] = 0x01;
  EXPECT_EQ(line(wrong), "");
}

}  // namespace
}  // namespace cli
