#include "updater/ui/manual_address.h"

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

int ImportAddressLines(protocol::DecoderHost& host, const std::vector<std::string>& lines) {
  int added = 0;
  for (const std::string& line : lines) {
    std::string address;
    if (ImportLineAddress(line, &address) && AddManualAddress(host, address) != nullptr) ++added;
  }
  return added;
}

}  // namespace ui
