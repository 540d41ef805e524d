// Named data resources carried inside a program file: of the running
// program, and of another program file opened as data only (never run).
// Windows: the program's own resources (FindResource / LoadResource,
// LoadLibraryExW as a data file). Elsewhere: the container appended to the
// program file, described in platform/resource_container.h.
#ifndef PLATFORM_RESOURCES_H_
#define PLATFORM_RESOURCES_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// The type of every resource the updater carries.
constexpr char kDataResourceType[] = "DSC_PDATA";

enum class ResourceError {
  kNone,
  kProgramNotOpened,  // the file is missing, unreadable or not a program
  kNoResources,       // a program without any resources of ours
  kNotFound,          // no resource of that type and name
  kDamaged,           // the resource table points outside the file
  kReadFailed,
};

const char* ResourceErrorText(ResourceError error);

// The bytes of one resource; whatever keeps them valid (a loaded module, a
// buffer) lives as long as this object.
class Resource {
 public:
  class Keeper {
   public:
    virtual ~Keeper() = default;
  };

  Resource() = default;
  Resource(std::unique_ptr<Keeper> keeper, const uint8_t* data, size_t size)
      : keeper_(std::move(keeper)), data_(data), size_(size) {}
  static Resource FromBytes(std::vector<uint8_t> bytes);

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  std::unique_ptr<Keeper> keeper_;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// Names and types compare without regard to ASCII case, as on Windows.
ResourceError LoadOwnResource(const std::string& type, const std::string& name, Resource* out);
ResourceError LoadProgramResource(const std::string& program_path, const std::string& type,
                                  const std::string& name, Resource* out);

}  // namespace platform

#endif  // PLATFORM_RESOURCES_H_
