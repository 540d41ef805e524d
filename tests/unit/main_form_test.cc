// Refresh, polling, listing, ticking and sorting of the main window, on
// virtual time with the test view.
#include <gtest/gtest.h>

#include "tests/support/form_harness.h"

namespace {

using testing_support::BoardInfo;
using testing_support::FormHarness;
using testing_support::InfoReply;
using testing_support::ModelReply;
using testing_support::StatusReply;
using testing_support::Wired;
using Strings = std::vector<std::string>;
namespace cat = protocol::category;

// A board that answers the search and the query.
void Identify(FormHarness& h, const std::string& address, const BoardInfo& b) {
  h.Receive(InfoReply('p', b), address);
  h.Receive(InfoReply('q', b), address);
}

TEST(Refresh, SearchNowRequeriesAtOneAndThreeSecondsSecondSearchAtTwo) {
  FormHarness h;
  h.Refresh();
  EXPECT_EQ(h.Sent(), Strings({"search"}));
  EXPECT_EQ(h.api.sent[0].address, "255.255.255.255");
  EXPECT_EQ(h.api.calls[2], "bind 3 10.213.0.2:0");

  // Answers the search, never the query.
  h.Receive(InfoReply('p', Wired("02:00:00:00:00:05", 5, 0)), "10.213.0.5");
  EXPECT_EQ(h.Sent(1), Strings({"info 10.213.0.5"}));
  h.ClearSent();

  h.loop.RunFor(999);
  EXPECT_TRUE(h.Sent().empty());
  h.loop.RunFor(1);  // t = 1000
  EXPECT_EQ(h.Sent(), Strings({"info 10.213.0.5"}));
  h.loop.RunFor(1000);  // t = 2000: second search; status poll skips unidentified
  EXPECT_EQ(h.Sent(1), Strings({"search"}));
  h.loop.RunFor(1000);  // t = 3000
  EXPECT_EQ(h.Sent(2), Strings({"info 10.213.0.5"}));
  EXPECT_FALSE(h.loop.TimerRunning(ui::kRetryTimer));
  EXPECT_EQ(h.form.retry_tick(), 0);
  h.loop.RunFor(10000);
  EXPECT_EQ(h.Sent().size(), 3u) << "after the third tick nothing more is asked";

  h.Select("QJ-L04(Wired)");
  EXPECT_EQ(h.view.Captions(), Strings({" -- NONE -- 10.213.0.5"}));
}

TEST(Refresh, SecondRefreshDiscardsEverythingAndRestartsTheSequence) {
  FormHarness h;
  h.Refresh();
  Identify(h, "10.213.0.5", Wired("02:00:00:00:00:05", 5, 0));
  h.Select("QJ-L04(Wired)");
  ASSERT_EQ(h.view.rows.size(), 1u);
  h.loop.RunFor(1500);
  EXPECT_EQ(h.form.retry_tick(), 1);

  h.ClearSent();
  h.Refresh();
  EXPECT_TRUE(h.form.devices().empty());
  EXPECT_TRUE(h.view.rows.empty());
  EXPECT_EQ(h.form.retry_tick(), 0);
  EXPECT_EQ(h.Sent(), Strings({"search"}));
  EXPECT_EQ(h.api.calls.back(), "bind 4 10.213.0.2:0") << "a new socket for each search";
  EXPECT_EQ(h.view.tree.size(), 3u);
  EXPECT_FALSE(h.view.lines_at_root);
}

TEST(Refresh, ShippedModeListsNothingUntilAQJL04NodeIsSelected) {
  FormHarness h;
  h.Refresh();
  Identify(h, "10.213.0.5", Wired("02:00:00:00:00:05", 5, 0));
  EXPECT_TRUE(h.view.rows.empty());
  EXPECT_FALSE(h.view.enabled[ui::Command::kFirmUpdate]);
  ASSERT_EQ(h.view.tree_order.size(), 3u);
  EXPECT_EQ(h.view.tree.at(h.view.tree_order[0]).text, "POS Printers");
  EXPECT_EQ(h.view.tree.at(h.view.tree_order[1]).text, "QJ-L04(Wired)");
  EXPECT_EQ(h.view.tree.at(h.view.tree_order[2]).image, 2);

  h.Select("QJ-L04(Wired)");
  EXPECT_EQ(h.view.status_panels[0], "Wired      ");
  ASSERT_EQ(h.view.rows.size(), 1u);
  const ui::RowData& row = *h.view.RowAt(0);
  EXPECT_EQ(row.caption, "10.213.0.5");
  EXPECT_EQ(row.image, ui::kImageReady);
  EXPECT_EQ(row.sub[0], "02:00:00:00:00:05");
  EXPECT_EQ(row.sub[1], "5.00");
  EXPECT_EQ(row.sub[2], "0.0");
  EXPECT_TRUE(row.checked) << "5.00 is older than 5.12";
  EXPECT_TRUE(h.view.enabled[ui::Command::kFirmUpdate]);

  h.Select("POS Printers");
  EXPECT_TRUE(h.view.rows.empty());
  EXPECT_EQ(h.view.status_panels[0], "");
  EXPECT_FALSE(h.view.enabled[ui::Command::kFirmUpdate]);
  EXPECT_EQ(h.view.list_updates_open, 0);
}

TEST(StatusPolling, SilentBoardTurnsNotReadyAndBackOnItsNextAnswer) {
  FormHarness h;
  h.Refresh();
  Identify(h, "10.213.0.5", Wired("02:00:00:00:00:05", 5, 0x12));
  h.Select("QJ-L04(Wired)");
  h.Receive(StatusReply(0x00), "10.213.0.5");
  h.ClearSent();

  h.loop.RunFor(2000);  // answered since the last poll: stays ready
  EXPECT_TRUE(h.Device("10.213.0.5")->ready);
  // Both timers are due at 2 s; the status timer was started first.
  EXPECT_EQ(h.Sent(), Strings({"status 10.213.0.5", "search"}));
  h.loop.RunFor(2000);  // no answer to that poll
  EXPECT_FALSE(h.Device("10.213.0.5")->ready);
  EXPECT_EQ(h.view.RowAt(0)->caption, " [Not ready] 10.213.0.5");
  EXPECT_EQ(h.view.RowAt(0)->image, ui::kImageNotReady);

  h.Receive(StatusReply(0x00), "10.213.0.5");
  EXPECT_TRUE(h.Device("10.213.0.5")->ready);
  EXPECT_EQ(h.view.RowAt(0)->caption, "10.213.0.5");
  EXPECT_EQ(h.view.RowAt(0)->image, ui::kImageReady);

  h.Receive(StatusReply(0x10), "10.213.0.5");
  EXPECT_EQ(h.view.RowAt(0)->image, ui::kImageNotReady);
  EXPECT_EQ(h.view.RowAt(0)->caption, "10.213.0.5") << "new controls show the image only";
}

TEST(StatusPolling, DuplicateAddressesAreMarkedAndNeverPolled) {
  FormHarness h;
  h.Refresh();
  Identify(h, "10.213.0.7", Wired("02:00:00:00:00:07", 5, 0));
  Identify(h, "10.213.0.7", Wired("02:00:00:00:00:08", 5, 0));
  h.Select("QJ-L04(Wired)");
  EXPECT_EQ(h.view.Captions(), Strings({" -- NONE -- 10.213.0.7", " -- NONE -- 10.213.0.7"}));
  EXPECT_EQ(h.view.RowAt(0)->image, ui::kImageUnidentified);
  EXPECT_FALSE(h.view.enabled[ui::Command::kFirmUpdate]);
  h.ClearSent();
  h.loop.RunFor(2000);
  for (const std::string& s : h.Sent()) EXPECT_NE(s, "status 10.213.0.7");
}

TEST(Ticking, OnlyIdentifiedBoardsOfTheCurrentCategory) {
  FormHarness h;
  h.Refresh();
  Identify(h, "10.213.0.5", Wired("02:00:00:00:00:05", 5, 0x12));  // same version
  BoardInfo wireless;
  wireless.mac = "02:00:00:00:00:09";
  wireless.newer = true;
  h.Receive(InfoReply('p', wireless), "10.213.0.9");
  h.Receive(ModelReply("02:00:00:00:00:09", "QJ-L04"), "10.213.0.9");
  h.Select("QJ-L04(Wired)");
  const ui::RowRef wired = h.view.RowOf("10.213.0.5");
  EXPECT_FALSE(h.view.rows[wired].checked);
  h.form.ListViewMouseDown(wired, true);
  EXPECT_TRUE(h.view.rows[wired].checked);
  EXPECT_TRUE(h.Device("10.213.0.5")->wanted);
  EXPECT_EQ(h.view.selected_row, wired);
  EXPECT_TRUE(h.view.enabled[ui::Command::kFirmUpdate]);
  h.form.ListViewKeyPress(wired, 13, true);  // Enter toggles off
  EXPECT_FALSE(h.view.rows[wired].checked);
  EXPECT_FALSE(h.view.enabled[ui::Command::kFirmUpdate]);

  h.Select("QJ-L04(Wireless)");
  const ui::RowRef air = h.view.RowOf("10.213.0.9");
  ASSERT_NE(air, ui::kNoRow);
  EXPECT_TRUE(h.view.rows[air].checked) << "the model reply pre-ticks the older wireless board";

  // Outside category mode the root lists every board while the wired
  // category stays current: a tick on the wireless row is taken back.
  h.Select("QJ-L04(Wired)");
  h.form.ShowAllPOSDevicesItemClick();
  h.Select("POS Printers");
  ASSERT_EQ(h.view.rows.size(), 2u);
  const ui::RowRef air_at_root = h.view.RowOf("10.213.0.9");
  h.form.ListViewMouseDown(air_at_root, false);
  h.form.ListViewKeyPress(air_at_root, 32, true);
  EXPECT_FALSE(h.view.rows[air_at_root].checked);
  EXPECT_FALSE(h.Device("10.213.0.9")->wanted);
  EXPECT_FALSE(h.view.enabled[ui::Command::kFirmUpdate]);
}

TEST(Sorting, UnidentifiedRowsStayLastAndFirstClickSortsDescending) {
  FormHarness h;
  h.Refresh();
  Identify(h, "10.213.0.10", Wired("02:00:00:00:00:0A", 5, 0x10));
  Identify(h, "10.213.0.2", Wired("02:00:00:00:00:02", 4, 0x00));
  h.Receive(InfoReply('p', Wired("02:00:00:00:00:03", 5, 0)), "10.213.0.3");  // stays NONE
  Identify(h, "10.213.0.4", Wired("02:00:00:00:00:04", 0x10, 0x00));
  h.Select("QJ-L04(Wired)");
  EXPECT_EQ(h.view.Captions(),
            Strings({"10.213.0.10", "10.213.0.2", "10.213.0.4", " -- NONE -- 10.213.0.3"}));
  h.form.ListViewColumnClick(0);
  EXPECT_EQ(h.view.Captions(),
            Strings({"10.213.0.4", "10.213.0.2", "10.213.0.10", " -- NONE -- 10.213.0.3"}));
  h.form.ListViewColumnClick(2);  // Version, first click: descending
  std::vector<std::string> versions;
  for (size_t i = 0; i < h.view.list_order.size(); ++i) versions.push_back(h.view.RowAt(i)->sub[1]);
  EXPECT_EQ(versions, Strings({"5.10", "5.00", "4.00", "10.00"}));
  h.form.ListViewColumnClick(2);
  versions.clear();
  for (size_t i = 0; i < h.view.list_order.size(); ++i) versions.push_back(h.view.RowAt(i)->sub[1]);
  EXPECT_EQ(versions, Strings({"10.00", "4.00", "5.00", "5.10"}));
}

TEST(Sorting, ABoardShownLaterGoesWhereAFullSortOfTheAddressesPutsIt) {
  FormHarness h;
  h.Refresh();
  Identify(h, "10.213.0.10", Wired("02:00:00:00:00:0A", 5, 0x10));
  Identify(h, "10.213.0.2", Wired("02:00:00:00:00:02", 4, 0x00));
  h.Select("QJ-L04(Wired)");
  h.Receive(InfoReply('p', Wired("02:00:00:00:00:09", 5, 0)), "10.213.0.9");
  h.Receive(InfoReply('p', Wired("02:00:00:00:00:03", 5, 0)), "10.213.0.3");
  EXPECT_EQ(h.view.Captions(), Strings({"10.213.0.10", "10.213.0.2", " -- NONE -- 10.213.0.9",
                                        " -- NONE -- 10.213.0.3"}))
      << "unidentified rows keep the order they came in";
  // Sorted by version, the list is no longer in address order; the next
  // board shown sorts the whole list by address again.
  h.form.ListViewColumnClick(2);
  ASSERT_EQ(h.view.Captions(), Strings({"10.213.0.10", " -- NONE -- 10.213.0.9",
                                        " -- NONE -- 10.213.0.3", "10.213.0.2"}));
  h.Receive(InfoReply('p', Wired("02:00:00:00:00:07", 5, 0)), "10.213.0.7");
  EXPECT_EQ(h.view.Captions(), Strings({"10.213.0.10", "10.213.0.2", " -- NONE -- 10.213.0.9",
                                        " -- NONE -- 10.213.0.3", " -- NONE -- 10.213.0.7"}));
}

TEST(Selection, WebCommandFollowsTheSelectedRow) {
  FormHarness h;
  h.Refresh();
  Identify(h, "10.213.0.5", Wired("02:00:00:00:00:05", 5, 0));
  h.Select("QJ-L04(Wired)");
  const ui::RowRef r = h.view.RowOf("10.213.0.5");
  h.form.ListViewSelectItem(r, true);
  EXPECT_TRUE(h.view.enabled[ui::Command::kWebConfig]);
  h.form.TreeViewEnter();
  EXPECT_FALSE(h.view.enabled[ui::Command::kWebConfig]);
  EXPECT_EQ(h.view.selected_row, ui::kNoRow);
  h.form.set_updating(true);
  h.form.ListViewSelectItem(r, true);
  EXPECT_FALSE(h.view.enabled[ui::Command::kWebConfig]);
}

TEST(AutomaticMode, NoSearchNoSocketAndTheTargetRecord) {
  FormHarness h;
  h.form.set_automatic(true, "10.213.0.20");
  h.Refresh();
  h.loop.RunFor(5000);
  EXPECT_TRUE(h.api.sent.empty());
  EXPECT_TRUE(h.api.open.empty());
  const protocol::TDevice* t = h.Device("10.213.0.20");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->version, "0.0");
  EXPECT_TRUE(t->wanted && t->identified);
  EXPECT_EQ(t->category, protocol::category::kQJL04Wired);
}

