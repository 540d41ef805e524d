#include "updater/host/firewall.h"

#include <memory>

namespace host {

using platform::FirewallProfile;
using platform::FirewallSystem;
using platform::FwCode;
using platform::FwSucceeded;

namespace {

// Length in UTF-16 units, the unit of the firewall's fixed buffers.
size_t WideLength(const std::string& utf8) {
  size_t n = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++n;  // a lead byte starts a character
    if (c >= 0xF0) ++n;           // outside the basic plane: a surrogate pair
  }
  return n;
}

bool FitsPathBuffer(const std::string& text) { return WideLength(text) < kFirewallPathChars; }

// The firewall upper-cases in the C locale: ASCII letters only.
std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// "C:" of "C:\dir\file.exe"; empty for a path without a drive letter.
std::string Drive(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : std::string();
}
std::string WithoutDrive(const std::string& path) { return path.substr(Drive(path).size()); }

// Removes the probe file on every way out of the conversion.
class ProbeFile {
 public:
  explicit ProbeFile(FirewallSystem& system) : system_(system) {}
  ~ProbeFile() {
    if (!path_.empty()) system_.DeleteProbeFile(path_);
  }
  ProbeFile(const ProbeFile&) = delete;
  ProbeFile& operator=(const ProbeFile&) = delete;
  bool Create(const std::string& path) {
    if (!system_.CreateProbeFile(path)) return false;
    path_ = path;
    return true;
  }

 private:
  FirewallSystem& system_;
  std::string path_;
};

std::unique_ptr<FirewallProfile> Open(FirewallSystem& system) {
  FwCode code = platform::kFwOk;
  return system.OpenProfile(&code);
}

}  // namespace

const char* FirewallServiceName(const platform::OsVersion& v) {
  if (!v.known || v.major >= 6) return "MpsSvc";
  if (v.major < 5) return nullptr;
  if (v.minor == 0) return nullptr;                         // Windows 2000
  if (v.minor == 1 && v.service_pack < 2) return nullptr;   // XP before SP2
  if (v.minor == 2 && v.service_pack == 0) return nullptr;  // Server 2003 before SP1
  return "SharedAccess";
}

bool FirewallServiceRunning(FirewallSystem& system) {
  const char* name = FirewallServiceName(system.Version());
  return name != nullptr && system.ServiceRunning(name);
}

bool WindowsFirewallIsOn(FirewallSystem& system) {
  const auto profile = Open(system);
  bool on = false;
  return profile && FwSucceeded(profile->FirewallEnabled(&on)) && on;
}

bool FirewallExceptionsAllowed(FirewallSystem& system) {
  const auto profile = Open(system);
  bool not_allowed = true;
  return profile && FwSucceeded(profile->ExceptionsNotAllowed(&not_allowed)) && !not_allowed;
}

bool GetAuthorizedApplicationPathByKeyString(FirewallSystem& system, FirewallProfile& profile,
                                             const std::string& key, std::string* out) {
  if (!FitsPathBuffer(key)) {
    system.Trace(kKeyTooLongTrace);
    return false;
  }
  const std::string upper_key = Upper(key);
  std::vector<platform::FwEnumElement> elements;
  if (!profile.Enumerate(&elements)) return false;
  for (const platform::FwEnumElement& e : elements) {
    if (!e.is_application || !e.path_read || !FitsPathBuffer(e.image_path)) continue;
    if (Upper(e.image_path).find(upper_key) != std::string::npos) {
      *out = e.image_path;  // as stored, not upper-cased
      return true;
    }
  }
  return true;
}

bool MakeProbePath(FirewallSystem& system, FirewallProfile& profile,
                   const std::string& program_path, std::string* out) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    std::string guid;
    if (!system.NewGuidText(&guid)) return false;
    std::string holder;
    if (!GetAuthorizedApplicationPathByKeyString(system, profile, guid, &holder)) return false;
    if (!holder.empty()) continue;  // some entry already uses this GUID
    const std::string candidate = Drive(program_path) + "\\" + guid;
    switch (system.LookUpFile(candidate)) {
      case platform::FileLookup::kMissing:
        *out = candidate;
        return true;
      case platform::FileLookup::kError:
        return false;
      case platform::FileLookup::kExists:
        break;
    }
  }
  return false;
}

