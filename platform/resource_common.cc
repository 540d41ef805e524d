// The parts of platform/resources.h that need no OS.
#include <utility>

#include "platform/resources.h"

namespace platform {
namespace {

class BytesKeeper final : public Resource::Keeper {
 public:
  explicit BytesKeeper(std::vector<uint8_t> bytes) : bytes(std::move(bytes)) {}
  std::vector<uint8_t> bytes;
};

}  // namespace

Resource Resource::FromBytes(std::vector<uint8_t> bytes) {
  auto keeper = std::make_unique<BytesKeeper>(std::move(bytes));
  const uint8_t* data = keeper->bytes.data();
  const size_t size = keeper->bytes.size();
  return Resource(std::move(keeper), data, size);
}

const char* ResourceErrorText(ResourceError error) {
  switch (error) {
    case ResourceError::kNone:
      return "no error";
    case ResourceError::kProgramNotOpened:
      return "the program file cannot be opened as a program";
    case ResourceError::kNoResources:
      return "the program file carries no resources";
    case ResourceError::kNotFound:
      return "resource not found";
    case ResourceError::kDamaged:
      return "the program file's resources are damaged or truncated";
    case ResourceError::kReadFailed:
      return "the resource cannot be read";
  }
  return "unknown resource error";
}

}  // namespace platform
