// Writes small ZIP archives with stored (uncompressed) entries, any names
// included: the hostile ones the unpacker must refuse are the point.
#ifndef TESTS_LAUNCHER_ZIP_WRITER_H_
#define TESTS_LAUNCHER_ZIP_WRITER_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/resource_container.h"

namespace testing_support {

class ZipWriter {
 public:
  // A name ending in '/' is a folder entry. `mode`: the Unix type and mode
  // stored for it (0: a plain file or folder).
  void Add(const std::string& name, const std::string& data = std::string(), uint32_t mode = 0) {
    entries_.emplace_back(name, data);
    modes_.push_back(mode);
  }

  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> out, central;
    for (size_t i = 0; i < entries_.size(); ++i) {
      const std::string& name = entries_[i].first;
      const std::string& data = entries_[i].second;
      const uint32_t offset = static_cast<uint32_t>(out.size());
      const uint32_t crc =
          platform::Crc32(reinterpret_cast<const uint8_t*>(data.data()), data.size());
      const bool folder = !name.empty() && name.back() == '/';
      Put32(&out, 0x04034b50);
      Header(&out, name, data, crc);
      Append(&out, name);
      Append(&out, data);
      Put32(&central, 0x02014b50);
      Put16(&central, 0x0314);  // made by Unix, version 2.0
      Header(&central, name, data, crc);
      Put16(&central, 0);  // comment
      Put16(&central, 0);  // disk
      Put16(&central, 0);  // internal attributes
      const uint32_t mode = modes_[i] != 0 ? modes_[i] : folder ? 040755u : 0100644u;
      Put32(&central, (mode << 16) | (folder ? 0x10 : 0));
      Put32(&central, offset);
      Append(&central, name);
    }
    const uint32_t central_offset = static_cast<uint32_t>(out.size());
    out.insert(out.end(), central.begin(), central.end());
    Put32(&out, 0x06054b50);
    Put16(&out, 0);
    Put16(&out, 0);
    Put16(&out, static_cast<uint16_t>(entries_.size()));
    Put16(&out, static_cast<uint16_t>(entries_.size()));
    Put32(&out, static_cast<uint32_t>(central.size()));
    Put32(&out, central_offset);
    Put16(&out, 0);
    return out;
  }

 private:
  static void Put16(std::vector<uint8_t>* out, uint16_t v) {
    out->push_back(static_cast<uint8_t>(v));
    out->push_back(static_cast<uint8_t>(v >> 8));
  }
  static void Put32(std::vector<uint8_t>* out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v));
    Put16(out, static_cast<uint16_t>(v >> 16));
  }
  static void Append(std::vector<uint8_t>* out, const std::string& s) {
    out->insert(out->end(), s.begin(), s.end());
  }
  // From "version needed" to "extra length", shared by both headers.
  static void Header(std::vector<uint8_t>* out, const std::string& name, const std::string& data,
                     uint32_t crc) {
    Put16(out, 20);
    Put16(out, 0);       // flags
    Put16(out, 0);       // stored
    Put16(out, 0);       // time
    Put16(out, 0x5C21);  // 2026-01-01
    Put32(out, crc);
    Put32(out, static_cast<uint32_t>(data.size()));
    Put32(out, static_cast<uint32_t>(data.size()));
    Put16(out, static_cast<uint16_t>(name.size()));
    Put16(out, 0);
  }

  std::vector<std::pair<std::string, std::string>> entries_;
  std::vector<uint32_t> modes_;
};

}  // namespace testing_support

#endif  // TESTS_LAUNCHER_ZIP_WRITER_H_
