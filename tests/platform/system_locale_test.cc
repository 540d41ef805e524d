// The locale the language choice reads is the system's, not a constant:
// CTest runs this once with a Japanese and once with an English locale
// (ZT_EXPECT_LOCALE names the identifier the run must see).
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/host.h"

namespace platform {
namespace {

TEST(SystemLocale, IsTheOneTheRunWasStartedWith) {
  const char* want = std::getenv("ZT_EXPECT_LOCALE");
  if (want == nullptr) GTEST_SKIP() << "run by the platform_locale_* tests";
  EXPECT_EQ(SystemLocaleId(), std::strtoul(want, nullptr, 10));
}

}  // namespace
}  // namespace platform
