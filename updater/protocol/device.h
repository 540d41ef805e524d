// One board as the main window keeps it, and the owning list of them.
#ifndef UPDATER_PROTOCOL_DEVICE_H_
#define UPDATER_PROTOCOL_DEVICE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace protocol {

// Category tags: a tree node carries one; a record belongs to a node when its
// bits lie inside the node's tag.
namespace category {
constexpr uint32_t kAll = 0xFFFFFFFFu;  // the root node, -1
constexpr uint32_t kQJL01 = 0xF;
constexpr uint32_t kQJL02 = 0xF0;
constexpr uint32_t kQJL04Wired = 0xE00;
constexpr uint32_t kQJW02 = 0xF00;
constexpr uint32_t kPXK60 = 0xF000;
constexpr uint32_t kQJW03 = 0xF0000;
constexpr uint32_t kQJW04 = 0xE0;
constexpr uint32_t kWXAir0 = 0xE;
constexpr uint32_t kQJL04Wireless = 0xE000;
constexpr uint32_t kOther = 0xF0000000u;
constexpr uint32_t kModelPending = 0x0F000000u;
}  // namespace category

struct TDevice {
  std::string address;
  std::string mac;
  std::string typeCode;
  std::string version;
  int32_t progress = 0;  // tenths of a percent, 0..1000
  uint32_t category = 0;
  bool wanted = false;
  bool identified = false;
  bool ready = true;
  bool statusAnswered = false;

  // Stable number given by the owning list. Posted requests carry it rather
  // than the record's address in memory, so a request still queued when a
  // refresh frees the records finds nothing instead of freed memory.
  uint32_t id = 0;

  static TDevice FromSearchReply(const std::string& address, const std::string& mac,
                                 const std::string& type_code, const std::string& version,
                                 uint32_t category);
  static TDevice ForTypedAddress(const std::string& address);
  static TDevice ForAutomaticTarget(const std::string& address);
};

// `devices` of the main window: owns the records in the order they were added.
class DeviceList {
 public:
  TDevice* Append(TDevice record);
  TDevice* Find(uint32_t id) const;
  // Removes and frees the record; false when it is not in the list.
  bool Remove(const TDevice* record);
  void Clear() { records_.clear(); }

  size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  TDevice* at(size_t i) const { return records_[i].get(); }

  // Clears `identified` on `record` and on every other record with exactly
  // the same address, since replies for that address can't be told apart.
  void MarkDuplicateAddresses(TDevice* record);

  template <typename F>
  void ForEach(F&& f) const {
    for (const auto& r : records_) f(*r);
  }

 private:
  std::vector<std::unique_ptr<TDevice>> records_;
  uint32_t next_id_ = 1;
  bool ids_ascending_ = true;  // false once the id counter has wrapped
};

}  // namespace protocol

#endif  // UPDATER_PROTOCOL_DEVICE_H_
