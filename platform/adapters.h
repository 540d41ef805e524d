// The PC's network adapters as the local-address choice needs them.
#ifndef PLATFORM_ADAPTERS_H_
#define PLATFORM_ADAPTERS_H_

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

constexpr int kFamilyInet = 2;    // AF_INET on both systems
constexpr int kFamilyInet6 = 23;  // AF_INET6 as Windows numbers it

constexpr uint32_t kIfTypeEthernet = 6;   // IANA ifType ethernetCsmacd
constexpr uint32_t kIfTypeWireless = 71;  // IANA ifType ieee80211

struct AdapterAddress {
  int family = 0;    // kFamilyInet, kFamilyInet6 or another value
  std::string text;  // numeric host text; may be empty
};

struct Adapter {
  std::string name;
  uint32_t if_type = 0;
  uint32_t hardware_address_length = 0;
  std::vector<AdapterAddress> unicast;  // in the system's order
};

// The adapters in the system's order. False when the system refused the
// listing (the caller then binds to any address).
bool ListAdapters(std::vector<Adapter>* adapters);

}  // namespace platform

#endif  // PLATFORM_ADAPTERS_H_
