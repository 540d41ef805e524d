#include "platform/resource_container.h"

#include <cstring>

namespace platform {
namespace {

uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t Get64(const uint8_t* p) {
  return static_cast<uint64_t>(Get32(p)) | (static_cast<uint64_t>(Get32(p + 4)) << 32);
}

void Put32(uint32_t v, std::vector<uint8_t>* out) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Put64(uint64_t v, std::vector<uint8_t>* out) {
  Put32(static_cast<uint32_t>(v), out);
  Put32(static_cast<uint32_t>(v >> 32), out);
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

ContainerStatus ParseContainerTrailer(const uint8_t* trailer, uint64_t file_size,
                                      ContainerLayout* layout) {
  if (file_size < kContainerTrailerSize || std::memcmp(trailer, kContainerMagic, 8) != 0) {
    return ContainerStatus::kAbsent;
  }
  const uint64_t start = Get64(trailer + 8);
  const uint64_t container_size = Get64(trailer + 16);
  const uint64_t directory_offset = Get64(trailer + 24);
  const uint32_t count = Get32(trailer + 32);
  // Every subtraction below is guarded by the comparison before it.
  if (container_size < kContainerTrailerSize || container_size > file_size ||
      start != file_size - container_size) {
    return ContainerStatus::kDamaged;
  }
  const uint64_t body = container_size - kContainerTrailerSize;
  if (directory_offset > body) return ContainerStatus::kDamaged;
  const uint64_t directory_size = body - directory_offset;
  if (directory_size > kMaxContainerDirectory ||
      directory_size < static_cast<uint64_t>(count) * kContainerEntryHeaderSize) {
    return ContainerStatus::kDamaged;
  }
  layout->start = start;
  layout->directoryOffset = start + directory_offset;
  layout->directorySize = directory_size;
  layout->count = count;
  layout->crc = Get32(trailer + 36);
  return ContainerStatus::kOk;
}

ContainerStatus ParseContainerDirectory(const uint8_t* directory, const ContainerLayout& layout,
                                        std::vector<ContainerEntry>* entries) {
  if (Crc32(directory, static_cast<size_t>(layout.directorySize)) != layout.crc) {
    return ContainerStatus::kDamaged;
  }
  const uint64_t data_end = layout.directoryOffset - layout.start;
  std::vector<ContainerEntry> parsed;
  uint64_t pos = 0;
  for (uint32_t i = 0; i < layout.count; ++i) {
    if (layout.directorySize - pos < kContainerEntryHeaderSize) return ContainerStatus::kDamaged;
    const uint8_t* h = directory + pos;
    const uint32_t type_length = Get32(h);
    const uint32_t name_length = Get32(h + 4);
    ContainerEntry e;
    e.offset = Get64(h + 8);
    e.size = Get64(h + 16);
    pos += kContainerEntryHeaderSize;
    if (type_length == 0 || type_length > kMaxContainerNameLength || name_length == 0 ||
        name_length > kMaxContainerNameLength ||
        layout.directorySize - pos < static_cast<uint64_t>(type_length) + name_length) {
      return ContainerStatus::kDamaged;
    }
    if (e.offset > data_end || e.size > data_end - e.offset) return ContainerStatus::kDamaged;
    e.type.assign(reinterpret_cast<const char*>(directory + pos), type_length);
    pos += type_length;
    e.name.assign(reinterpret_cast<const char*>(directory + pos), name_length);
    pos += name_length;
    parsed.push_back(std::move(e));
  }
  if (pos != layout.directorySize) return ContainerStatus::kDamaged;
  *entries = std::move(parsed);
  return ContainerStatus::kOk;
}

const ContainerEntry* FindContainerEntry(const std::vector<ContainerEntry>& entries,
                                         const std::string& type, const std::string& name) {
  for (const ContainerEntry& e : entries) {
    if (SameName(e.type, type) && SameName(e.name, name)) return &e;
  }
  return nullptr;
}

std::vector<uint8_t> EncodeContainerTail(const std::vector<ContainerEntry>& entries, uint64_t start,
                                         uint64_t data_size) {
  std::vector<uint8_t> directory;
  for (const ContainerEntry& e : entries) {
    if (e.type.empty() || e.type.size() > kMaxContainerNameLength || e.name.empty() ||
        e.name.size() > kMaxContainerNameLength) {
      return {};
    }
    Put32(static_cast<uint32_t>(e.type.size()), &directory);
    Put32(static_cast<uint32_t>(e.name.size()), &directory);
    Put64(e.offset, &directory);
    Put64(e.size, &directory);
    directory.insert(directory.end(), e.type.begin(), e.type.end());
    directory.insert(directory.end(), e.name.begin(), e.name.end());
  }
  std::vector<uint8_t> tail = directory;
  tail.insert(tail.end(), kContainerMagic, kContainerMagic + 8);
  Put64(start, &tail);
  Put64(data_size + directory.size() + kContainerTrailerSize, &tail);
  Put64(data_size, &tail);
  Put32(static_cast<uint32_t>(entries.size()), &tail);
  Put32(Crc32(directory.data(), directory.size()), &tail);
  return tail;
}

}  // namespace platform
