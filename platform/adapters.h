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

// One row of the adapter selection: the name the system shows for the
// adapter and the text of its first IPv4 address.
struct AdapterRow {
  std::string name;
  std::string address;
};

// The IPv4 adapters in the system's order. Windows: GetAdaptersInfo, named
// from the network-adapter registry key; Linux: the interfaces with an
// IPv4 address (loopback left out, as Windows leaves it out), by interface
// name. Empty when the system gives no information.
std::vector<AdapterRow> ListAdapterRows();

// Windows: the "Name" of the last subkey under the adapter's key in the
// network-adapter class that has one; empty when the key cannot be opened.
std::string AdapterDisplayName(const std::string& adapter_id);

}  // namespace platform

#endif  // PLATFORM_ADAPTERS_H_
