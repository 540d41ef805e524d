// The host firewall as the updater's firewall offer sees it: the service,
// the current profile's switches and its list of authorized applications,
// and the few file calls the probe needs. Windows implements it with the
// firewall COM interfaces and the Service Control Manager; a system without
// that firewall has none (MakeSystemFirewall returns null). Texts are UTF-8.
#ifndef PLATFORM_FIREWALL_H_
#define PLATFORM_FIREWALL_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// HRESULT values as the firewall reports them; 0 and above is success.
using FwCode = int32_t;
constexpr FwCode kFwOk = 0;
constexpr FwCode kFwFail = static_cast<FwCode>(0x80004005u);         // E_FAIL
constexpr FwCode kFwOutOfMemory = static_cast<FwCode>(0x8007000Eu);  // E_OUTOFMEMORY
inline bool FwSucceeded(FwCode code) { return code >= 0; }

// The system version as the extended version record gives it.
struct OsVersion {
  bool known = false;  // false when the version could not be read
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t service_pack = 0;
};

// One element of the authorized-applications enumeration.
struct FwEnumElement {
  // False for elements that are not an authorized application (not a
  // dispatch object, or one without the interface): they are skipped.
  bool is_application = false;
  bool path_read = false;  // ProcessImageFileName could be read
  std::string image_path;
};

// The current profile of the firewall, valid while its session lives.
class FirewallProfile {
 public:
  virtual ~FirewallProfile() = default;
  // FirewallEnabled and ExceptionsNotAllowed; `value` is set on success.
  virtual FwCode FirewallEnabled(bool* value) = 0;
  virtual FwCode ExceptionsNotAllowed(bool* value) = 0;

  // The authorized-applications collection. Enumerate delivers every
  // element in the collection's order (false: no enumerator).
  virtual FwCode OpenApplications() = 0;
  virtual bool Enumerate(std::vector<FwEnumElement>* elements) = 0;
  // Item by image path. `found` tells whether it is listed (a failed
  // lookup counts as not listed); when it is and `enabled` is given, the
  // entry's Enabled is read, and a failed read is the returned code.
  virtual FwCode Item(const std::string& image_path, bool* found, bool* enabled) = 0;
  virtual FwCode Remove(const std::string& image_path) = 0;
  // A new authorized-application object with this image path and name,
  // everything else at its defaults, added to the collection.
  virtual FwCode Add(const std::string& image_path, const std::string& name) = 0;
};

// What the probe file needs of the file system.
enum class FileLookup { kExists, kMissing, kError };

class FirewallSystem {
 public:
  virtual ~FirewallSystem() = default;

  virtual OsVersion Version() = 0;
  // The service's current state is "running"; any failure is false.
  virtual bool ServiceRunning(const std::string& service_name) = 0;

  // One COM session on this thread with the current profile; null when COM
  // or the profile is refused. `code` gets the first failure.
  virtual std::unique_ptr<FirewallProfile> OpenProfile(FwCode* code) = 0;

  // This program's own path (the wide module name); false when it cannot
  // be read.
  virtual bool OwnPath(std::string* path) = 0;
  // A fresh GUID written in braces, as StringFromGUID2 does.
  virtual bool NewGuidText(std::string* text) = 0;
  virtual FileLookup LookUpFile(const std::string& path) = 0;
  // CREATE_NEW, hidden, empty; closed at once. False when it cannot be made.
  virtual bool CreateProbeFile(const std::string& path) = 0;
  virtual void DeleteProbeFile(const std::string& path) = 0;

  virtual void Trace(const char* text) = 0;
};

// The real firewall of this system; null where there is none.
std::unique_ptr<FirewallSystem> MakeSystemFirewall();

}  // namespace platform

#endif  // PLATFORM_FIREWALL_H_
