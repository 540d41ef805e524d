#include "updater/protocol/reply_parser.h"

namespace protocol {

void ReplyParser::Clear() {
  kind_ = ReplyKind::kNone;
  group_ = reserved_ = command_ = result_ = -1;
  length_ = 0;
  countdown_ = 0;
  data_.fill(0);
}

void ReplyParser::Consume(uint8_t byte) {
  static constexpr char kMagic[] = "KAVRO";
  switch (state_) {
    case State::kIdle:
      Clear();
      state_ = byte == kMagic[0] ? State::kMagic1 : State::kIdle;
      break;
    case State::kMagic1:
    case State::kMagic2:
    case State::kMagic3:
    case State::kMagic4: {
      // A byte that breaks the magic is dropped, not looked at again.
      const int index = static_cast<int>(state_) - static_cast<int>(State::kMagic1) + 1;
      if (byte != static_cast<uint8_t>(kMagic[index])) {
        state_ = State::kIdle;
      } else {
        state_ = state_ == State::kMagic4 ? State::kKind
                                          : static_cast<State>(static_cast<int>(state_) + 1);
      }
      break;
    }
    case State::kKind: {
      static constexpr char kLetters[] = "piqscn";
      state_ = State::kIdle;
      for (int i = 0; i < 6; ++i) {
        if (byte == static_cast<uint8_t>(kLetters[i])) {
          kind_ = static_cast<ReplyKind>(i);
          state_ = State::kGroup;
          break;
        }
      }
      break;
    }
    case State::kGroup:
      if (byte <= 0x05) {
        group_ = byte;
        state_ = State::kReserved;
      } else {
        state_ = State::kSkip;
      }
      break;
    case State::kSkip:
      state_ = State::kIdle;
      break;
    case State::kReserved:
      reserved_ = byte;
      state_ = State::kCommand1;
      break;
    case State::kCommand1:
      command_ = byte << 8;
      state_ = State::kCommand2;
      break;
    case State::kCommand2:
      command_ += byte;
      state_ = State::kResult1;
      break;
    case State::kResult1:
      result_ = byte << 8;
      state_ = State::kResult2;
      break;
    case State::kResult2:
      result_ += byte;
      state_ = State::kLength1;
      break;
    case State::kLength1:
      length_ = byte << 8;
      state_ = State::kLength2;
      break;
    case State::kLength2:
      length_ += byte;
      countdown_ = length_;
      state_ = length_ != 0 ? State::kData : State::kIdle;
      break;
    case State::kData: {
      // A datagram holds at most 512 bytes, so the index stays below 498;
      // the bound still holds for a caller that feeds more.
      const int index = length_ - countdown_;
      if (index < kMaxDatagram) data_[index] = byte;
      --countdown_;
      state_ = countdown_ != 0 ? State::kData : State::kIdle;
      break;
    }
  }
}

std::string ReplyParser::TextAt(int offset) const {
  std::string text;
  for (int i = offset; i >= 0 && i < kMaxDatagram && data_[i] != 0; ++i) {
    text += static_cast<char>(data_[i]);
  }
  return text;
}

}  // namespace protocol
