// Recognises one reply frame in a datagram, byte by byte. The quirks of the
// state machine are deliberate and relied on by the reply decoder: bytes
// after a complete frame clear it, a short frame leaves its missing data at
// zero, and a broken magic is not rescanned.
#ifndef UPDATER_PROTOCOL_REPLY_PARSER_H_
#define UPDATER_PROTOCOL_REPLY_PARSER_H_

#include <array>
#include <cstddef>
#include <cstdint>

#include "updater/protocol/frames.h"

namespace protocol {

enum class ReplyKind : int {
  kNone = -1,
  kP = 0,  // reply to a search
  kI = 1,
  kQ = 2,  // reply to a query
  kS = 3,
  kC = 4,
  kN = 5,
};

class ReplyParser {
 public:
  ReplyParser() { Reset(); }

  // Start a new datagram: state Idle. The fields keep their values until
  // the first byte is consumed, which is when Idle clears them.
  void Reset() { state_ = State::kIdle; }
  void Consume(uint8_t byte);
  void ConsumeAll(const uint8_t* data, size_t length) {
    for (size_t i = 0; i < length; ++i) Consume(data[i]);
  }

  ReplyKind kind() const { return kind_; }
  int group() const { return group_; }
  int reserved() const { return reserved_; }
  int command() const { return command_; }
  int result() const { return result_; }
  int length() const { return length_; }
  const uint8_t* data() const { return data_.data(); }
  uint8_t data_at(int index) const { return index >= 0 && index < kMaxDatagram ? data_[index] : 0; }
  // The text at `offset`, up to its NUL or the end of the data buffer.
  std::string TextAt(int offset) const;

 private:
  enum class State {
    kIdle,
    kMagic1,
    kMagic2,
    kMagic3,
    kMagic4,
    kKind,
    kGroup,
    kSkip,
    kReserved,
    kCommand1,
    kCommand2,
    kResult1,
    kResult2,
    kLength1,
    kLength2,
    kData,
  };
  void Clear();

  State state_ = State::kIdle;
  ReplyKind kind_ = ReplyKind::kNone;
  int group_ = -1;
  int reserved_ = -1;
  int command_ = -1;
  int result_ = -1;
  int length_ = 0;
  int countdown_ = 0;
  std::array<uint8_t, kMaxDatagram> data_{};
};

}  // namespace protocol

#endif  // UPDATER_PROTOCOL_REPLY_PARSER_H_