bool ConvertPathForFirewall(FirewallSystem& system, FirewallProfile& profile, std::string* out,
                            const std::string& program_path, const std::string& probe_name,
                            const std::string& known_path) {
  if (out == nullptr || program_path.empty() || probe_name.empty()) return false;
  if (!FwSucceeded(profile.OpenApplications())) return false;

  ProbeFile probe_file(system);
  std::string probe;
  if (!known_path.empty()) {
    probe = known_path;
    std::string stale;
    if (!GetAuthorizedApplicationPathByKeyString(system, profile, WithoutDrive(probe), &stale)) {
      return false;
    }
    if (!stale.empty()) profile.Remove(stale);
  } else {
    if (!MakeProbePath(system, profile, program_path, &probe)) return false;
    if (!probe_file.Create(probe)) return false;
  }

  const std::string key = WithoutDrive(probe);
  if (!FwSucceeded(AddAuthorizedApplication(profile, probe, probe_name))) return false;
  std::string stored;
  const bool looked_up = GetAuthorizedApplicationPathByKeyString(system, profile, key, &stored);
  // The probe entry never outlives the call: an exception for a file in a
  // drive's root that anyone may create later would be a hole in the
  // firewall. When the firewall does not show it, remove it by the path it
  // was added with.
  profile.Remove(stored.empty() ? probe : stored);
  if (!looked_up) return false;

  if (stored.empty()) {
    *out = program_path;
    return true;
  }
  if (stored[0] == '\\') return false;  // a network or device path
  const size_t slash = stored.find('\\');
  if (slash == std::string::npos || slash > 3) return false;
  const std::string converted = stored.substr(0, slash) + WithoutDrive(program_path);
  if (!FitsPathBuffer(converted)) return false;
  *out = converted;
  return true;
}

FwCode IsApplicationAuthorized(FirewallSystem& system, FirewallProfile& profile,
                               const std::string& program_path, bool* listed, bool* enabled,
                               const std::string& probe_name, const std::string& known_path) {
  const FwCode opened = profile.OpenApplications();
  if (!FwSucceeded(opened)) return opened;
  std::string converted;
  if (!ConvertPathForFirewall(system, profile, &converted, program_path, probe_name, known_path)) {
    return platform::kFwFail;
  }
  bool found = false;
  bool on = false;
  const FwCode code = profile.Item(converted, &found, enabled != nullptr ? &on : nullptr);
  if (!FwSucceeded(code)) return code;
  if (listed != nullptr) *listed = found;
  if (enabled != nullptr) *enabled = found && on;
  return code;
}

FwCode AddAuthorizedApplication(FirewallProfile& profile, const std::string& image_path,
                                const std::string& name) {
  const FwCode opened = profile.OpenApplications();
  if (!FwSucceeded(opened)) return opened;
  if (name.empty()) return platform::kFwOutOfMemory;  // an empty name cannot be allocated
  return profile.Add(image_path, name);
}

bool QueryFirewallException(FirewallSystem& system, bool* listed, bool* enabled,
                            const std::string& probe_name, const std::string& known_path) {
  std::string own;
  if (!system.OwnPath(&own)) return false;
  const std::string probe = probe_name.empty() ? std::string(kDefaultProbeName) : probe_name;
  const auto profile = Open(system);
  if (!profile) return false;
  bool is_listed = false;
  bool is_enabled = false;
  if (!FwSucceeded(IsApplicationAuthorized(system, *profile, own, &is_listed,
                                           enabled != nullptr ? &is_enabled : nullptr, probe,
                                           known_path))) {
    return false;
  }
  if (listed != nullptr) *listed = is_listed;
  if (enabled != nullptr) *enabled = is_enabled;
  return true;
}

bool AddFirewallException(FirewallSystem& system, const std::string& name) {
  std::string own;
  if (!system.OwnPath(&own)) return false;
  const auto profile = Open(system);
  return profile && FwSucceeded(AddAuthorizedApplication(*profile, own, name));
}

void OfferFirewallException(FirewallSystem* system, const std::string& exe_name,
                            const ui::TextTable& texts, ui::MainView& view) {
  if (system == nullptr) return;
  if (!FirewallServiceRunning(*system)) return;
  if (!WindowsFirewallIsOn(*system)) return;
  if (!FirewallExceptionsAllowed(*system)) return;
  bool enabled = false;
  if (!QueryFirewallException(*system, nullptr, &enabled, kZantorProbeName, std::string())) return;
  if (enabled) return;
  const std::string& caption = texts[ui::TextKey::MsgInfoCaption];
  if (view.Ask(texts[ui::TextKey::MsgFirewallRegister], caption, ui::AskKind::kQuestion,
               ui::AskButtons::kYesNo) == ui::Answer::kYes &&
      AddFirewallException(*system, exe_name)) {
    return;
  }
  view.Ask(texts[ui::TextKey::MsgFirewallBlocked], caption, ui::AskKind::kInformation,
           ui::AskButtons::kOk);
}

}  // namespace host
