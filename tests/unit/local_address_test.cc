#include "updater/protocol/local_address.h"

#include <gtest/gtest.h>

namespace protocol {
namespace {

using platform::Adapter;
using platform::kFamilyInet;
using platform::kFamilyInet6;

Adapter Make(uint32_t type, uint32_t hw, std::vector<platform::AdapterAddress> addresses) {
  Adapter a;
  a.if_type = type;
  a.hardware_address_length = hw;
  a.unicast = std::move(addresses);
  return a;
}

TEST(LocalAddress, EthernetWinsEvenWhenListedAfterWireless) {
  const std::vector<Adapter> list = {
      Make(71, 6, {{kFamilyInet, "192.168.5.7"}}),
      Make(6, 6, {{kFamilyInet6, "fe80::1"}, {kFamilyInet, "10.0.0.2"}, {kFamilyInet, "10.0.0.3"}}),
  };
  std::string chosen, diag;
  ASSERT_TRUE(ChooseLocalAddressFrom(list, &chosen, &diag));
  EXPECT_EQ(chosen, "10.0.0.2");
  EXPECT_EQ(diag, "0 6 IfType 71\n1 6 IfType 6\n");
}

TEST(LocalAddress, WithoutEthernetTheLastQualifyingAddressWins) {
  const std::vector<Adapter> list = {
      Make(71, 6, {{kFamilyInet, "192.168.5.7"}, {kFamilyInet, "192.168.5.8"}}),
  };
  std::string chosen, diag;
  ASSERT_TRUE(ChooseLocalAddressFrom(list, &chosen, &diag));
  EXPECT_EQ(chosen, "192.168.5.8");
  EXPECT_EQ(diag, "0 6 IfType 71\n1 6 IfType 71\n");
}

TEST(LocalAddress, PassesOverWrongHardwareLengthsIPv6OnlyAndEmptyTexts) {
  const std::vector<Adapter> list = {
      Make(24, 0, {{kFamilyInet, "127.0.0.1"}}),    // loopback
      Make(131, 0, {{kFamilyInet, "172.16.0.1"}}),  // tunnel
      Make(6, 8, {{kFamilyInet, "10.1.1.1"}}),      // odd hardware length
      Make(6, 6, {{kFamilyInet6, "fe80::2"}}),      // IPv6 only
      Make(6, 6, {{kFamilyInet, ""}, {kFamilyInet, "10.2.2.2"}}),
  };
  std::string chosen, diag;
  ASSERT_TRUE(ChooseLocalAddressFrom(list, &chosen, &diag));
  EXPECT_EQ(chosen, "10.2.2.2");
  EXPECT_EQ(diag, "0 6 IfType 6\n");
}

TEST(LocalAddress, NothingQualifies) {
  std::string chosen = "untouched", diag;
  EXPECT_FALSE(ChooseLocalAddressFrom({}, &chosen, &diag));
  EXPECT_FALSE(ChooseLocalAddressFrom({Make(24, 0, {{kFamilyInet, "127.0.0.1"}})}, &chosen, &diag));
  EXPECT_EQ(chosen, "untouched");
  EXPECT_TRUE(diag.empty());
}

TEST(LocalAddress, OverlongTextIsNeverTaken) {
  const std::vector<Adapter> list = {
      Make(6, 6, {{kFamilyInet, std::string(80, '1')}}),
  };
  std::string chosen, diag;
  EXPECT_FALSE(ChooseLocalAddressFrom(list, &chosen, &diag));
}

}  // namespace
}  // namespace protocol
