// A firewall in memory for the firewall offer's tests: a service table, a
// profile with its switches, a list of authorized applications, and a file
// system of probe files. Faults and storage quirks are switched on by
// fields; every call that changes something is recorded in `log`.
#ifndef TESTS_SUPPORT_FAKE_FIREWALL_H_
#define TESTS_SUPPORT_FAKE_FIREWALL_H_

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/firewall.h"

namespace testing_support {

class FakeFirewall : public platform::FirewallSystem {
 public:
  struct App {
    std::string path;  // as stored
    std::string name;
    bool enabled = true;
    bool hidden = false;  // held, but not delivered by the enumeration
  };

  // System.
  platform::OsVersion version{true, 10, 0, 0};
  std::map<std::string, bool> services{{"MpsSvc", true}};
  std::string own_path = "C:\\Program Files\\Kavro\\Zantor.exe";
  bool own_path_ok = true;
  std::deque<std::string> guids;  // handed out in order; then generated
  bool guid_ok = true;
  std::set<std::string> files;             // existing files, by path
  std::set<std::string> unreadable_files;  // lookups of these fail
  bool refuse_probe_file = false;

  // Session and profile.
  bool com_ok = true;
  bool firewall_enabled = true;
  bool exceptions_not_allowed = false;
  platform::FwCode switch_read_code = platform::kFwOk;
  platform::FwCode enabled_read_code = platform::kFwOk;
  bool enumerate_ok = true;
  std::vector<App> apps;

  // How the firewall stores a probe (a path in a drive's root):
  std::string store_probe_drive;  // "" keeps the drive, "E:" writes this one
  bool hide_probe = false;        // stored, but not delivered by the enumeration
  bool refuse_probe_add = false;  // Add of a probe fails
  bool refuse_program_add = false;

  // Recorded.
  std::vector<std::string> log;
  std::vector<std::string> traces;
  int sessions_open = 0;
  int enumerations = 0;

  // State after a run.
  bool HasProbeEntry() const;
  bool HasProbeFile() const;
  const App* Find(const std::string& path) const;

  platform::OsVersion Version() override { return version; }
  bool ServiceRunning(const std::string& name) override;
  std::unique_ptr<platform::FirewallProfile> OpenProfile(platform::FwCode* code) override;
  bool OwnPath(std::string* path) override;
  bool NewGuidText(std::string* text) override;
  platform::FileLookup LookUpFile(const std::string& path) override;
  bool CreateProbeFile(const std::string& path) override;
  void DeleteProbeFile(const std::string& path) override;
  void Trace(const char* text) override { traces.push_back(text); }

 private:
  friend class FakeProfile;
  int next_guid_ = 0;
};

}  // namespace testing_support

#endif  // TESTS_SUPPORT_FAKE_FIREWALL_H_
