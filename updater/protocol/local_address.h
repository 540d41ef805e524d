// Picks the local IPv4 address the search broadcast leaves from: the first
// address of the first Ethernet adapter, failing that the last address of
// any other adapter with a 6-byte hardware address.
#ifndef UPDATER_PROTOCOL_LOCAL_ADDRESS_H_
#define UPDATER_PROTOCOL_LOCAL_ADDRESS_H_

#include <string>
#include <vector>

#include "platform/adapters.h"

namespace protocol {

// `diagnostics` receives one "%d %d IfType %d\n" line per address taken.
bool ChooseLocalAddressFrom(const std::vector<platform::Adapter>& adapters, std::string* address,
                            std::string* diagnostics);

// Reads the system's adapters afresh and writes the diagnostics to stdout.
bool ChooseLocalAddress(std::string* address);

}  // namespace protocol

#endif  // UPDATER_PROTOCOL_LOCAL_ADDRESS_H_
