// The dialog commands in a running main window, with dialogs that answer
// from a script: what each command adds, binds, refreshes or opens, and
// that nothing happens while an update runs.
#include "updater/ui/dialog_commands.h"

#include <gtest/gtest.h>

#include "tests/support/form_harness.h"

namespace ui {
namespace {

using testing_support::FormHarness;

struct ScriptedDialogs final : DialogView {
  std::vector<std::string> shown;
  // Adapter dialog: the rows chosen, then OK or the close box.
  std::vector<std::string> pick;
  bool adapter_ok = false;
  // Typed address and import file; empty means Cancel.
  std::string typed, file;
  RowRef selected = kNoRow;
  std::vector<std::string> opened;
  AboutTexts about;

  void ShowAdapterDialog(Language language, AdapterDialogEvents& events) override {
    shown.push_back("adapter " + AdapterTexts(language).caption);
    for (const std::string& a : pick) events.AdapterListSelectItem(a);
    if (adapter_ok) events.AdapterOkClick();
  }
  bool ShowIpEditDialog(std::string* address) override {
    shown.push_back("ipedit");
    *address = typed;
    return !typed.empty();
  }
  bool AskImportFile(std::string* path) override {
    shown.push_back("open");
    *path = file;
    return !file.empty();
  }
  void ShowAboutDialog(Language, const AboutTexts& texts) override {
    shown.push_back("about");
    about = texts;
  }
  RowRef SelectedRow() override { return selected; }
  void OpenWebPage(const std::string& url) override { opened.push_back(url); }
};

class DialogCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h_.form.FormShow(1033);
    h_.loop.ProcessPending();
    h_.Select(fixed_text::kNodeQJL04Wired);
    h_.ClearSent();
  }
  bool Read(const std::string& path, std::vector<std::string>* lines, std::string* error) {
    if (path != "list.txt") {
      *error = "Cannot open file \"" + path + "\". Access is denied.";
      return false;
    }
    *lines = {"10.213.0.41", "10.213.0.256", "010.213.000.042", "10.213.0.41"};
    return true;
  }

  FormHarness h_;
  ScriptedDialogs dialogs_;
  update::Settings settings_ = [] {
    update::Settings s;
    s.exeName = "Zantor_L04V512";
    return s;
  }();
  DialogCommands commands_{h_.form,
                           h_.view,
                           dialogs_,
                           settings_,
                           "QJ-L04",
                           [this](const std::string& p, std::vector<std::string>* l,
                                  std::string* e) { return Read(p, l, e); }};
};

TEST_F(DialogCommandsTest, AdapterRowBindsAtOnceOnlyOkRefreshes) {
  dialogs_.pick = {"10.213.0.7"};
  commands_.InterfacesItemClick();
  h_.loop.ProcessPending();
  EXPECT_EQ(h_.Sent(), std::vector<std::string>{});  // closed without OK: no search
  EXPECT_EQ(h_.form.channel().bind_address().address, h_.api.ParseAddress("10.213.0.7"));

  dialogs_.pick = {"10.213.0.8", "10.213.0.9"};
  dialogs_.adapter_ok = true;
  h_.api.calls.clear();
  commands_.InterfacesItemClick();
  h_.loop.ProcessPending();
  EXPECT_EQ(h_.Sent(), std::vector<std::string>{"search"});
  bool bound_there = false;
  for (const std::string& c : h_.api.calls) {
    bound_there =
        bound_there || (c.find("bind") == 0 && c.find("10.213.0.9:") != std::string::npos);
  }
  EXPECT_TRUE(bound_there);  // the last row chosen
  EXPECT_EQ(dialogs_.shown,
            (std::vector<std::string>{"adapter Adapter Selection", "adapter Adapter Selection"}));
}

TEST_F(DialogCommandsTest, TypedAndImportedAddresses) {
  dialogs_.typed = "10.213.0.40";
  commands_.InputAddressItemClick();
  dialogs_.typed = "";  // Cancel
  commands_.InputAddressItemClick();
  dialogs_.file = "list.txt";
  commands_.ImportAddressListItemClick();
  h_.loop.ProcessPending();
  EXPECT_EQ(h_.Sent(),
            (std::vector<std::string>{"info 10.213.0.40", "info 10.213.0.41", "info 10.213.0.42"}));
  EXPECT_TRUE(h_.view.questions.empty());

  // An unreadable file: the reader's words in an error box, nothing added.
  const size_t records = h_.form.devices().size();
  dialogs_.file = "locked.txt";
  commands_.ImportAddressListItemClick();
  ASSERT_EQ(h_.view.questions.size(), 1u);
  EXPECT_EQ(h_.view.questions[0].text, "Cannot open file \"locked.txt\". Access is denied.");
  EXPECT_EQ(h_.view.questions[0].icon, AskKind::kError);
  EXPECT_EQ(h_.form.devices().size(), records);
}

