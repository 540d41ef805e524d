#include "updater/update/version_rules.h"

#include <gtest/gtest.h>

namespace update {
namespace {

TEST(CompareVersions, OrdinalNeverNumeric) {
  EXPECT_EQ(CompareVersions("5.12", "5.12"), VersionOrder::kSame);
  EXPECT_EQ(CompareVersions("5.0A", "5.12"), VersionOrder::kOlder);
  EXPECT_EQ(CompareVersions("A.00", "5.12"), VersionOrder::kNewer);
  EXPECT_EQ(CompareVersions("10.00", "5.12"), VersionOrder::kOlder);  // '1' < '5'
  EXPECT_EQ(CompareVersions("5.1", "5.12"), VersionOrder::kOlder);    // a prefix is smaller
  EXPECT_EQ(CompareVersions("5.120", "5.12"), VersionOrder::kNewer);
  EXPECT_EQ(CompareVersions("a.00", "A.00"), VersionOrder::kNewer);  // case counts
  EXPECT_EQ(CompareVersions("0.00", "5.12"), VersionOrder::kOlder);
}

TEST(CompareVersions, EmptyTargetMakesEveryBoardNewer) {
  EXPECT_EQ(CompareVersions("0.00", ""), VersionOrder::kNewer);
  EXPECT_EQ(CompareVersions("", ""), VersionOrder::kSame);
  EXPECT_EQ(CompareVersions("", "5.12"), VersionOrder::kOlder);
}

RangeCheck Allowed() { return {RangeVerdict::kAllowed, RangeMessage::kNone}; }
RangeCheck Refused(RangeMessage m) { return {RangeVerdict::kRefused, m}; }
RangeCheck Ask(RangeMessage m) { return {RangeVerdict::kAsk, m}; }

void ExpectRange(const char* target, const char* board, RangeCheck want) {
  const RangeCheck got = CheckUpdateRange(target, board);
  EXPECT_EQ(got.verdict, want.verdict) << "target " << target << " board " << board;
  EXPECT_EQ(got.message, want.message) << "target " << target << " board " << board;
}

TEST(CheckUpdateRange, Target5AcceptsOnly20x5xAnd0x) {
  ExpectRange("5.12", "2.04", Allowed());
  ExpectRange("5.12", "2.00", Allowed());
  ExpectRange("5.12", "0.00", Allowed());
  ExpectRange("5.12", "5.00", Allowed());
  ExpectRange("5.12", "5.12", Allowed());
  ExpectRange("5.12", "2.10", Refused(RangeMessage::kMsgOnlyFrom200));
  ExpectRange("5.12", "4.00", Refused(RangeMessage::kMsgOnlyFrom200));
  ExpectRange("5.12", "1.23", Refused(RangeMessage::kMsgOnlyFrom200));
  ExpectRange("5.12", "", Refused(RangeMessage::kMsgOnlyFrom200));
  ExpectRange("5.12", "2", Refused(RangeMessage::kMsgOnlyFrom200));  // "begins with" is exact
}

TEST(CheckUpdateRange, Targets12xAnd21xRefuseBeforeTheyAsk) {
  // 1.2x: 1.x, 2.1x and 0.x pass rule 2; 2.1x and 0.x then need question A.
  ExpectRange("1.23", "2.15", Ask(RangeMessage::kMsgWifiSpecA));
  ExpectRange("1.23", "0.00", Ask(RangeMessage::kMsgWifiSpecA));
  ExpectRange("1.23", "1.10", Allowed());
  ExpectRange("1.23", "3.00", Refused(RangeMessage::kMsgOnlyFrom1xx));
  ExpectRange("1.23", "2.04", Refused(RangeMessage::kMsgOnlyFrom1xx));
  // 2.1x mirrors it with question B for 1.2x and 0.x.
  ExpectRange("2.15", "1.23", Ask(RangeMessage::kMsgWifiSpecB));
  ExpectRange("2.15", "0.00", Ask(RangeMessage::kMsgWifiSpecB));
  ExpectRange("2.15", "1.10", Allowed());
  ExpectRange("2.15", "2.12", Allowed());
  ExpectRange("2.15", "5.12", Refused(RangeMessage::kMsgOnlyFrom1xx));
}

TEST(CheckUpdateRange, OtherTargetsLetEveryBoardPass) {
  for (const char* target : {"3.00", "2.04", "1.10", "", "A.00"}) {
    for (const char* board : {"0.00", "1.23", "2.15", "9.99", ""}) {
      ExpectRange(target, board, Allowed());
    }
  }
}

TEST(IsUpdateConfirmed, TargetOrZeroVersion) {
  EXPECT_TRUE(IsUpdateConfirmed("5.12", "5.12"));
  EXPECT_TRUE(IsUpdateConfirmed("0.00", "5.12"));
  EXPECT_TRUE(IsUpdateConfirmed("0.00", "1.23"));
  EXPECT_TRUE(IsUpdateConfirmed("0.00", ""));
  EXPECT_FALSE(IsUpdateConfirmed("5.11", "5.12"));
  EXPECT_FALSE(IsUpdateConfirmed("5.12 ", "5.12"));
  EXPECT_FALSE(IsUpdateConfirmed("0.0", "5.12"));
  EXPECT_FALSE(IsUpdateConfirmed("", "5.12"));
}

}  // namespace
}  // namespace update
