// The dialogs' rules without a window: address-list lines, the octet boxes,
// which board the web command opens, the about texts, and adding boards by
// hand into a running main window.
#include <gtest/gtest.h>

#include "tests/support/form_harness.h"
#include "updater/ui/dialog_texts.h"
#include "updater/ui/import_rules.h"
#include "updater/ui/manual_address.h"
#include "updater/ui/web_command.h"

namespace ui {
namespace {

using protocol::TDevice;
using testing_support::FormHarness;

TEST(DialogRules, ImportLines) {
  struct Case {
    const char* line;
    const char* address;  // null: the line is ignored
  } cases[] = {
      {"192.168.1.10", "192.168.1.10"},
      {"192.168.001.010", "192.168.1.10"},  // leading zeros dropped
      {"0.0.0.0", "0.0.0.0"},
      {"255.255.255.255", "255.255.255.255"},
      {"...", "0.0.0.0"},  // empty parts are 0
      {"10..0.1", "10.0.0.1"},
      {"10.0.0.256", nullptr},  // a part above 255
      {"256.0.0.1", nullptr},
      {"10.0.0", nullptr},      // two dots
      {"10.0.0.1.2", nullptr},  // four dots
      {"10.0.0.1 ", nullptr},   // a blank
      {" 10.0.0.1", nullptr},
      {"10.0.0.-1", nullptr},
      {"10.0.0.1\t", nullptr},
      {"0x0A.0.0.1", nullptr},
      {"", nullptr},
      {"10.0.0.000000000000000001", "10.0.0.1"},  // 25 characters: still read
      {"10.0.0.0000000000000000001", nullptr},    // 26 characters: skipped
      {"1.1.1.99999999999999999999", nullptr},    // no overflow into range
      {"1.1.1.4294967297", nullptr},
      {"１.1.1.1", nullptr},  // a full-width digit
      {"10.0.0.1\xEF\xBC\x8E", nullptr},
  };
  for (const Case& c : cases) {
    std::string address = "untouched";
    const bool valid = ImportLineAddress(c.line, &address);
    EXPECT_EQ(valid, c.address != nullptr) << "'" << c.line << "'";
    EXPECT_EQ(address, c.address != nullptr ? c.address : "untouched") << c.line;
  }
  // Characters, not bytes: 25 non-ASCII characters are not skipped by
  // length (they fail as non-digits), 12 two-byte ones are not "too long".
  EXPECT_EQ(Utf16Length("éééééééééééé"), 12u);
  EXPECT_EQ(Utf16Length("\xF0\x9F\x98\x80"), 2u);  // a surrogate pair
}

TEST(DialogRules, IpBoxes) {
  struct Norm {
    const char* typed;
    const char* shown;
  } norms[] = {{"300", "255"}, {"007", "7"},   {"", "0"},    {"0", "0"},   {"255", "255"},
               {"256", "255"}, {"999", "255"}, {"10", "10"}, {"000", "0"}, {"1a2", "12"}};
  for (const Norm& n : norms) EXPECT_EQ(NormaliseIpBox(n.typed), n.shown) << n.typed;

  struct Key {
    int code;
    bool accepted;
  } keys[] = {{'0', true},  {'9', true},  {8, true},    {1, true},      {31, true},
              {27, true},   {0, false},   {' ', false}, {'.', false},   {'a', false},
              {127, false}, {'/', false}, {':', false}, {0x0660, false}};
  for (const Key& k : keys) EXPECT_EQ(IpBoxAcceptsChar(k.code), k.accepted) << k.code;

  EXPECT_EQ(JoinIpBoxes({"192", "168", "0", "7"}), "192.168.0.7");
}

TEST(DialogRules, WebCommandChoosesTheBoard) {
  TDevice a = TDevice::ForTypedAddress("10.0.0.1");
  TDevice b = TDevice::ForTypedAddress("10.0.0.2");
  TDevice c = TDevice::ForTypedAddress("10.0.0.3");
  TDevice w02 = TDevice::ForTypedAddress("10.0.0.4");
  w02.category = protocol::category::kQJW02;
  TDevice unknown = TDevice::ForTypedAddress("10.0.0.5");
  unknown.identified = false;
  TDevice hostile = TDevice::ForTypedAddress("10.0.0.6\" & calc");
  struct Case {
    const char* what;
    std::vector<ListedRow> rows;
    const char* button;  // what the web-browser command opens ("" nothing)
    const char* dblclick;
  } cases[] = {
      {"selected row wins over ticks",
       {{&a, true, false}, {&b, false, true}},
       "http://10.0.0.2/",
       "http://10.0.0.2/"},
      {"nothing selected: first ticked in list order",
       {{&a, false, false}, {&b, true, false}, {&c, true, false}},
       "http://10.0.0.2/",
       ""},
      {"nothing selected or ticked", {{&a, false, false}, {&b, false, false}}, "", ""},
      {"selected row without a record falls back to a ticked one",
       {{nullptr, false, true}, {&c, true, false}},
       "http://10.0.0.3/",
       ""},
      {"selected QJ-W02: nothing, no fallback", {{&w02, false, true}, {&a, true, false}}, "", ""},
      {"first ticked is unidentified: nothing",
       {{&unknown, true, false}, {&a, true, false}},
       "",
       ""},
      {"an address that is no IPv4 text never reaches the shell", {{&hostile, true, true}}, "", ""},
      {"empty list", {}, "", ""},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(WebPageUrl(WebConfigTarget(k.rows)), k.button) << k.what;
    EXPECT_EQ(WebPageUrl(DoubleClickTarget(k.rows)), k.dblclick) << k.what;
  }
}

TEST(DialogRules, AboutAndAdapterTexts) {
  update::Settings s;
  s.exeName = "Zantor_L04V512";
  s.prgVersion = "5.12.0.0";
  s.prgDateE = "Dec 9, 2026";
  s.prgDateJ = "2026年12月9日";
  s.copyright = "(C) KAVRO";
  struct Case {
    Language language;
    AboutTexts about;
    AdapterDialogTexts adapter;
    const char* info_caption;
  } cases[] = {
      {Language::English,
       {"About Zantor_L04V512", "Zantor_L04V512", "QJ-L04 Firmware update tool",
        "Program Version 5.12.0.0", "Program Build Dec 9, 2026", "(C) KAVRO"},
       {"Adapter Selection", "Device", "IP Address"},
       "Information"},
      {Language::Japanese,
       {"バージョン情報", "Zantor_L04V512", "QJ-L04ファームウェア アップデートツール",
        "プログラムバージョン 5.12.0.0", "プログラム更新日 2026年12月9日", "(C) KAVRO"},
       {"アダプターの選択", "デバイス", "IP アドレス"},
       "情報"},
  };
  for (const Case& c : cases) {
    const AboutTexts t = MakeAboutTexts(c.language, s, "QJ-L04");
    EXPECT_EQ(t.caption, c.about.caption);
    EXPECT_EQ(t.exe_name, c.about.exe_name);
    EXPECT_EQ(t.tool_name, c.about.tool_name);
    EXPECT_EQ(t.tool_version, c.about.tool_version);
    EXPECT_EQ(t.tool_build, c.about.tool_build);
    EXPECT_EQ(t.copyright, c.about.copyright);
    const AdapterDialogTexts a = AdapterTexts(c.language);
    EXPECT_EQ(a.caption, c.adapter.caption);
    EXPECT_EQ(a.device_column, c.adapter.device_column);
    EXPECT_EQ(a.address_column, c.adapter.address_column);
    const InformationBox box = HiddenInformation(c.language);
    EXPECT_EQ(box.caption, c.info_caption);
    EXPECT_EQ(box.text.rfind("Zantor\n\n", 0), 0u);
    EXPECT_GT(box.text.size(), 8u);  // a credit line follows
  }
  DoubleClickCounter counter;
  std::vector<int> shown_at;
  for (int i = 1; i <= 25; ++i) {
    if (counter.Click()) shown_at.push_back(i);
  }
  EXPECT_EQ(shown_at, (std::vector<int>{10, 20}));
  EXPECT_EQ(counter.count(), 5);
}

// Typed and imported addresses in a window that has found one board.
TEST(DialogRules, AddManualAddressIntoTheWindow) {
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::vector<std::string> queries;  // info queries sent, in order
    bool updating;
  } cases[] = {
      {"a new address", {"10.213.0.50"}, {"info 10.213.0.50"}, false},
      {"file edge cases: only the valid line",
       {"192.168.001.010", "10.0.0.256", "10.0.0", "10.0.0.1.2", "10.0.0.0000000000000000001"},
       {"info 192.168.1.10"},
       false},
      {"twice in one file, and once zero-padded",
       {"10.213.0.51", "10.213.0.51", "010.213.000.051"},
       {"info 10.213.0.51"},
       false},
      {"already there (typed before)", {"10.213.0.40"}, {}, false},
      {"while an update runs", {"10.213.0.52"}, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FormHarness h;
    h.form.FormShow(1033);
    h.loop.ProcessPending();
    h.Select(fixed_text::kNodeQJL04Wired);
    ASSERT_NE(AddManualAddress(h.form, "10.213.0.40"), nullptr);
    h.loop.ProcessPending();
    const size_t records = h.form.devices().size();
    const size_t rows = h.view.rows.size();
    h.ClearSent();
    h.form.set_updating(c.updating);
    const int added = ImportAddressLines(h.form, c.lines);
    h.form.set_updating(false);
    h.loop.ProcessPending();
    EXPECT_EQ(h.Sent(), c.queries);
    EXPECT_EQ(added, static_cast<int>(c.queries.size()));
    EXPECT_EQ(h.form.devices().size(), records + c.queries.size());
    EXPECT_EQ(h.view.rows.size(), rows + c.queries.size());
    for (const std::string& q : c.queries) {
      const TDevice* d = h.Device(q.substr(5));
      ASSERT_NE(d, nullptr);
      EXPECT_TRUE(d->wanted && d->identified && d->ready);
      EXPECT_EQ(d->category, protocol::category::kQJL04Wired);
      EXPECT_TRUE(d->mac.empty() && d->version.empty() && d->typeCode.empty());
      const RowRef row = h.view.RowOf(d->address);
      ASSERT_NE(row, kNoRow);
      EXPECT_TRUE(h.view.rows[row].checked);
    }
  }
}

}  // namespace
}  // namespace ui
