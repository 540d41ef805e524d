#include "tests/support/reply_builder.h"

#include <algorithm>
#include <iterator>
#include <cstdio>

namespace testing_support {

namespace {
void PutMac(Bytes& data, size_t at, const std::string& mac) {
  unsigned b[6] = {};
  std::sscanf(mac.c_str(), "%x:%x:%x:%x:%x:%x", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]);
  for (int i = 0; i < 6; ++i) data[at + i] = static_cast<uint8_t>(b[i]);
}
void PutText(Bytes& data, size_t at, const std::string& text) {
  for (size_t i = 0; i < text.size() && at + i < data.size(); ++i) {
    data[at + i] = static_cast<uint8_t>(text[i]);
  }
}
}  // namespace

Bytes ReplyFrame(char letter, uint8_t group, uint16_t command, uint16_t result, const Bytes& data,
                 int announced) {
  const uint16_t length =
      static_cast<uint16_t>(announced < 0 ? static_cast<int>(data.size()) : announced);
  const uint8_t head[] = {'K',
                          'A',
                          'V',
                          'R',
                          'O',
                          static_cast<uint8_t>(letter),
                          group,
                          0x00,
                          static_cast<uint8_t>(command >> 8),
                          static_cast<uint8_t>(command),
                          static_cast<uint8_t>(result >> 8),
                          static_cast<uint8_t>(result),
                          static_cast<uint8_t>(length >> 8),
                          static_cast<uint8_t>(length)};
  // Sized once: growing a 14-byte vector by insert trips a false array-bounds
  // warning in GCC 12.
  Bytes f(sizeof head + data.size());
  std::copy(std::begin(head), std::end(head), f.begin());
  std::copy(data.begin(), data.end(), f.begin() + sizeof head);
  return f;
}

BoardInfo Wired(const std::string& mac, uint8_t major, uint8_t minor) {
  BoardInfo b;
  b.mac = mac;
  b.major = major;
  b.minor = minor;
  return b;
}

Bytes InfoReply(char letter, const BoardInfo& board) {
  Bytes data(board.newer ? 62 : 54, 0);
  if (!board.newer) PutText(data, 0, "QJ-L");
  data[36] = board.type;
  data[37] = board.type2;
  data[38] = board.major;
  data[39] = board.minor;
  PutMac(data, 40, board.mac);
  if (board.newer) data[61] = board.kind_byte;
  return ReplyFrame(letter, 0, 0, board.newer ? 0xE000 : 0x0000, data);
}

Bytes ModelReply(const std::string& mac, const std::string& model, const std::string& printer) {
  Bytes data(106, 0);
  PutMac(data, 0, mac);
  PutText(data, 6, model);
  PutText(data, 42, printer);
  return ReplyFrame('q', 3, 0x0001, 0, data);
}

Bytes StatusReply(uint8_t status) { return ReplyFrame('q', 3, 0x0010, 0, Bytes{status}); }

}  // namespace testing_support
