// The real firewall code against the system's firewall (Wine's, here):
// every call is made once and its result printed, so the run's output says
// what the system implements. The checks are the ones that hold on any
// system: no probe file or probe entry is left behind, and every operation
// returns without a fault.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/firewall.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/wide_text.h"
#include "updater/host/firewall.h"

namespace {

void Report(const char* call, long code, const std::string& detail = "") {
  std::printf("  %-44s 0x%08lX %s\n", call, static_cast<unsigned long>(code), detail.c_str());
  std::fflush(stdout);
}

// Hidden GUID-named files in the root of the program's drive.
int ProbeFilesInRoot(const std::string& own) {
  const std::wstring pattern = std::wstring(1, static_cast<wchar_t>(own[0])) + L":\\{*}";
  WIN32_FIND_DATAW data;
  const HANDLE h = FindFirstFileW(pattern.c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do {
    ++n;
  } while (FindNextFileW(h, &data));
  FindClose(h);
  return n;
}

// Run from a folder with Japanese characters on a Western code page too
// (firewall_wine_japanese_path): the path must come back whole, or the
// look-up and the exception are for a path with "?" in it.
TEST(FirewallWine, OwnPathIsTheModuleNameWhole) {
  auto system = platform::MakeSystemFirewall();
  wchar_t module[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH);
  ASSERT_GT(n, 0u);
  std::string own;
  ASSERT_TRUE(system->OwnPath(&own));
  EXPECT_EQ(own, platform::win32::WideToUtf8(module, n));
  EXPECT_EQ(own.find('?'), std::string::npos) << own;
  std::printf("code page %u, own path %s\n", GetACP(), own.c_str());
}

// The programs own their thread's apartment for the whole run; the
// firewall's calls nest inside it and never end it.
TEST(FirewallWine, FirewallCallsLeaveTheThreadsApartmentInPlace) {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  {
    const platform::win32::ComApartment apartment;
    ASSERT_EQ(apartment.code(), S_OK);
    auto system = platform::MakeSystemFirewall();
    host::WindowsFirewallIsOn(*system);
    bool listed = false;
    host::QueryFirewallException(*system, &listed, nullptr, host::kZantorProbeName, "");
    ASSERT_EQ(CoGetApartmentType(&type, &qualifier), S_OK);
    EXPECT_TRUE(type == APTTYPE_MAINSTA || type == APTTYPE_STA) << type;
  }
  EXPECT_EQ(CoGetApartmentType(&type, &qualifier), CO_E_NOTINITIALIZED);
}

TEST(FirewallWine, EveryCallAnswersAndNothingIsLeftBehind) {
  auto system = platform::MakeSystemFirewall();
  ASSERT_TRUE(system);
  std::string own;
  ASSERT_TRUE(system->OwnPath(&own));
  const int probes_before = ProbeFilesInRoot(own);

  std::printf("[firewall under this system]\n");
  const platform::OsVersion v = system->Version();
  Report("GetVersionExA", v.known ? 0 : 1,
         std::to_string(v.major) + "." + std::to_string(v.minor) + " SP" +
             std::to_string(v.service_pack));
  const char* service = host::FirewallServiceName(v);
  for (const char* name : {"MpsSvc", "SharedAccess"}) {
    const bool running = system->ServiceRunning(name);
    Report((std::string("ServiceRunning ") + name).c_str(), 0,
           std::string(running ? "running" : "not running") +
               (service != nullptr && std::string(service) == name ? " (the one asked)" : ""));
  }
  std::string guid;
  Report("CoCreateGuid+StringFromGUID2", system->NewGuidText(&guid) ? 0 : 1, guid);
  EXPECT_EQ(guid.size(), 38u);

  platform::FwCode code = 0;
  auto profile = system->OpenProfile(&code);
  Report("CoCreateInstance(NetFwMgr) .. CurrentProfile", code);
  if (profile) {
    bool b = false;
    code = profile->FirewallEnabled(&b);
    Report("INetFwProfile.FirewallEnabled", code, b ? "TRUE" : "FALSE");
    code = profile->ExceptionsNotAllowed(&b);
    Report("INetFwProfile.ExceptionsNotAllowed", code, b ? "TRUE" : "FALSE");
    code = profile->OpenApplications();
    Report("INetFwProfile.AuthorizedApplications", code);
    if (platform::FwSucceeded(code)) {
      std::vector<platform::FwEnumElement> elements;
      const bool enumerated = profile->Enumerate(&elements);
      Report("_NewEnum + IEnumVARIANT.Next", 0,
             enumerated ? std::to_string(elements.size()) + " element(s)" : "refused");
      const std::string probe = own.substr(0, 2) + "\\" + guid;
      code = profile->Add(probe, "VolMapTest");
      Report("CoCreateInstance(app) + Add", code);
      elements.clear();
      profile->Enumerate(&elements);
      std::string seen = "not listed";
      for (const auto& e : elements) {
        if (e.image_path.find(guid) != std::string::npos) seen = "listed as " + e.image_path;
      }
      Report("  probe after Add", 0, seen);
      bool found = false, enabled = false;
      code = profile->Item(probe, &found, &enabled);
      Report("Item + Enabled", code,
             found ? (enabled ? "found, enabled" : "found, disabled") : "not found");
      code = profile->Remove(probe);
      Report("Remove", code);
      found = false;
      profile->Item(probe, &found, nullptr);
      Report("  Item after Remove", 0, found ? "found" : "not found");
    }
    profile.reset();
  }

  std::printf("[top-level operations]\n");
  auto yes_no = [](bool b) { return std::string(b ? "true" : "false"); };
  Report("FirewallServiceRunning", 0, yes_no(host::FirewallServiceRunning(*system)));
  Report("WindowsFirewallIsOn", 0, yes_no(host::WindowsFirewallIsOn(*system)));
  Report("FirewallExceptionsAllowed", 0, yes_no(host::FirewallExceptionsAllowed(*system)));
  bool listed = false, enabled = false;
  const bool answered =
      host::QueryFirewallException(*system, &listed, &enabled, host::kZantorProbeName, "");
  Report("QueryFirewallException", 0,
         answered
             ? std::string("listed=") + (listed ? "1" : "0") + " enabled=" + (enabled ? "1" : "0")
             : "false");
  EXPECT_EQ(ProbeFilesInRoot(own), probes_before) << "a probe file was left in the root";
}

}  // namespace
