#include "updater/protocol/local_address.h"

#include <cstdio>

namespace protocol {

bool ChooseLocalAddressFrom(const std::vector<platform::Adapter>& adapters, std::string* address,
                            std::string* diagnostics) {
  bool found = false;
  int remembered = 0;
  for (const platform::Adapter& adapter : adapters) {
    const bool six_byte_hardware = adapter.hardware_address_length == 6;
    for (const platform::AdapterAddress& unicast : adapter.unicast) {
      if (unicast.family != platform::kFamilyInet) continue;
      // The caller keeps the text in a 64-byte buffer: a dotted IPv4 text is
      // at most 15 characters, and anything longer is not one.
      if (unicast.text.empty() || unicast.text.size() > 15 || !six_byte_hardware) continue;
      *address = unicast.text;
      found = true;
      char line[64];
      std::snprintf(line, sizeof line, "%d %d IfType %d\n", remembered, 6,
                    static_cast<int>(adapter.if_type));
      if (diagnostics) *diagnostics += line;
      ++remembered;
      if (adapter.if_type == platform::kIfTypeEthernet) return true;
    }
  }
  return found;
}

bool ChooseLocalAddress(std::string* address) {
  std::vector<platform::Adapter> adapters;
  if (!platform::ListAdapters(&adapters)) return false;
  std::string diagnostics;
  const bool found = ChooseLocalAddressFrom(adapters, address, &diagnostics);
  std::fputs(diagnostics.c_str(), stdout);
  std::fflush(stdout);
  return found;
}

}  // namespace protocol
