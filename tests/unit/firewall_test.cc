#include "updater/host/firewall.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "tests/support/fake_firewall.h"
#include "updater/ui/headless_view.h"

namespace host {
namespace {

using platform::FwCode;
using testing_support::FakeFirewall;

const char kOwn[] = "C:\\Program Files\\Kavro\\Zantor.exe";
const char kG1[] = "{11111111-1111-1111-1111-111111111111}";
const char kG2[] = "{22222222-2222-2222-2222-222222222222}";

bool Logged(const FakeFirewall& fw, const std::string& line) {
  return std::find(fw.log.begin(), fw.log.end(), line) != fw.log.end();
}

TEST(Firewall, ServiceNameByVersion) {
  struct Case {
    platform::OsVersion v;
    const char* name;
  } cases[] = {
      {{true, 4, 0, 6}, nullptr},        {{true, 5, 0, 4}, nullptr},
      {{true, 5, 1, 1}, nullptr},        {{true, 5, 1, 2}, "SharedAccess"},
      {{true, 5, 2, 0}, nullptr},        {{true, 5, 2, 1}, "SharedAccess"},
      {{true, 5, 3, 0}, "SharedAccess"}, {{true, 6, 0, 0}, "MpsSvc"},
      {{true, 10, 0, 0}, "MpsSvc"},      {{false, 0, 0, 0}, "MpsSvc"},
  };
  for (const Case& c : cases) {
    const char* got = FirewallServiceName(c.v);
    EXPECT_EQ(got == nullptr ? "none" : got, std::string(c.name == nullptr ? "none" : c.name))
        << c.v.major << "." << c.v.minor << " SP" << c.v.service_pack;
  }
  FakeFirewall fw;
  fw.version = {true, 5, 1, 3};
  fw.services = {{"MpsSvc", true}, {"SharedAccess", false}};
  EXPECT_FALSE(FirewallServiceRunning(fw));  // asks the XP service, not the newer one
  fw.services["SharedAccess"] = true;
  EXPECT_TRUE(FirewallServiceRunning(fw));
  fw.version = {true, 5, 1, 1};
  fw.log.clear();
  EXPECT_FALSE(FirewallServiceRunning(fw));
  EXPECT_TRUE(fw.log.empty());  // no service is asked about at all
}

TEST(Firewall, SwitchesReadFromTheProfile) {
  struct Case {
    bool com, enabled, not_allowed;
    platform::FwCode read;
    bool on, allowed;
  } cases[] = {
      {true, true, false, platform::kFwOk, true, true},
      {true, false, true, platform::kFwOk, false, false},
      {true, true, false, platform::kFwFail, false, false},  // failed reads count as no
      {false, true, false, platform::kFwOk, false, false},   // COM refused
  };
  for (const Case& c : cases) {
    FakeFirewall fw;
    fw.com_ok = c.com;
    fw.firewall_enabled = c.enabled;
    fw.exceptions_not_allowed = c.not_allowed;
    fw.switch_read_code = c.read;
    EXPECT_EQ(WindowsFirewallIsOn(fw), c.on);
    EXPECT_EQ(FirewallExceptionsAllowed(fw), c.allowed);
    EXPECT_EQ(fw.sessions_open, 0);
  }
}

// The whole query over firewalls that store, hide and refuse things.
TEST(Firewall, QueryOverEveryKindOfFirewall) {
  struct Case {
    const char* what;
    std::function<void(FakeFirewall&)> setup;
    bool answered, listed, enabled;
    const char* probe_created;  // the probe file this run made, or ""
  } cases[] = {
      {"listed and enabled, probe kept on its drive",
       [](FakeFirewall& f) {
         f.apps.push_back({kOwn, "Zantor", true});
       },
       true, true, true, "C:\\{00000000-0000-0000-0000-000000000001}"},
      {"not listed", [](FakeFirewall&) {}, true, false, false,
       "C:\\{00000000-0000-0000-0000-000000000001}"},
      {"listed but disabled",
       [](FakeFirewall& f) {
         f.apps.push_back({kOwn, "Zantor", false});
       },
       true, true, false, "C:\\{00000000-0000-0000-0000-000000000001}"},
      {"probe stored under E:, program listed under E:",
       [](FakeFirewall& f) {
         f.store_probe_drive = "E:";
         f.apps.push_back({"E:\\Program Files\\Kavro\\Zantor.exe", "Zantor", true});
       },
       true, true, true, "C:\\{00000000-0000-0000-0000-000000000001}"},
      {"probe stored under E:, program listed under C: only",
       [](FakeFirewall& f) {
         f.store_probe_drive = "E:";
         f.apps.push_back({kOwn, "Zantor", true});
       },
       true, false, false, "C:\\{00000000-0000-0000-0000-000000000001}"},
      {"probe hidden: program path used as it is",
       [](FakeFirewall& f) {
         f.hide_probe = true;
         f.apps.push_back({kOwn, "Zantor", true});
       },
       true, true, true, "C:\\{00000000-0000-0000-0000-000000000001}"},
      {"first GUID already held by an entry",
       [](FakeFirewall& f) {
         f.guids = {kG1, kG2};
         f.apps.push_back({std::string("D:\\Tools\\") + kG1 + ".exe", "x", true});
       },
       true, false, false, "C:\\{22222222-2222-2222-2222-222222222222}"},
      {"held GUID found whatever its case",
       [](FakeFirewall& f) {
         f.guids = {"{abcdef00-1111-1111-1111-111111111111}", kG2};
         f.apps.push_back({"D:\\{ABCDEF00-1111-1111-1111-111111111111}", "x", true});
       },
       true, false, false, "C:\\{22222222-2222-2222-2222-222222222222}"},
      {"first GUID's file already exists",
       [](FakeFirewall& f) {
         f.guids = {kG1, kG2};
         f.files.insert(std::string("C:\\") + kG1);
       },
       true, false, false, "C:\\{22222222-2222-2222-2222-222222222222}"},
      {"every one of ten GUIDs held",
       [](FakeFirewall& f) {
         for (int i = 1; i <= 10; ++i) {
           f.apps.push_back({"D:\\{00000000-0000-0000-0000-" +
                                 std::string(12 - std::to_string(i).size(), '0') +
                                 std::to_string(i) + "}",
                             "x", true});
         }
       },
       false, false, false, ""},
      {"probe file refused (no write access to the root)",
       [](FakeFirewall& f) { f.refuse_probe_file = true; }, false, false, false, ""},
      {"probe file lookup fails",
       [](FakeFirewall& f) {
         f.guids = {kG1};
         f.unreadable_files.insert(std::string("C:\\") + kG1);
       },
       false, false, false, ""},
      {"probe addition refused", [](FakeFirewall& f) { f.refuse_probe_add = true; }, false, false,
       false, "C:\\{00000000-0000-0000-0000-000000000001}"},
      {"probe stored as a network path",
       [](FakeFirewall& f) { f.store_probe_drive = "\\\\server\\share"; }, false, false, false,
       "C:\\{00000000-0000-0000-0000-000000000001}"},
      {"probe stored with a prefix of four characters",
       [](FakeFirewall& f) { f.store_probe_drive = "ABCD:"; }, false, false, false,
       "C:\\{00000000-0000-0000-0000-000000000001}"},
      {"enumeration refused", [](FakeFirewall& f) { f.enumerate_ok = false; }, false, false, false,
       ""},
      {"COM refused", [](FakeFirewall& f) { f.com_ok = false; }, false, false, false, ""},
      {"own path unreadable", [](FakeFirewall& f) { f.own_path_ok = false; }, false, false, false,
       ""},
      {"Enabled cannot be read",
       [](FakeFirewall& f) {
         f.apps.push_back({kOwn, "Zantor", true});
         f.enabled_read_code = platform::kFwFail;
       },
       false, false, false, "C:\\{00000000-0000-0000-0000-000000000001}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeFirewall fw;
    c.setup(fw);
    const std::set<std::string> files_before = fw.files;
    const size_t apps_before = fw.apps.size();
    bool listed = false, enabled = false;
    const bool answered = QueryFirewallException(fw, &listed, &enabled, kZantorProbeName, "");
    EXPECT_EQ(answered, c.answered);
    if (answered) {
      EXPECT_EQ(listed, c.listed);
      EXPECT_EQ(enabled, c.enabled);
    }
    // Whatever happened, the probe leaves nothing behind: no file, no entry.
    EXPECT_EQ(fw.files, files_before);
    EXPECT_EQ(fw.apps.size(), apps_before);
    EXPECT_EQ(fw.sessions_open, 0);
    const std::string created = c.probe_created;
    EXPECT_EQ(Logged(fw, "create " + created), !created.empty());
    if (!created.empty() && !fw.refuse_probe_file) {
      EXPECT_TRUE(Logged(fw, "delete " + created));
      if (!fw.refuse_probe_add) {
        EXPECT_TRUE(Logged(fw, "add " + created + " as ZantorL_VolMap"));
      }
    }
  }
}

TEST(Firewall, OutputsUntouchedUnlessAnsweredAndDefaultProbeName) {
  FakeFirewall fw;
  fw.refuse_probe_file = true;
  bool listed = true, enabled = true;
  EXPECT_FALSE(QueryFirewallException(fw, &listed, &enabled, "", ""));
  EXPECT_TRUE(listed);
  EXPECT_TRUE(enabled);

  FakeFirewall plain;
  EXPECT_TRUE(QueryFirewallException(plain, nullptr, nullptr, "", ""));
  EXPECT_TRUE(Logged(plain, "add C:\\{00000000-0000-0000-0000-000000000001} as VolMapTest"));
}

TEST(Firewall, KnownPathReplacesTheProbeFileAndItsStaleEntry) {
  FakeFirewall fw;
  fw.apps.push_back({"E:\\Probe\\known.exe", "old probe", true});
  fw.apps.push_back({"D:\\Program Files\\Kavro\\Zantor.exe", "Zantor", true});
  bool listed = false;
  ASSERT_TRUE(QueryFirewallException(fw, &listed, nullptr, "", "D:\\Probe\\known.exe"));
  EXPECT_TRUE(listed);
  EXPECT_TRUE(Logged(fw, "remove E:\\Probe\\known.exe"));  // the stale entry
  EXPECT_TRUE(Logged(fw, "add D:\\Probe\\known.exe as VolMapTest"));
  EXPECT_TRUE(Logged(fw, "remove D:\\Probe\\known.exe"));  // and its own entry again
  EXPECT_EQ(fw.apps.size(), 1u);
  for (const std::string& line : fw.log) {
    EXPECT_NE(line.rfind("create", 0), 0u) << line;  // a known path makes no file
    EXPECT_NE(line.rfind("delete", 0), 0u) << line;
  }
}

TEST(Firewall, KeySearchLimitsAndTrace) {
  FakeFirewall fw;
  const std::string long_path = "C:\\" + std::string(252, 'x') + "\\KEY.exe";  // 264 characters
  fw.apps.push_back({long_path, "too long to read", true});
  fw.apps.push_back({"c:\\tools\\key.exe", "short", true});
  FwCode code = platform::kFwOk;
  auto profile = fw.OpenProfile(&code);
  std::string out = "untouched";
  // The over-long entry is skipped; the match is returned as stored.
  ASSERT_TRUE(GetAuthorizedApplicationPathByKeyString(fw, *profile, "\\KEY.EXE", &out));
  EXPECT_EQ(out, "c:\\tools\\key.exe");
  out = "untouched";
  ASSERT_TRUE(GetAuthorizedApplicationPathByKeyString(fw, *profile, "absent", &out));
  EXPECT_EQ(out, "untouched");
  // 259 characters fit the buffer with its terminator; 260 do not.
  EXPECT_TRUE(GetAuthorizedApplicationPathByKeyString(fw, *profile, std::string(259, 'k'), &out));
  EXPECT_TRUE(fw.traces.empty());
  EXPECT_FALSE(GetAuthorizedApplicationPathByKeyString(fw, *profile, std::string(260, 'k'), &out));
  ASSERT_EQ(fw.traces.size(), 1u);
  EXPECT_EQ(fw.traces[0], kKeyTooLongTrace);
  // Characters, not bytes: 200 two-byte characters are 200.
  std::string wide;
  for (int i = 0; i < 200; ++i) wide += "\xC3\xA9";
  EXPECT_TRUE(GetAuthorizedApplicationPathByKeyString(fw, *profile, wide, &out));
}

TEST(Firewall, AddUsesTheOwnPathUnconverted) {
  struct Case {
    const char* name;
    bool refuse;
    bool added;
  } cases[] = {
      {"Zantor_L04V512", false, true}, {"", false, false}, {"Zantor_L04V512", true, false}};
  for (const Case& c : cases) {
    FakeFirewall fw;
    fw.store_probe_drive = "E:";
    fw.refuse_program_add = c.refuse;
    EXPECT_EQ(AddFirewallException(fw, c.name), c.added) << c.name;
    EXPECT_EQ(fw.Find(kOwn) != nullptr, c.added);
    EXPECT_EQ(fw.sessions_open, 0);
  }
}

TEST(Firewall, OfferAsksOnlyWhenItCanHelp) {
  ui::TextTable texts;
  texts.FillEnglish("QJ-L04", "Ver.5.12");
  const std::string reg = texts[ui::TextKey::MsgFirewallRegister];
  const std::string blocked = texts[ui::TextKey::MsgFirewallBlocked];
  struct Case {
    const char* what;
    std::function<void(FakeFirewall&)> setup;
    std::vector<ui::Answer> answers;
    std::vector<std::string> asked;
    bool added;
  } cases[] = {
      {"service stopped", [](FakeFirewall& f) { f.services["MpsSvc"] = false; }, {}, {}, false},
      {"firewall off", [](FakeFirewall& f) { f.firewall_enabled = false; }, {}, {}, false},
      {"no exceptions", [](FakeFirewall& f) { f.exceptions_not_allowed = true; }, {}, {}, false},
      {"query fails", [](FakeFirewall& f) { f.refuse_probe_file = true; }, {}, {}, false},
      {"already enabled",
       [](FakeFirewall& f) {
         f.apps.push_back({kOwn, "Zantor", true});
       },
       {},
       {},
       false},
      {"declined", [](FakeFirewall&) {}, {ui::Answer::kNo}, {reg, blocked}, false},
      {"accepted", [](FakeFirewall&) {}, {ui::Answer::kYes}, {reg}, true},
      {"accepted, listed but disabled",
       [](FakeFirewall& f) {
         f.apps.push_back({kOwn, "Zantor", false});
       },
       {ui::Answer::kYes},
       {reg},
       true},
      {"accepted but refused",
       [](FakeFirewall& f) { f.refuse_program_add = true; },
       {ui::Answer::kYes},
       {reg, blocked},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeFirewall fw;
    c.setup(fw);
    ui::HeadlessView view;
    view.answers.assign(c.answers.begin(), c.answers.end());
    OfferFirewallException(&fw, "Zantor_L04V512", texts, view);
    std::vector<std::string> asked;
    for (const auto& q : view.questions) {
      asked.push_back(q.text);
      EXPECT_EQ(q.caption, texts[ui::TextKey::MsgInfoCaption]);
      EXPECT_EQ(q.icon, q.text == reg ? ui::AskKind::kQuestion : ui::AskKind::kInformation);
      EXPECT_EQ(q.buttons, q.text == reg ? ui::AskButtons::kYesNo : ui::AskButtons::kOk);
    }
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(std::count_if(fw.apps.begin(), fw.apps.end(),
                            [](const FakeFirewall::App& a) { return a.name == "Zantor_L04V512"; }),
              c.added ? 1 : 0);
  }
  ui::HeadlessView view;
  OfferFirewallException(nullptr, "Zantor_L04V512", texts, view);  // no firewall here
  EXPECT_TRUE(view.questions.empty());
}

}  // namespace
}  // namespace host
