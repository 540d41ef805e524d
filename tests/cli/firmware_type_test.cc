#include "launcher/cli/firmware_type.h"

#include <gtest/gtest.h>

#include "launcher/cli/exit_codes.h"
#include "launcher/cli/flash_plan.h"

namespace cli {
namespace {

TEST(FirmwareType, Rules) {
  struct Case {
    const char* v;
    const char* from;
    bool wireless, a, c;
    int code;
    const char* type;
    bool print;
  };
  const Case cases[] = {
      // Wireless family: the flags alone, typeC last; no version test, nothing printed.
      {"5.12", "9.99", true, false, false, 0, kTypeQ05, false},
      {"5.12", "9.99", true, true, false, 0, kTypeQ02, false},
      {"5.12", "9.99", true, true, true, 0, kTypeQ01, false},
      // "2.0"/"5." package: the board must be of that family; the type stays.
      {"5.12", "5.00", false, false, false, 0, kTypeQ05, true},
      {"5.12", "0.00", false, true, true, 0, kTypeQ05, true},
      {"2.05", "2.01", false, false, false, 0, kTypeQ05, true},
      {"5.12", "1.30", false, false, false, kExitWrongFamily, kTypeQ05, true},
      // "1."/"2." package.
      {"3.00", "1.10", false, false, false, kExitUnknownFamily, kTypeQ05, true},
      {"1.20 or 2.20", "3.10", false, true, false, kExitWrongFamily, kTypeQ05, true},
      {"1.20 or 2.20", "2.05", false, true, false, kExitWrongFamily, kTypeQ05, true},
      {"1.20 or 2.20", "1.10", false, false, false, kExitTypeNeeded, kTypeQ01, true},
      {"1.20 or 2.20", "0.00", false, false, false, kExitTypeNeeded, kTypeQ01, true},
      {"1.20 or 2.20", "1.10", false, true, false, 0, kTypeQ02, true},
      {"1.20 or 2.20", "1.10", false, false, true, 0, kTypeQ01, true},
      {"1.20 or 2.20", "1.10", false, true, true, 0, kTypeQ01, true},
      // A board at 2.x needs no flag and gets the second variant.
      {"1.20 or 2.20", "2.10", false, false, false, 0, kTypeQ02, true},
      {"1.20 or 2.20", "2.10", false, false, true, 0, kTypeQ01, true},
  };
  for (const Case& k : cases) {
    const TypeDecision d = DecideFirmwareType({k.v, k.from, k.wireless, k.a, k.c});
    const std::string what = std::string(k.v) + " / " + k.from;
    EXPECT_EQ(d.exit_code, k.code) << what;
    if (k.code == 0 || k.code == kExitTypeNeeded) {
      EXPECT_EQ(d.type, k.type) << what;
    }
    EXPECT_EQ(d.print, k.print) << what;
  }
}

TEST(FlashPlan, ModelAcceptedAsThePackageSeesIt) {
  struct Case {
    const char *package, *uib, *from;
    int code;
    const char* uib_after;
    bool wireless;
  };
  const Case cases[] = {
      {"QJ-L04", "QJ-L04", "5.00", 0, "QJ-L04", false},
      {"QJ-W05", "QJ-W05", "5.00", 0, "QJ-W05", true},
      // A QJ-L04 board still at 0.00 under a QJ-W05 package is a QJ-W05.
      {"QJ-W05", "QJ-L04", "0.00", 0, "QJ-W05", true},
      {"QJ-W05", "QJ-L04", "5.00", kExitWrongModel, "QJ-L04", false},
      {"QJ-L04", "QJ-W05", "0.00", kExitWrongModel, "QJ-W05", false},
      {"QJ-W05", "QJ-W02", "0.00", kExitWrongModel, "QJ-W02", false},
  };
  for (const Case& k : cases) {
    const ModelDecision d = DecideModel(k.package, k.uib, k.from);
    const std::string what = std::string(k.package) + " / " + k.uib + " " + k.from;
    EXPECT_EQ(d.exit_code, k.code) << what;
    EXPECT_EQ(d.uib, k.uib_after) << what;
    EXPECT_EQ(d.wireless, k.wireless) << what;
  }
}

// The alternatives count only where the options leave them: -typeA asks
// for the second variant (V2), -typeC for the first (V1).
TEST(FlashPlan, AlreadyCurrentAgainstVersionAndAlternatives) {
  const PackageSettings p = DerivePackageSettings("1.20 or 2.20", "QJ-L04", "l04.rcc");
  struct Case {
    const char* from;
    bool a, c, d0;
    bool current;
  };
  const Case cases[] = {
      {"1.20", false, false, false, true},  {"2.20", false, false, false, true},
      {"1.20", true, false, false, false},  {"2.20", true, false, false, true},
      {"1.20", false, true, false, true},   {"2.20", false, true, false, false},
      {"1.20", true, true, false, false},   {"2.20", true, true, false, false},
      {"1.10", false, false, false, false}, {"1.20", false, false, true, false},
  };
  for (const Case& k : cases) {
    RunOptions o;
    o.type_a = k.a;
    o.type_c = k.c;
    o.overwrite = k.d0;
    EXPECT_EQ(AlreadyCurrent(p, o, k.from), k.current)
        << k.from << " a=" << k.a << " c=" << k.c << " d0=" << k.d0;
  }
}

TEST(FlashPlan, EachTypeHasItsImageFileAndExpectedVersion) {
  const PackageSettings p = DerivePackageSettings("1.20 or 2.20", "QJ-L04", "l04.rcc");
  struct Case {
    const char *type, *resource, *file_setting, *expected;
  };
  const Case cases[] = {
      {kTypeQ05, "QJL04RCC", "", "1.20 or 2.20"},
      {kTypeQ01, "QJL04RCC_1", "DEF_FIRMFILE_NAME_1", "1.20"},
      {kTypeQ02, "QJL04RCC_2", "DEF_FIRMFILE_NAME_2", "2.20"},
  };
  for (const Case& k : cases) {
    const ImageChoice c = ChooseImage(p, k.type);
    EXPECT_EQ(c.resource, k.resource) << k.type;
    EXPECT_EQ(c.file_setting, k.file_setting) << k.type;
    EXPECT_EQ(c.expected, k.expected) << k.type;
  }
}

}  // namespace
}  // namespace cli
