// Boards added by hand: a typed address or the lines of an address-list
// file, both through AddManualAddress.
#ifndef UPDATER_UI_MANUAL_ADDRESS_H_
#define UPDATER_UI_MANUAL_ADDRESS_H_

#include <string>
#include <vector>

#include "updater/protocol/reply_decoder.h"

namespace ui {

// Adds a ticked, ready, identified wired QJ-L04 record for `address`, shows
// it, rebuilds the list and posts one basic-information query for it.
// Nothing happens when a record already has exactly this address, or while
// an update runs. Returns the new record (null when none was added); the
// pointer is valid only until the next message is handled.
protocol::TDevice* AddManualAddress(protocol::DecoderHost& host, const std::string& address);

// At most this many records come from one address-list file: a whole /16
// network. Beyond it a file is a mistake or an attack, and each record costs
// a query on the network.
constexpr int kImportMaxAddresses = 65536;

// Every valid line of an address-list file, in file order, as
// AddManualAddress adds one, but in time linear in the file: duplicates are
// found by a set and the list is rebuilt once. Invalid lines are passed over
// silently; after kImportMaxAddresses added records the rest is left and
// `capped` (when given) is set. Returns how many records were added.
int ImportAddressLines(protocol::DecoderHost& host, const std::vector<std::string>& lines,
                       bool* capped = nullptr);

}  // namespace ui

#endif  // UPDATER_UI_MANUAL_ADDRESS_H_
