#include "updater/protocol/device.h"

#include <algorithm>

namespace protocol {

TDevice TDevice::FromSearchReply(const std::string& address, const std::string& mac,
                                 const std::string& type_code, const std::string& version,
                                 uint32_t category) {
  TDevice d;
  d.address = address;
  d.mac = mac;
  d.typeCode = type_code;
  d.version = version;
  d.category = category;
  d.wanted = false;
  d.identified = false;
  d.ready = true;
  return d;
}

TDevice TDevice::ForTypedAddress(const std::string& address) {
  TDevice d;
  d.address = address;
  d.category = category::kQJL04Wired;
  d.wanted = d.identified = d.ready = true;
  return d;
}

TDevice TDevice::ForAutomaticTarget(const std::string& address) {
  TDevice d = ForTypedAddress(address);
  d.typeCode = "0.0";
  d.version = "0.0";
  return d;
}

TDevice* DeviceList::Append(TDevice record) {
  record.id = next_id_++;
  if (next_id_ == 0) {
    next_id_ = 1;  // 0 means "no record" in posted requests
    ids_ascending_ = false;
  }
  records_.push_back(std::make_unique<TDevice>(std::move(record)));
  return records_.back().get();
}

TDevice* DeviceList::Find(uint32_t id) const {
  if (id == 0) return nullptr;
  // Every reply looks its record up: with a thousand boards a linear search
  // made the listing quadratic. Records stay in append order, so ids ascend
  // until the counter wraps.
  if (ids_ascending_) {
    const auto it = std::lower_bound(records_.begin(), records_.end(), id,
                                     [](const auto& r, uint32_t value) { return r->id < value; });
    return it != records_.end() && (*it)->id == id ? it->get() : nullptr;
  }
  for (const auto& r : records_) {
    if (r->id == id) return r.get();
  }
  return nullptr;
}

bool DeviceList::Remove(const TDevice* record) {
  auto it = std::find_if(records_.begin(), records_.end(),
                         [record](const auto& r) { return r.get() == record; });
  if (it == records_.end()) return false;
  records_.erase(it);
  return true;
}

void DeviceList::MarkDuplicateAddresses(TDevice* record) {
  for (const auto& other : records_) {
    if (other.get() != record && other->address == record->address) {
      other->identified = false;
      record->identified = false;
    }
  }
}

}  // namespace protocol
