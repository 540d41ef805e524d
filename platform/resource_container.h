// The resource container that POSIX builds append to a program file, since
// ELF has no resource table that another program could read by name:
//
//   [program][data 1]...[data n][directory][trailer]
//
// Numbers are little-endian; data and directory offsets count from the
// container's start (the first data byte).
// - directory: per resource, u32 type length, u32 name length, u64 data
//   offset, u64 data size, then the type and name bytes (1 to 255 each);
//   all data lies before the directory;
// - trailer, the file's last 40 bytes: the magic "ZTRSRC02", u64 container
//   start in the file, u64 container size (trailer included), u64 directory
//   offset, u32 resource count, u32 CRC-32 of the directory bytes. Start
//   plus size must be the file's size, so a file that lost or gained bytes
//   anywhere is refused instead of read at shifted offsets.
// The ELF loader maps only the program's own segments, so the appended bytes
// are never loaded or run; strip, though, would drop them.
// Pure code, shared by the POSIX backend, the packing tool and the tests.
#ifndef PLATFORM_RESOURCE_CONTAINER_H_
#define PLATFORM_RESOURCE_CONTAINER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

constexpr char kContainerMagic[] = "ZTRSRC02";
constexpr size_t kContainerTrailerSize = 40;
constexpr size_t kContainerEntryHeaderSize = 24;
constexpr size_t kMaxContainerNameLength = 255;
// Far above any real directory; keeps a damaged trailer from asking for a
// huge allocation.
constexpr uint64_t kMaxContainerDirectory = 1u << 20;

enum class ContainerStatus { kOk, kAbsent, kDamaged };

// Where a container lies in its file, from the trailer (absolute offsets).
struct ContainerLayout {
  uint64_t start = 0;
  uint64_t directoryOffset = 0;
  uint64_t directorySize = 0;
  uint32_t count = 0;
  uint32_t crc = 0;
};

struct ContainerEntry {
  std::string type;
  std::string name;
  uint64_t offset = 0;  // from the container's start
  uint64_t size = 0;
};

// `trailer` is the last kContainerTrailerSize bytes of a file of `file_size`
// bytes (or fewer when the file is shorter). kAbsent: no magic, so no
// container; kDamaged: the magic is there but the numbers do not fit.
ContainerStatus ParseContainerTrailer(const uint8_t* trailer, uint64_t file_size,
                                      ContainerLayout* layout);

// `directory` holds layout.directorySize bytes read from layout.directoryOffset.
ContainerStatus ParseContainerDirectory(const uint8_t* directory, const ContainerLayout& layout,
                                        std::vector<ContainerEntry>* entries);

// First entry of that type and name, ASCII case ignored; null when none.
const ContainerEntry* FindContainerEntry(const std::vector<ContainerEntry>& entries,
                                         const std::string& type, const std::string& name);

// Directory and trailer for `entries`, whose data (data_size bytes in all)
// the writer has already put at `start`, the end of the program proper.
// Empty when a name is empty or too long.
std::vector<uint8_t> EncodeContainerTail(const std::vector<ContainerEntry>& entries, uint64_t start,
                                         uint64_t data_size);

uint32_t Crc32(const uint8_t* data, size_t size);

}  // namespace platform

#endif  // PLATFORM_RESOURCE_CONTAINER_H_
