// The decoder's branches and model filters, through the main window.
#include <gtest/gtest.h>

#include "tests/support/form_harness.h"

namespace {

using testing_support::BoardInfo;
using testing_support::FormHarness;
using testing_support::InfoReply;
using testing_support::ModelReply;
using testing_support::ReplyFrame;
using testing_support::StatusReply;
using Strings = std::vector<std::string>;
namespace cat = protocol::category;

BoardInfo Board(const std::string& mac, uint8_t type = 4) {
  BoardInfo b;
  b.mac = mac;
  b.type = type;
  return b;
}

BoardInfo Newer(const std::string& mac, uint8_t kind = 4) {
  BoardInfo b = Board(mac);
  b.newer = true;
  b.kind_byte = kind;
  return b;
}

struct Decoder : ::testing::Test {
  FormHarness h;
  void SetUp() override { h.Refresh(); }
};

TEST_F(Decoder, SearchReplyCreatesOneRecordPerMacAndQueriesIt) {
  h.Receive(InfoReply('p', Board("02:00:00:00:00:05")), "10.0.0.5");
  h.Receive(InfoReply('p', Board("02:00:00:00:00:05")), "10.0.0.5");
  ASSERT_EQ(h.form.devices().size(), 1u);
  const protocol::TDevice& d = *h.form.devices().at(0);
  EXPECT_EQ(d.category, cat::kQJL04Wired);
  EXPECT_EQ(d.typeCode, "4.01");
  EXPECT_EQ(d.version, "5.10");
  EXPECT_FALSE(d.identified);
  EXPECT_EQ(h.Sent(1), Strings({"info 10.0.0.5"}));
  EXPECT_EQ(h.view.tree.size(), 3u) << "wired QJ-L04 adds no node of its own";
}

TEST_F(Decoder, ClassicTypesAndFilters) {
  // The shipped QJ-L04 filter keeps QJ-L01 and QJ-L02 boards out.
  h.Receive(InfoReply('p', Board("02:00:00:00:00:01", 1)), "10.0.0.1");
  h.Receive(InfoReply('p', Board("02:00:00:00:00:02", 2)), "10.0.0.2");
  h.Receive(InfoReply('p', Board("02:00:00:00:00:07", 7)), "10.0.0.7");
  EXPECT_TRUE(h.form.devices().empty());

  h.form.ShowAllPOSDevicesItemClick();
  h.Refresh();
  h.Receive(InfoReply('p', Board("02:00:00:00:00:01", 1)), "10.0.0.1");
  h.Receive(InfoReply('p', Board("02:00:00:00:00:02", 2)), "10.0.0.2");
  h.Receive(InfoReply('p', Board("02:00:00:00:00:07", 7)), "10.0.0.7");
  ASSERT_EQ(h.form.devices().size(), 3u);
  EXPECT_EQ(h.Device("10.0.0.1")->category, cat::kQJL01);
  EXPECT_EQ(h.Device("10.0.0.2")->category, cat::kQJL02);
  EXPECT_EQ(h.Device("10.0.0.7")->category, cat::kOther);
  EXPECT_NE(h.form.FindNode("QJ-L01"), ui::kNoNode);
  EXPECT_NE(h.form.FindNode("Ethernet I/F"), ui::kNoNode);

  h.form.ShowModelItemClick(cat::kQJL01);
  h.Refresh();
  h.Receive(InfoReply('p', Board("02:00:00:00:00:04", 4)), "10.0.0.4");
  EXPECT_TRUE(h.form.devices().empty()) << "QJ-L04 dropped while only QJ-L01 is shown";
}

TEST_F(Decoder, PosFilterDropsAnythingButTheClassicForm) {
  BoardInfo odd = Board("02:00:00:00:00:05");
  testing_support::Bytes frame = InfoReply('p', odd);
  frame[13] = 53;  // data length 53: not the classic form
  h.Receive(frame, "10.0.0.5");
  EXPECT_TRUE(h.form.devices().empty());
  // Newer boards whose model needn't be asked are dropped too.
  h.Receive(InfoReply('p', Newer("02:00:00:00:00:06", 3)), "10.0.0.6");
  EXPECT_TRUE(h.form.devices().empty());
}

TEST_F(Decoder, NewerBoardIsModelPendingUntilItsModelReply) {
  h.Receive(InfoReply('p', Newer("02:00:00:00:00:09")), "10.0.0.9");
  ASSERT_EQ(h.form.devices().size(), 1u);
  EXPECT_EQ(h.Device("10.0.0.9")->category, cat::kModelPending);
  EXPECT_EQ(h.Sent(1), Strings({"model 10.0.0.9"}));
  h.Receive(ModelReply("02:00:00:00:00:09", "qj-l04"), "10.0.0.9");  // any letter case
  const protocol::TDevice* d = h.Device("10.0.0.9");
  EXPECT_EQ(d->category, cat::kQJL04Wireless);
  EXPECT_TRUE(d->identified);
  EXPECT_EQ(h.Sent(2), Strings({"status 10.0.0.9"}));
}

TEST_F(Decoder, ModelOfAnotherFilteredFamilyIsDeleted) {
  h.Receive(InfoReply('p', Newer("02:00:00:00:00:09")), "10.0.0.9");
  h.Receive(ModelReply("02:00:00:00:00:09", "QJ-W02"), "10.0.0.9");
  EXPECT_TRUE(h.form.devices().empty()) << "QJ-W02 is dropped while QJ-L04 is the filter";

  h.form.ShowModelItemClick(cat::kQJW03);
  h.Refresh();
  h.Receive(InfoReply('p', Newer("02:00:00:00:00:0A")), "10.0.0.10");
  ASSERT_EQ(h.form.devices().size(), 1u);
  h.Receive(ModelReply("02:00:00:00:00:0A", "QJ-W02"), "10.0.0.10");
  EXPECT_TRUE(h.form.devices().empty());

  h.form.ShowAllKAVRODevicesItemClick();
  h.Refresh();
  h.Receive(InfoReply('p', Newer("02:00:00:00:00:0B")), "10.0.0.11");
  h.Receive(ModelReply("02:00:00:00:00:0B", "NAVB-01"), "10.0.0.11");
  EXPECT_EQ(h.Device("10.0.0.11")->category, cat::kPXK60);
  EXPECT_NE(h.form.FindNode("PX-K60"), ui::kNoNode);
  EXPECT_EQ(h.view.tree.at(h.form.FindNode("PX-K60")).image, 2);
  EXPECT_EQ(h.view.tree.at(h.form.nodes().front().ref).text, "KAVRO Devices");
}

TEST_F(Decoder, QueryReplyIdentifiesAndPreTicksOnlyTheCurrentCategory) {
  BoardInfo old = Board("02:00:00:00:00:05");
  old.major = 4;
  h.Receive(InfoReply('p', old), "10.0.0.5");
  h.Receive(InfoReply('q', old), "10.0.0.5");
  EXPECT_TRUE(h.Device("10.0.0.5")->identified);
  EXPECT_TRUE(h.Device("10.0.0.5")->wanted);

  // Older wireless board while the wired category is current: no tick from
  // the query reply.
  h.Receive(InfoReply('p', Newer("02:00:00:00:00:09", 3)), "10.0.0.9");  // dropped by POS
  h.form.mutable_filters().pos = false;
  h.Receive(InfoReply('p', Newer("02:00:00:00:00:09", 3)), "10.0.0.9");
  ASSERT_NE(h.Device("10.0.0.9"), nullptr);
  EXPECT_EQ(h.Device("10.0.0.9")->category, cat::kOther);
  h.Receive(InfoReply('q', Newer("02:00:00:00:00:09", 3)), "10.0.0.9");
  EXPECT_TRUE(h.Device("10.0.0.9")->identified);
  EXPECT_FALSE(h.Device("10.0.0.9")->wanted);
}

TEST_F(Decoder, QueryReplyAdoptsThePlaceholderMac) {
  // A typed address has no MAC; the first matching record wins.
  protocol::TDevice* typed =
      h.form.devices().Append(protocol::TDevice::ForTypedAddress("10.0.0.30"));
  typed->mac = protocol::kPlaceholderMac;
  h.Receive(InfoReply('q', Board("02:00:00:00:00:30")), "10.0.0.30");
  EXPECT_EQ(typed->mac, "02:00:00:00:00:30");
}

TEST_F(Decoder, IgnoredWhileUpdatingExceptNothingElse) {
  h.form.set_updating(true);
  h.Receive(InfoReply('p', Board("02:00:00:00:00:05")), "10.0.0.5");
  EXPECT_TRUE(h.form.devices().empty());
  h.form.set_updating(false);
  h.Receive(InfoReply('p', Board("02:00:00:00:00:05")), "10.0.0.5");
  h.form.set_updating(true);
  h.Receive(StatusReply(0x10), "10.0.0.5");
  EXPECT_TRUE(h.Device("10.0.0.5")->ready);
  EXPECT_FALSE(h.Device("10.0.0.5")->statusAnswered);
}

TEST_F(Decoder, StatusBitFourMeansNotReady) {
  h.Receive(InfoReply('p', Board("02:00:00:00:00:05")), "10.0.0.5");
  for (uint8_t ready : {0x00, 0x01, 0xEF}) {
    h.Receive(StatusReply(ready), "10.0.0.5");
    EXPECT_TRUE(h.Device("10.0.0.5")->ready) << int(ready);
  }
  h.Receive(StatusReply(0x10), "10.0.0.5");
  EXPECT_FALSE(h.Device("10.0.0.5")->ready);
  EXPECT_TRUE(h.Device("10.0.0.5")->statusAnswered);
  h.Receive(StatusReply(0x00), "10.0.0.99");  // no such board: nothing
}

TEST_F(Decoder, OldControlsMarkNotReadyInTheCaption) {
  FormHarness old;
  old.form.Create("", testing_support::ShippedSettings(), true);
  old.Refresh();
  BoardInfo b = Board("02:00:00:00:00:05");
  old.Receive(InfoReply('p', b), "10.0.0.5");
  old.Receive(InfoReply('q', b), "10.0.0.5");
  old.Select("QJ-L04(Wired)");
  old.Receive(StatusReply(0x10), "10.0.0.5");
  EXPECT_EQ(old.view.RowAt(0)->caption, " [Not ready] 10.0.0.5");
  EXPECT_EQ(old.view.RowAt(0)->image, ui::kImageNotReady);
}

TEST_F(Decoder, WrongResultCodesAndUnknownKindsChangeNothing) {
  testing_support::Bytes data(54, 0);
  h.Receive(ReplyFrame('p', 0, 0, 0x0001, data), "10.0.0.5");
  h.Receive(ReplyFrame('i', 0, 0, 0, data), "10.0.0.5");
  h.Receive(ReplyFrame('q', 3, 0x0010, 0xE000, {0x10}), "10.0.0.5");
  h.Receive(ReplyFrame('q', 3, 0x0003, 0, data), "10.0.0.5");
  h.Receive(InfoReply('p', Board("02:00:00:00:00:05")), "10.0.0.5", 3290);  // wrong port
  EXPECT_TRUE(h.form.devices().empty());
}

TEST_F(Decoder, NewerSearchReplyIsIgnoredWhileL01OrL02IsTheFilter) {
  for (uint32_t filter : {cat::kQJL01, cat::kQJL02}) {
    SCOPED_TRACE(filter);
    h.form.ShowModelItemClick(filter);
    h.Refresh();
    h.Receive(InfoReply('p', Newer("02:00:00:00:00:09")), "10.0.0.9");
    EXPECT_TRUE(h.form.devices().empty());
  }
}

// Each model filter keeps only its own model; W03, W04 and WX-Air0 pre-tick
// their older boards whatever category is current (still wired QJ-L04).
TEST_F(Decoder, ModelReplyKeepsOnlyTheFilteredModelAndPreTicksByFilter) {
  struct Row {
    uint32_t filter;
    const char* model;  // the filter's own model
    bool pre_ticked;
  };
  const Row rows[] = {
      {cat::kQJW02, "QJ-W02", false},  {cat::kPXK60, "NAVB-01", false},
      {cat::kQJW03, "QJ-W03", true},   {cat::kQJW04, "QJ-W04", true},
      {cat::kWXAir0, "WX-Air0", true}, {cat::kQJL04Wireless, "QJ-L04", true},
  };
  for (const Row& filter : rows) {
    for (const Row& model : rows) {
      SCOPED_TRACE(std::string(filter.model) + " filter, model " + model.model);
      h.form.ShowModelItemClick(filter.filter);
      h.Refresh();
      h.Receive(InfoReply('p', Newer("02:00:00:00:00:09")), "10.0.0.9");  // 5.10
      h.Receive(ModelReply("02:00:00:00:00:09", model.model), "10.0.0.9");
      const protocol::TDevice* d = h.Device("10.0.0.9");
      if (&filter != &model) {
        EXPECT_EQ(d, nullptr) << "another model is dropped";
        continue;
      }
      ASSERT_NE(d, nullptr);
      EXPECT_EQ(d->wanted, filter.pre_ticked);
    }
  }
}

TEST_F(Decoder, ModelReplyUnidentifiesBoardsSharingTheAddress) {
  h.Receive(InfoReply('p', Board("02:00:00:00:00:05")), "10.0.0.9");
  h.Receive(InfoReply('q', Board("02:00:00:00:00:05")), "10.0.0.9");
  h.form.mutable_filters().pos = false;
  h.Receive(InfoReply('p', Newer("02:00:00:00:00:09")), "10.0.0.9");
  h.Receive(ModelReply("02:00:00:00:00:09", "QJ-L04"), "10.0.0.9");
  ASSERT_EQ(h.form.devices().size(), 2u);
  EXPECT_FALSE(h.form.devices().at(0)->identified);
  EXPECT_FALSE(h.form.devices().at(1)->identified);
}

// With the root chosen and no category mode every board is listed, but a
// readiness change redraws nothing there.
TEST_F(Decoder, StatusReplyRedrawsNoRowAtTheRoot) {
  h.form.ShowAllPOSDevicesItemClick();
  h.Refresh();
  h.Receive(InfoReply('p', Board("02:00:00:00:00:05")), "10.0.0.5");
  h.Receive(InfoReply('q', Board("02:00:00:00:00:05")), "10.0.0.5");
  h.Select("POS Printers");
  ASSERT_EQ(h.view.Captions(), Strings({"10.0.0.5"}));
  h.Receive(StatusReply(0x10), "10.0.0.5");
  EXPECT_FALSE(h.Device("10.0.0.5")->ready);
  EXPECT_EQ(h.view.RowAt(0)->image, ui::kImageReady);
}

}  // namespace
