#include "tools/boardsim/frames.h"

#include <algorithm>
#include <cstring>

namespace boardsim {

namespace {

struct RequestFrame {
  uint8_t letter;
  uint8_t group;
  uint16_t command;
};

// Indexed by Request.
constexpr RequestFrame kRequests[] = {
    {'P', 0x00, 0x0000},  // search
    {'P', 0x03, 0x0001},  // extended search
    {'Q', 0x00, 0x0000},  // basic information
    {'Q', 0x03, 0x0001},  // model name
    {'Q', 0x03, 0x0003},  // serial number
    {'Q', 0x03, 0x0010},  // status
};

constexpr char kMagic[] = "KAVRO";

constexpr size_t kBasicClassicLen = 54;
constexpr size_t kBasicNewerLen = 62;
constexpr size_t kModelLen = 106;  // MAC, model name at 6, printer name at 42..105
constexpr size_t kSerialLen = 38;  // MAC, serial text at 6..37
constexpr size_t kStatusLen = 8;

void PutText(std::vector<uint8_t>& data, size_t offset, const std::string& text) {
  std::copy(text.begin(), text.end(), data.begin() + static_cast<std::ptrdiff_t>(offset));
}

void PutMac(std::vector<uint8_t>& data, size_t offset, const Board& b) {
  std::copy(b.mac.begin(), b.mac.end(), data.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

Request ClassifyRequest(const uint8_t* data, size_t len) {
  if (data == nullptr || len != kHeaderSize || std::memcmp(data, kMagic, 5) != 0)
    return Request::Count;
  // Reserved byte, result code and data length are all zero in every request.
  if (data[7] != 0 || data[10] != 0 || data[11] != 0 || data[12] != 0 || data[13] != 0)
    return Request::Count;
  uint16_t command = static_cast<uint16_t>(data[8] << 8 | data[9]);
  for (size_t i = 0; i < static_cast<size_t>(Request::Count); ++i) {
    const RequestFrame& f = kRequests[i];
    if (data[5] == f.letter && data[6] == f.group && command == f.command)
      return static_cast<Request>(i);
  }
  return Request::Count;
}

std::vector<uint8_t> BuildReply(const Board& b, Request req) {
  const RequestFrame& f = kRequests[static_cast<size_t>(req)];
  uint16_t result = 0;
  std::vector<uint8_t> data;
  switch (req) {
    case Request::Search:
    case Request::Basic:
      data.assign(b.form == Form::Classic ? kBasicClassicLen : kBasicNewerLen, 0);
      PutText(data, 0, b.PrefixText());
      data[36] = b.typeNumber;
      data[37] = b.typeSecond;
      data[38] = b.versionMajor;
      data[39] = b.versionMinor;
      PutMac(data, 40, b);
      if (b.form == Form::Newer) data[61] = b.kind;
      result = b.BasicResult();
      break;
    case Request::ExtSearch:
    case Request::Model:
      data.assign(kModelLen, 0);
      PutMac(data, 0, b);
      PutText(data, 6, b.model);
      PutText(data, 42, b.printer);
      break;
    case Request::Serial:
      data.assign(kSerialLen, 0);
      PutMac(data, 0, b);
      PutText(data, 6, b.serial);
      break;
    case Request::Status:
      data.assign(kStatusLen, 0);
      data[0] = b.status;
      break;
    case Request::Count:
      return {};
  }
  if (b.size != 0) data.resize(b.size - kHeaderSize, 0);

  size_t announced = data.size();
  if (b.faults.lenMinusOne && announced > 0) --announced;
  size_t sent = b.faults.truncated ? std::min(b.cut, data.size()) : data.size();

  std::vector<uint8_t> out(kMagic, kMagic + 5);
  out.push_back(static_cast<uint8_t>(f.letter + 0x20));
  out.push_back(f.group);
  out.push_back(0);
  out.push_back(static_cast<uint8_t>(f.command >> 8));
  out.push_back(static_cast<uint8_t>(f.command));
  out.push_back(static_cast<uint8_t>(result >> 8));
  out.push_back(static_cast<uint8_t>(result));
  out.push_back(static_cast<uint8_t>(announced >> 8));
  out.push_back(static_cast<uint8_t>(announced));
  out.insert(out.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(sent));
  if (b.faults.trailing) out.insert(out.end(), b.trail, 0x00);
  return out;
}

std::vector<Outgoing> PlanReplies(const std::vector<Board>& boards, Request req, uint32_t dst,
                                  bool broadcast, int64_t nowMs) {
  std::vector<Outgoing> plan;
  if (req == Request::Count) return plan;
  for (size_t i = 0; i < boards.size(); ++i) {
    const Board& b = boards[i];
    if (!broadcast && b.ip != dst) continue;
    Outgoing o;
    o.board = i;
    if (b.faults.silent)
      o.dropReason = "silent";
    else if (b.downUntilMs > nowMs)
      o.dropReason = "down";
    else if (b.faults.ignoreMask & (1u << static_cast<unsigned>(req)))
      o.dropReason = "ignored";
    else {
      o.bytes = BuildReply(b, req);
      o.srcPort = b.faults.wrongPort ? kWrongPort : kBoardPort;
      o.dueMs = nowMs + b.delayMs;
    }
    plan.push_back(std::move(o));
  }
  return plan;
}

}  // namespace boardsim