TEST(Tree, CategoryNodesAreAddedOnceIgnoringCase) {
  FormHarness h;
  h.Refresh();
  h.form.AddCategory("Ethernet I/F", 1, cat::kOther);
  h.form.AddCategory("ETHERNET i/f", 1, cat::kOther);
  h.form.AddCategory("qj-l04(wired)", 1, cat::kQJL04Wired);
  EXPECT_EQ(h.view.tree.size(), 4u);
}

}  // namespace

namespace {

TEST(Language, FirstShowFollowsTheLocaleAndTheMenuSwitchesEverything) {
  testing_support::FormHarness h;
  h.form.FormShow(1041);
  h.loop.ProcessPending();
  EXPECT_EQ(h.form.language(), ui::Language::Japanese);
  EXPECT_TRUE(h.view.item_checked[ui::Component::JapaneseItem]);
  EXPECT_FALSE(h.view.item_checked[ui::Component::EnglishItem]);
  EXPECT_EQ(h.view.captions[ui::Component::FirmwareUpdateItem], "QJ-L04 Ver.5.12へアップデート");
  EXPECT_EQ(h.Sent(), std::vector<std::string>({"search"})) << "the first show refreshes";

  const auto japanese = h.view.captions;
  h.form.EnglishItemClick();
  EXPECT_EQ(h.view.captions[ui::Component::FirmwareUpdateItem], "Update QJ-L04 to Ver.5.12");
  EXPECT_EQ(h.form.texts()[ui::TextKey::StatusFinish], "Finish");
  h.form.JapaneseItemClick();
  EXPECT_EQ(h.view.captions, japanese);

  testing_support::FormHarness english;
  english.form.FormShow(1033);
  EXPECT_EQ(english.form.language(), ui::Language::English);
  EXPECT_EQ(english.view.captions[ui::Component::ListColumn0], "IP Address");
}

}  // namespace
