#include "updater/protocol/frames.h"

#include <gtest/gtest.h>

namespace protocol {
namespace {

std::string Hex(const RequestFrame& f) {
  static const char* kDigits = "0123456789abcdef";
  std::string s;
  for (int i = 5; i < kHeaderSize; ++i) {
    if (i > 5) s += ' ';
    s += kDigits[f[i] >> 4];
    s += kDigits[f[i] & 0xF];
  }
  return s;
}

TEST(Frames, SixRequestsAreExactBytes) {
  for (const RequestFrame* f : {&kSearchRequest, &kExtendedSearchRequest, &kBasicInfoQuery,
                                &kModelNameQuery, &kSerialNumberQuery, &kStatusQuery}) {
    EXPECT_EQ(std::string(f->begin(), f->begin() + 5), "KAVRO");
  }
  EXPECT_EQ(Hex(kSearchRequest), "50 00 00 00 00 00 00 00 00");
  EXPECT_EQ(Hex(kExtendedSearchRequest), "50 03 00 00 01 00 00 00 00");
  EXPECT_EQ(Hex(kBasicInfoQuery), "51 00 00 00 00 00 00 00 00");
  EXPECT_EQ(Hex(kModelNameQuery), "51 03 00 00 01 00 00 00 00");
  EXPECT_EQ(Hex(kSerialNumberQuery), "51 03 00 00 03 00 00 00 00");
  EXPECT_EQ(Hex(kStatusQuery), "51 03 00 00 10 00 00 00 00");
}

TEST(Frames, TextForms) {
  EXPECT_EQ(VersionText(0x05, 0x12), "5.12");
  EXPECT_EQ(VersionText(0x04, 0x00), "4.00");
  EXPECT_EQ(VersionText(0x0A, 0x05), "A.05");
  EXPECT_EQ(VersionText(0x10, 0x00), "10.00");  // sorts before 5.12 as text
  EXPECT_EQ(VersionText(0x00, 0xFF), "0.FF");
  const uint8_t mac[6] = {0x02, 0x00, 0x00, 0x12, 0x34, 0x5e};
  EXPECT_EQ(MacText(mac), "02:00:00:12:34:5E");
}

}  // namespace
}  // namespace protocol