TEST_F(DialogCommandsTest, NothingChangesWhileAnUpdateRuns) {
  dialogs_.typed = "10.213.0.40";
  dialogs_.file = "list.txt";
  dialogs_.pick = {"10.213.0.7"};
  dialogs_.adapter_ok = true;
  const uint32_t bound = h_.form.channel().bind_address().address;
  h_.form.set_updating(true);
  commands_.InterfacesItemClick();
  commands_.InputAddressItemClick();
  commands_.ImportAddressListItemClick();
  h_.form.set_updating(false);
  h_.loop.ProcessPending();
  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_TRUE(h_.Sent().empty());
  EXPECT_EQ(h_.form.channel().bind_address().address, bound);
}

TEST_F(DialogCommandsTest, AboutInTheWindowsLanguage) {
  h_.form.JapaneseItemClick();
  commands_.AboutItemClick();
  EXPECT_EQ(dialogs_.about.caption, "バージョン情報");
  EXPECT_EQ(dialogs_.about.tool_name, "QJ-L04ファームウェア アップデートツール");
  h_.form.EnglishItemClick();
  commands_.AboutItemClick();
  EXPECT_EQ(dialogs_.about.caption, "About Zantor_L04V512");
}

TEST_F(DialogCommandsTest, WebPagesOfTheSelectedOrFirstTickedBoard) {
  dialogs_.typed = "10.213.0.50";
  commands_.InputAddressItemClick();
  dialogs_.typed = "10.213.0.51";
  commands_.InputAddressItemClick();
  h_.loop.ProcessPending();
  const RowRef second = h_.view.RowOf("10.213.0.51");
  ASSERT_NE(second, kNoRow);
  commands_.WebConfigButtonClick();  // nothing selected: the first ticked
  commands_.ListViewDblClick();      // nothing selected: nothing
  dialogs_.selected = second;
  commands_.WebConfigButtonClick();
  commands_.ListViewDblClick();
  EXPECT_EQ(dialogs_.opened, (std::vector<std::string>{"http://10.213.0.50/", "http://10.213.0.51/",
                                                       "http://10.213.0.51/"}));
}

}  // namespace
}  // namespace ui

namespace ui {
namespace {

// The first show's firewall offer: after the language, before the search,
// and never in automatic mode.
TEST(FirewallOfferAtFirstShow, BetweenLanguageAndSearchOnlyInteractive) {
  for (bool automatic : {false, true}) {
    FormHarness h;
    std::vector<std::string> seen;
    h.form.set_firewall_offer([&] {
      seen.push_back(h.form.texts()[TextKey::MsgFirewallRegister].empty() ? "no texts" : "texts");
      seen.push_back(std::to_string(h.Sent().size()) + " sent");
    });
    if (automatic) h.form.set_automatic(true, "10.213.0.11");
    h.form.FormShow(1041);
    h.loop.ProcessPending();
    EXPECT_EQ(seen, automatic ? std::vector<std::string>{}
                              : (std::vector<std::string>{"texts", "0 sent"}));
  }
}

// The window's handlers reach the dialog commands once the program gave
// them, and do nothing before.
TEST(DialogHandlers, ReachTheCommandsOnlyWhenGiven) {
  FormHarness h;
  h.form.FormShow(1033);
  h.loop.ProcessPending();
  ScriptedDialogs dialogs;
  update::Settings settings;
  DialogCommands commands(h.form, h.view, dialogs, settings, "QJ-L04", nullptr);
  h.form.AboutItemClick();
  EXPECT_TRUE(dialogs.shown.empty());
  h.form.set_dialog_commands(&commands);
  h.form.AboutItemClick();
  h.form.InterfacesItemClick();
  h.form.InputAddressItemClick();
  h.form.ImportAddressListItemClick();
  EXPECT_EQ(dialogs.shown,
            (std::vector<std::string>{"about", "adapter Adapter Selection", "ipedit", "open"}));
  h.form.set_dialog_commands(nullptr);
}

}  // namespace
}  // namespace ui
