#include "platform/resources.h"

#include <windows.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

class DataModule final : public Resource::Keeper {
 public:
  explicit DataModule(HMODULE module) : module_(module) {}
  HMODULE get() const { return module_.get(); }

 private:
  win32::UniqueModule module_;
};

// The table of a damaged file may name data beyond what was mapped; the
// whole range must lie in committed, readable memory before anyone reads it.
bool Readable(const void* data, size_t size) {
  MEMORY_BASIC_INFORMATION info{};
  if (VirtualQuery(data, &info, sizeof info) != sizeof info || info.State != MEM_COMMIT ||
      (info.Protect & (PAGE_NOACCESS | PAGE_GUARD)) != 0) {
    return false;
  }
  const auto begin = reinterpret_cast<uintptr_t>(data);
  const uintptr_t region_end = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
  return begin <= region_end && size <= region_end - begin;
}

ResourceError Find(HMODULE module, const std::string& type, const std::string& name,
                   const uint8_t** data, size_t* size) {
  HRSRC found =
      FindResourceW(module, win32::Utf8ToWide(name).c_str(), win32::Utf8ToWide(type).c_str());
  if (found == nullptr) {
    const DWORD error = GetLastError();
    if (error == ERROR_RESOURCE_DATA_NOT_FOUND) return ResourceError::kNoResources;
    if (error == ERROR_RESOURCE_TYPE_NOT_FOUND || error == ERROR_RESOURCE_NAME_NOT_FOUND ||
        error == ERROR_RESOURCE_LANG_NOT_FOUND) {
      return ResourceError::kNotFound;
    }
    return ResourceError::kDamaged;
  }
  const DWORD length = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const void* locked = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (locked == nullptr) return ResourceError::kReadFailed;
  if (length != 0 && !Readable(locked, length)) return ResourceError::kDamaged;
  *data = static_cast<const uint8_t*>(locked);
  *size = length;
  return ResourceError::kNone;
}

}  // namespace

ResourceError LoadOwnResource(const std::string& type, const std::string& name, Resource* out) {
  const uint8_t* data = nullptr;
  size_t size = 0;
  // The program's own image stays mapped for the life of the process.
  const ResourceError error = Find(nullptr, type, name, &data, &size);
  if (error == ResourceError::kNone) *out = Resource(nullptr, data, size);
  return error;
}

ResourceError LoadProgramResource(const std::string& program_path, const std::string& type,
                                  const std::string& name, Resource* out) {
  // Mapped as an image, so a truncated or malformed file is refused here
  // rather than read past its end; nothing in it runs.
  HMODULE module = LoadLibraryExW(win32::Utf8ToWide(program_path).c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (module == nullptr) return ResourceError::kProgramNotOpened;
  auto keeper = std::make_unique<DataModule>(module);
  const uint8_t* data = nullptr;
  size_t size = 0;
  const ResourceError error = Find(keeper->get(), type, name, &data, &size);
  if (error == ResourceError::kNone) *out = Resource(std::move(keeper), data, size);
  return error;
}

}  // namespace platform
