// libFuzzer target: any bytes as the tail of a program file that should
// carry the resource container. Whatever the trailer and directory claim,
// every entry the parser accepts must lie inside the container, before its
// directory, and have names of 1 to 255 bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/resource_container.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using platform::kContainerTrailerSize;
  if (size < kContainerTrailerSize) return 0;
  // The first 8 bytes say how big the file is beyond the bytes given, so a
  // trailer may point anywhere in a large file.
  uint64_t extra = 0;
  for (int i = 0; i < 8 && static_cast<size_t>(i) < size; ++i)
    extra |= uint64_t{data[i]} << (8 * i);
  extra &= (uint64_t{1} << 40) - 1;
  const uint64_t file_size = extra + size;
  platform::ContainerLayout layout;
  if (platform::ParseContainerTrailer(data + size - kContainerTrailerSize, file_size, &layout) !=
      platform::ContainerStatus::kOk) {
    return 0;
  }
  if (layout.directoryOffset + layout.directorySize + kContainerTrailerSize > file_size) {
    std::abort();
  }
  if (layout.directorySize > platform::kMaxContainerDirectory) std::abort();
  // The directory bytes: taken from the input where they lie in it, else
  // the input again from its start.
  std::vector<uint8_t> directory(static_cast<size_t>(layout.directorySize));
  for (size_t i = 0; i < directory.size(); ++i) {
    const uint64_t at = layout.directoryOffset + i;
    directory[i] = at >= extra && at - extra < size ? data[at - extra] : data[i % size];
  }
  std::vector<platform::ContainerEntry> entries;
  if (platform::ParseContainerDirectory(directory.data(), layout, &entries) !=
      platform::ContainerStatus::kOk) {
    return 0;
  }
  const uint64_t data_end = layout.directoryOffset - layout.start;
  for (const platform::ContainerEntry& e : entries) {
    if (e.name.empty() || e.type.empty() || e.name.size() > 255 || e.type.size() > 255) {
      std::abort();
    }
    if (e.offset > data_end || e.size > data_end - e.offset) std::abort();
  }
  if (!entries.empty()) {
    platform::FindContainerEntry(entries, entries.back().type, entries.back().name);
  }
  return 0;
}
