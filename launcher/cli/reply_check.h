// The console updater's reading of replies: each one is checked by comparing
// its header with the request it answers, and its fields are read at fixed
// offsets, never past the end of the datagram.
#ifndef LAUNCHER_CLI_REPLY_CHECK_H_
#define LAUNCHER_CLI_REPLY_CHECK_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "launcher/cli/result_record.h"
#include "updater/protocol/frames.h"

namespace cli {

// One received datagram; bytes past its end read as zero.
class Datagram {
 public:
  Datagram(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t At(size_t offset) const { return offset < size_ ? data_[offset] : 0; }
  uint8_t Data(size_t offset) const { return At(protocol::kHeaderSize + offset); }
  // The text at a data offset up to its first zero byte, the datagram's end
  // or `limit` characters, whichever comes first.
  std::string DataText(size_t offset, size_t limit) const;
  size_t size() const { return size_; }

 private:
  const uint8_t* data_;
  size_t size_;
};

// Limit of every text taken from a reply.
constexpr size_t kReplyTextLimit = 79;

// The header of a reply to a unicast query, compared with the request:
// besides equal bytes, the reply's letter (request + 0x20), result 0xE0..,
// and the length bytes of the data that came (the low one may be one less)
// are accepted. A datagram shorter than a header never matches.
bool MatchesQuery(const Datagram& reply, const protocol::RequestFrame& request);

// Fills MAC, UIB and From from a basic-information reply; false when the
// board is not one the updater knows.
bool ReadBasicInfo(const Datagram& reply, ResultRecord* r);
// UIB and Printer from a model-name reply.
void ReadModelName(const Datagram& reply, ResultRecord* r);
void ReadSerialNumber(const Datagram& reply, ResultRecord* r);

// What one receiver of the all-device search makes of a datagram.
struct FoundDevice {
  std::string address;  // sender; empty when the datagram was ignored
  std::string mac;
  std::string name;
  std::string printer;
  bool recognised = false;
};

// `sender` is the dotted source address.
FoundDevice ReadSearchReply(const Datagram& reply, const std::string& sender);

// The line printed for it ("" for none).
std::string FoundDeviceLine(const FoundDevice& d);

}  // namespace cli

#endif  // LAUNCHER_CLI_REPLY_CHECK_H_
