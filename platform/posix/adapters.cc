// Adapters from getifaddrs, in the kernel's interface order, with the
// interface type and hardware-address length from sysfs.
#include "platform/adapters.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace platform {
namespace {

// ARPHRD_* from /sys/class/net/NAME/type, mapped to IANA ifType.
uint32_t InterfaceType(const std::string& name) {
  std::ifstream type_file("/sys/class/net/" + name + "/type");
  int arphrd = -1;
  if (!(type_file >> arphrd)) return 1;  // other
  if (arphrd == 772) return 24;          // loopback
  if (arphrd != 1) return 1;             // not Ethernet-framed
  // Wireless devices are Ethernet-framed too; sysfs tells them apart.
  std::ifstream wireless("/sys/class/net/" + name + "/wireless");
  std::ifstream phy("/sys/class/net/" + name + "/phy80211/name");
  if (wireless.good() || phy.good()) return kIfTypeWireless;
  return kIfTypeEthernet;
}

uint32_t HardwareAddressLength(const std::string& name) {
  std::ifstream file("/sys/class/net/" + name + "/address");
  std::string text;
  if (!(file >> text) || text.empty()) return 0;
  // "aa:bb:cc:dd:ee:ff": one byte per two digits and a colon.
  return static_cast<uint32_t>((text.size() + 1) / 3);
}

}  // namespace

bool ListAdapters(std::vector<Adapter>* adapters) {
  adapters->clear();
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  for (ifaddrs* ifa = list; ifa != nullptr; ifa = ifa->ifa_next) {
    if (ifa->ifa_name == nullptr) continue;
    Adapter* adapter = nullptr;
    for (Adapter& a : *adapters) {
      if (a.name == ifa->ifa_name) adapter = &a;
    }
    if (adapter == nullptr) {
      adapters->push_back(Adapter{});
      adapter = &adapters->back();
      adapter->name = ifa->ifa_name;
      adapter->if_type = InterfaceType(adapter->name);
      adapter->hardware_address_length =
          adapter->if_type == 24 ? 0 : HardwareAddressLength(adapter->name);
    }
    if (ifa->ifa_addr == nullptr) continue;
    const int family = ifa->ifa_addr->sa_family;
    if (family != AF_INET && family != AF_INET6) continue;
    AdapterAddress address;
    address.family = family == AF_INET ? kFamilyInet : kFamilyInet6;
    char host[NI_MAXHOST] = {};
    const socklen_t len = family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
    if (getnameinfo(ifa->ifa_addr, len, host, sizeof host, nullptr, 0, NI_NUMERICHOST) == 0) {
      address.text = host;
    }
    adapter->unicast.push_back(address);
  }
  freeifaddrs(list);
  return true;
}

}  // namespace platform

namespace platform {

std::vector<AdapterRow> ListAdapterRows() {
  std::vector<AdapterRow> rows;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return rows;
  for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET || a->ifa_name == nullptr ||
        (a->ifa_flags & IFF_LOOPBACK) != 0) {
      continue;
    }
    bool seen = false;  // the first IPv4 address of an interface only
    for (const AdapterRow& r : rows) seen = seen || r.name == a->ifa_name;
    if (seen) continue;
    char host[NI_MAXHOST] = {};
    if (getnameinfo(a->ifa_addr, sizeof(sockaddr_in), host, sizeof host, nullptr, 0,
                    NI_NUMERICHOST) != 0) {
      continue;
    }
    rows.push_back(AdapterRow{a->ifa_name, host});
  }
  freeifaddrs(list);
  return rows;
}

// Linux has no adapter registry; the interface name is the display name.
std::string AdapterDisplayName(const std::string& adapter_id) { return adapter_id; }

}  // namespace platform
