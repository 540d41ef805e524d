#include "launcher/cli/firmware_type.h"

#include <gtest/gtest.h>

#include "launcher/cli/exit_codes.h"

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

}  // namespace
}  // namespace cli
