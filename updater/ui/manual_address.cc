#include "updater/ui/manual_address.h"

#include <unordered_set>

#include "updater/protocol/device_channel.h"
#include "updater/ui/import_rules.h"

namespace ui {

protocol::TDevice* AddManualAddress(protocol::DecoderHost& host, const std::string& address) {
  if (host.updating()) return nullptr;
  protocol::DeviceList& devices = host.devices();
  for (size_t i = 0; i < devices.size(); ++i) {
    if (devices.at(i)->address == address) return nullptr;  // case-sensitive, as typed
  }
  protocol::TDevice* record = devices.Append(protocol::TDevice::ForTypedAddress(address));
  const uint32_t id = record->id;
  host.ShowRecord(record);
  host.RebuildList();
  // Looked up again: showing the record must not be trusted to leave it.
  record = devices.Find(id);
  if (record != nullptr) host.PostRequest(protocol::REQ_SEARCH_OR_INFO, record);
  return record;
}

int ImportAddressLines(protocol::DecoderHost& host, const std::vector<std::string>& lines,
                       bool* capped) {
  if (capped != nullptr) *capped = false;
  if (host.updating()) return 0;
  protocol::DeviceList& devices = host.devices();
  std::unordered_set<std::string> known;
  for (size_t i = 0; i < devices.size(); ++i) known.insert(devices.at(i)->address);
  std::vector<uint32_t> ids;
  for (const std::string& line : lines) {
    std::string address;
    if (!ImportLineAddress(line, &address) || known.count(address) != 0) continue;
    if (ids.size() >= static_cast<size_t>(kImportMaxAddresses)) {
      if (capped != nullptr) *capped = true;
      break;
    }
    known.insert(address);
    protocol::TDevice* record = devices.Append(protocol::TDevice::ForTypedAddress(address));
    ids.push_back(record->id);
  }
  if (ids.empty()) return 0;
  // One rebuild shows every new record (one per record was the quadratic part).
  host.RebuildList();
  // Looked up again: rebuilding must not be trusted to leave them.
  for (const uint32_t id : ids) {
    protocol::TDevice* record = devices.Find(id);
    if (record != nullptr) host.PostRequest(protocol::REQ_SEARCH_OR_INFO, record);
  }
  return static_cast<int>(ids.size());
}

}  // namespace ui
