#include "launcher/cli/reply_check.h"

#include <cstdio>

#include "launcher/cli/options.h"
#include "platform/terminal_text.h"

namespace cli {

using protocol::kHeaderSize;

std::string Datagram::DataText(size_t offset, size_t limit) const {
  std::string text;
  for (size_t i = kHeaderSize + offset; i < size_ && text.size() < limit && data_[i] != 0; ++i) {
    text += static_cast<char>(data_[i]);
  }
  return text;
}

namespace {

uint8_t LengthHigh(const Datagram& d) {
  return static_cast<uint8_t>((d.size() - kHeaderSize) >> 8);
}
uint8_t LengthLow(const Datagram& d) { return static_cast<uint8_t>(d.size() - kHeaderSize); }

std::string MacAt(const Datagram& d, size_t data_offset) {
  uint8_t mac[6];
  for (size_t i = 0; i < 6; ++i) mac[i] = d.Data(data_offset + i);
  return protocol::MacText(mac);
}

bool HasClassicPrefix(const Datagram& d) {
  return d.Data(0) == 'Q' && d.Data(1) == 'J' && d.Data(2) == '-' && d.Data(3) == 'L';
}

std::string ClassicName(const Datagram& d) {
  char text[16];
  std::snprintf(text, sizeof text, "QJ-L%02X", d.Data(protocol::kInfoTypeNumber));
  return text;
}

bool NewerBoard(const Datagram& d) {
  return d.At(10) == 0xE0 && d.At(11) == 0 && (d.Data(protocol::kInfoBoardKind) & 0x04) != 0;
}

}  // namespace

bool MatchesQuery(const Datagram& reply, const protocol::RequestFrame& request) {
  if (reply.size() < static_cast<size_t>(kHeaderSize)) return false;
  for (int i = 0; i < kHeaderSize; ++i) {
    const uint8_t b = reply.At(i);
    if (b == request[i]) continue;
    if (i == 5 && b == static_cast<uint8_t>(request[5] + 0x20)) continue;
    if (i == 10 && b == 0xE0) continue;
    if (i == 12 && b == LengthHigh(reply)) continue;
    if (i == 13 && (b == LengthLow(reply) || b == static_cast<uint8_t>(LengthLow(reply) - 1))) {
      continue;
    }
    return false;
  }
  return true;
}

bool ReadBasicInfo(const Datagram& reply, ResultRecord* r) {
  r->mac = MacAt(reply, protocol::kInfoMac);
  r->uib.clear();
  r->from = protocol::VersionText(reply.Data(protocol::kInfoVersionMajor),
                                  reply.Data(protocol::kInfoVersionMinor));
  if (reply.At(10) == 0 && reply.At(11) == 0) {
    if (!HasClassicPrefix(reply)) return false;
    r->uib = ClassicName(reply);
    return true;
  }
  return NewerBoard(reply);
}

void ReadModelName(const Datagram& reply, ResultRecord* r) {
  r->uib = reply.DataText(protocol::kModelName, kReplyTextLimit);
  r->printer = reply.DataText(protocol::kModelPrinterName, kReplyTextLimit);
}

void ReadSerialNumber(const Datagram& reply, ResultRecord* r) {
  r->serial_no = reply.DataText(protocol::kSerialText, kReplyTextLimit);
}

FoundDevice ReadSearchReply(const Datagram& reply, const std::string& sender) {
  FoundDevice d;
  if (reply.size() < static_cast<size_t>(kHeaderSize)) return d;
  const protocol::RequestFrame& search = protocol::kSearchRequest;
  const bool extended = reply.At(6) == 0x03;
  for (int i = 0; i < kHeaderSize; ++i) {
    const uint8_t b = reply.At(i);
    const bool ok = b == search[i] || (i == 5 && b == 'p') || (i == 6 && b == 0x03) ||
                    (i == 9 && extended && b == 0x01) || (i == 10 && b == 0xE0) ||
                    (i == 12 && b == LengthHigh(reply)) || (i == 13 && b == LengthLow(reply));
    if (!ok) return d;
  }
  d.address = Cut(sender, kAddressLimit);
  if (extended) {
    d.mac = MacAt(reply, protocol::kModelMac);
    d.name = reply.DataText(protocol::kModelName, kReplyTextLimit);
    d.printer = reply.DataText(protocol::kModelPrinterName, kReplyTextLimit);
    d.recognised = true;
    return d;
  }
  d.mac = MacAt(reply, protocol::kInfoMac);
  if (reply.At(10) == 0 && reply.At(11) == 0 && HasClassicPrefix(reply)) {
    d.recognised = true;
    if (reply.Data(protocol::kInfoVersionMajor) == 0 &&
        reply.Data(protocol::kInfoVersionMinor) == 0) {
      d.name = ClassicName(reply);
    }
  } else if (NewerBoard(reply)) {
    d.recognised = true;
  }
  return d;
}

std::string FoundDeviceLine(const FoundDevice& d) {
  if (d.address.empty()) return "";
  if (!d.recognised) return "  Ethernet Port        " + d.address + "    " + d.mac + "     \n";
  if (d.name.empty()) return "";
  const bool board = d.name.find("VC-H") != std::string::npos ||
                     d.name.find("QJ-W0") != std::string::npos ||
                     d.name.find("QJ-L0") != std::string::npos;
  // The board chose its name and printer name: no control reaches the terminal.
  const std::string printer = platform::TerminalText(d.printer);
  if (board) {
    return "  Ethernet Port        " + d.address + "    " + d.mac + "    " +
           platform::TerminalText(d.name) + "    " + printer + "\n";
  }
  return "  Ethernet Port        " + d.address + "    " + d.mac + "    " + printer + "    \n";
}

}  // namespace cli
