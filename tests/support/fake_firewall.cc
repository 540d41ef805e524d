#include "tests/support/fake_firewall.h"

#include <algorithm>
#include <cstdio>

namespace testing_support {

using platform::FwCode;
using platform::kFwFail;
using platform::kFwOk;

namespace {

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
  return s;
}

// A probe lives in a drive's root and is named by a GUID: "X:\{...}".
bool IsProbePath(const std::string& path) {
  const size_t brace = path.find("\\{");
  return brace != std::string::npos && path.find('\\', brace + 1) == std::string::npos;
}

}  // namespace

class FakeProfile : public platform::FirewallProfile {
 public:
  explicit FakeProfile(FakeFirewall& fw) : fw_(fw) { ++fw_.sessions_open; }
  ~FakeProfile() override { --fw_.sessions_open; }

  FwCode FirewallEnabled(bool* value) override {
    if (fw_.switch_read_code < 0) return fw_.switch_read_code;
    *value = fw_.firewall_enabled;
    return kFwOk;
  }
  FwCode ExceptionsNotAllowed(bool* value) override {
    if (fw_.switch_read_code < 0) return fw_.switch_read_code;
    *value = fw_.exceptions_not_allowed;
    return kFwOk;
  }
  FwCode OpenApplications() override { return kFwOk; }
  bool Enumerate(std::vector<platform::FwEnumElement>* elements) override {
    ++fw_.enumerations;
    if (!fw_.enumerate_ok) return false;
    elements->clear();
    // A foreign object in the collection is skipped by the reader.
    elements->push_back(platform::FwEnumElement{false, false, "C:\\{NOT-AN-APP}"});
    for (const FakeFirewall::App& a : fw_.apps) {
      if (!a.hidden) elements->push_back(platform::FwEnumElement{true, true, a.path});
    }
    return true;
  }
  FwCode Item(const std::string& path, bool* found, bool* enabled) override {
    const FakeFirewall::App* app = fw_.Find(path);
    *found = app != nullptr;
    if (app == nullptr || enabled == nullptr) return kFwOk;
    if (fw_.enabled_read_code < 0) return fw_.enabled_read_code;
    *enabled = app->enabled;
    return kFwOk;
  }
  FwCode Remove(const std::string& path) override {
    fw_.log.push_back("remove " + path);
    const auto it = std::find_if(fw_.apps.begin(), fw_.apps.end(), [&](const FakeFirewall::App& a) {
      return Upper(a.path) == Upper(path);
    });
    if (it == fw_.apps.end()) return kFwFail;
    fw_.apps.erase(it);
    return kFwOk;
  }
  FwCode Add(const std::string& path, const std::string& name) override {
    fw_.log.push_back("add " + path + " as " + name);
    FakeFirewall::App app{path, name, true, false};
    if (IsProbePath(path)) {
      if (fw_.refuse_probe_add) return kFwFail;
      if (!fw_.store_probe_drive.empty() && path.size() >= 2 && path[1] == ':') {
        app.path = fw_.store_probe_drive + path.substr(2);
      }
      app.hidden = fw_.hide_probe;
    } else if (fw_.refuse_program_add) {
      return static_cast<FwCode>(0x80070005u);  // E_ACCESSDENIED
    }
    fw_.apps.push_back(app);
    return kFwOk;
  }

 private:
  FakeFirewall& fw_;
};

bool FakeFirewall::ServiceRunning(const std::string& name) {
  log.push_back("service " + name);
  const auto it = services.find(name);
  return it != services.end() && it->second;
}

std::unique_ptr<platform::FirewallProfile> FakeFirewall::OpenProfile(FwCode* code) {
  if (!com_ok) {
    *code = kFwFail;
    return nullptr;
  }
  return std::make_unique<FakeProfile>(*this);
}

bool FakeFirewall::OwnPath(std::string* path) {
  if (!own_path_ok) return false;
  *path = own_path;
  return true;
}

bool FakeFirewall::NewGuidText(std::string* text) {
  if (!guid_ok) return false;
  if (!guids.empty()) {
    *text = guids.front();
    guids.pop_front();
    return true;
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "{00000000-0000-0000-0000-%012d}", ++next_guid_);
  *text = buffer;
  return true;
}

platform::FileLookup FakeFirewall::LookUpFile(const std::string& path) {
  if (unreadable_files.count(path) != 0) return platform::FileLookup::kError;
  return files.count(path) != 0 ? platform::FileLookup::kExists : platform::FileLookup::kMissing;
}

bool FakeFirewall::CreateProbeFile(const std::string& path) {
  log.push_back("create " + path);
  if (refuse_probe_file || files.count(path) != 0) return false;
  files.insert(path);
  return true;
}

void FakeFirewall::DeleteProbeFile(const std::string& path) {
  log.push_back("delete " + path);
  files.erase(path);
}

bool FakeFirewall::HasProbeEntry() const {
  return std::any_of(apps.begin(), apps.end(), [](const App& a) { return IsProbePath(a.path); });
}

bool FakeFirewall::HasProbeFile() const {
  return std::any_of(files.begin(), files.end(), IsProbePath);
}

const FakeFirewall::App* FakeFirewall::Find(const std::string& path) const {
  for (const App& a : apps) {
    if (Upper(a.path) == Upper(path)) return &a;
  }
  return nullptr;
}

}  // namespace testing_support
