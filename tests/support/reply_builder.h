// Reply datagrams as boards send them, for unit tests.
#ifndef TESTS_SUPPORT_REPLY_BUILDER_H_
#define TESTS_SUPPORT_REPLY_BUILDER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

using Bytes = std::vector<uint8_t>;

// One frame: header and data; `announced` overrides the data-length field.
Bytes ReplyFrame(char letter, uint8_t group, uint16_t command, uint16_t result, const Bytes& data,
                 int announced = -1);

struct BoardInfo {
  std::string mac = "02:00:00:00:00:01";
  uint8_t type = 4;
  uint8_t type2 = 1;
  uint8_t major = 5;
  uint8_t minor = 0x10;
  bool newer = false;     // result 0xE000, 62 data bytes, kind byte
  uint8_t kind_byte = 4;  // newer form only
};

// A classic wired QJ-L04 board of this MAC and version.
BoardInfo Wired(const std::string& mac, uint8_t major = 5, uint8_t minor = 0x10);

// Basic information, to a search ('p') or to a query ('q').
Bytes InfoReply(char letter, const BoardInfo& board);
Bytes ModelReply(const std::string& mac, const std::string& model, const std::string& printer = "");
Bytes StatusReply(uint8_t status);

}  // namespace testing_support

#endif  // TESTS_SUPPORT_REPLY_BUILDER_H_
