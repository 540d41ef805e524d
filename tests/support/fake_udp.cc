#include "tests/support/fake_udp.h"

#include <cstdio>
#include <cstring>

namespace testing_support {

int FakeUdpApi::Startup(uint16_t wanted, uint16_t* granted) {
  calls.push_back("startup");
  *granted = granted_version;
  return startup_result;
}

platform::SocketHandle FakeUdpApi::Create() {
  if (fail_create) {
    calls.push_back("create failed");
    return platform::kNoSocket;
  }
  const platform::SocketHandle s = next_++;
  open.insert(s);
  calls.push_back("create " + std::to_string(s));
  return s;
}

bool FakeUdpApi::Bind(platform::SocketHandle s, uint32_t address, uint16_t port) {
  calls.push_back("bind " + std::to_string(s) + " " + Dotted(address) + ":" + std::to_string(port));
  return !fail_bind;
}

bool FakeUdpApi::SetBroadcast(platform::SocketHandle s, bool on) {
  if (on) {
    broadcast_on_.insert(s);
  } else {
    broadcast_on_.erase(s);
  }
  return true;
}

int FakeUdpApi::SendTo(platform::SocketHandle s, const uint8_t* data, int length, uint32_t address,
                       uint16_t port) {
  if (fail_send || open.count(s) == 0) return -1;
  sent.push_back(Sent{s, std::vector<uint8_t>(data, data + length), Dotted(address), port,
                      broadcast_on_.count(s) != 0});
  return length;
}

int FakeUdpApi::ReceiveFrom(platform::SocketHandle s, uint8_t* buffer, int size, std::string* from,
                            uint16_t* port) {
  if (inbound.empty() || open.count(s) == 0) return -1;
  Inbound d = inbound.front();
  inbound.pop_front();
  if (static_cast<int>(d.bytes.size()) > size) return -1;  // as WSAEMSGSIZE
  if (!d.bytes.empty()) std::memcpy(buffer, d.bytes.data(), d.bytes.size());
  if (from != nullptr) *from = d.from;
  if (port != nullptr) *port = d.port;
  return static_cast<int>(d.bytes.size());
}

platform::Readiness FakeUdpApi::WaitReadable(platform::SocketHandle s, int /*timeout_ms*/) {
  if (open.count(s) == 0) return platform::Readiness::kFailed;
  return inbound.empty() ? platform::Readiness::kTimedOut : platform::Readiness::kReadable;
}

void FakeUdpApi::ShutdownAndClose(platform::SocketHandle s) {
  calls.push_back("close " + std::to_string(s));
  open.erase(s);
  broadcast_on_.erase(s);
}

uint32_t FakeUdpApi::ParseAddress(const std::string& text) {
  unsigned a, b, c, d;
  char tail;
  if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4 || a > 255 ||
      b > 255 || c > 255 || d > 255) {
    return platform::kInaddrNone;
  }
  // Network byte order in memory: first octet first.
  uint8_t bytes[4] = {static_cast<uint8_t>(a), static_cast<uint8_t>(b), static_cast<uint8_t>(c),
                      static_cast<uint8_t>(d)};
  uint32_t value;
  std::memcpy(&value, bytes, 4);
  return value;
}

std::string FakeUdpApi::Dotted(uint32_t network_order) {
  uint8_t b[4];
  std::memcpy(b, &network_order, 4);
  return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
         std::to_string(b[3]);
}

}  // namespace testing_support
