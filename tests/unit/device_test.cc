#include "updater/protocol/device.h"

#include <gtest/gtest.h>

#include <vector>

namespace protocol {
namespace {

TEST(Device, InitialValuesPerCreator) {
  const TDevice s = TDevice::FromSearchReply("10.0.0.5", "02:00:00:00:00:05", "4.01", "5.10",
                                             category::kQJL04Wired);
  EXPECT_EQ(s.address, "10.0.0.5");
  EXPECT_EQ(s.mac, "02:00:00:00:00:05");
  EXPECT_EQ(s.typeCode, "4.01");
  EXPECT_EQ(s.version, "5.10");
  EXPECT_FALSE(s.wanted);
  EXPECT_FALSE(s.identified);
  EXPECT_TRUE(s.ready);

  const TDevice t = TDevice::ForTypedAddress("10.0.0.6");
  EXPECT_EQ(t.category, category::kQJL04Wired);
  EXPECT_TRUE(t.mac.empty() && t.typeCode.empty() && t.version.empty());
  EXPECT_TRUE(t.wanted && t.identified && t.ready);

  const TDevice a = TDevice::ForAutomaticTarget("10.0.0.7");
  EXPECT_EQ(a.typeCode, "0.0");
  EXPECT_EQ(a.version, "0.0");
  EXPECT_TRUE(a.mac.empty());
  EXPECT_TRUE(a.wanted && a.identified && a.ready);
  EXPECT_EQ(a.category, category::kQJL04Wired);

  for (const TDevice* d : {&s, &t, &a}) {
    EXPECT_EQ(d->progress, 0);
    EXPECT_FALSE(d->statusAnswered);
  }
}

TEST(DeviceList, IdsAreStableAndNeverReusedAfterRemoval) {
  DeviceList list;
  TDevice* a = list.Append(TDevice::ForTypedAddress("10.0.0.1"));
  TDevice* b = list.Append(TDevice::ForTypedAddress("10.0.0.2"));
  const uint32_t a_id = a->id;
  EXPECT_NE(a_id, 0u);
  EXPECT_NE(a_id, b->id);
  EXPECT_EQ(list.Find(a_id), a);
  EXPECT_TRUE(list.Remove(a));
  EXPECT_EQ(list.Find(a_id), nullptr);
  EXPECT_FALSE(list.Remove(a));
  TDevice* c = list.Append(TDevice::ForTypedAddress("10.0.0.3"));
  EXPECT_NE(c->id, a_id);
  EXPECT_EQ(list.Find(0), nullptr);
  const uint32_t c_id = c->id;
  list.Clear();
  EXPECT_EQ(list.Find(c_id), nullptr);
  EXPECT_TRUE(list.empty());
}

TEST(DeviceList, FindGivesEveryRecordByIdAndNothingForRemovedOnes) {
  DeviceList list;
  std::vector<TDevice*> records;
  for (int i = 0; i < 50; ++i) records.push_back(list.Append(TDevice::ForTypedAddress("10.0.0.1")));
  for (int i = 0; i < 50; i += 3) ASSERT_TRUE(list.Remove(records[i]));
  for (uint32_t id = 1; id <= 50; ++id) {
    TDevice* found = list.Find(id);
    if ((id - 1) % 3 == 0) {
      EXPECT_EQ(found, nullptr) << id;
    } else {
      ASSERT_NE(found, nullptr) << id;
      EXPECT_EQ(found->id, id);
    }
  }
  EXPECT_EQ(list.Find(0), nullptr);
  EXPECT_EQ(list.Find(51), nullptr);
}

TEST(DeviceList, MarkDuplicateAddressesClearsBothAndOnlyExactMatches) {
  DeviceList list;
  TDevice* a = list.Append(TDevice::ForTypedAddress("10.0.0.1"));
  TDevice* b = list.Append(TDevice::ForTypedAddress("10.0.0.2"));
  TDevice* c = list.Append(TDevice::ForTypedAddress("10.0.0.1"));
  TDevice* d = list.Append(TDevice::ForTypedAddress("10.0.0.10"));
  list.MarkDuplicateAddresses(a);
  EXPECT_FALSE(a->identified);
  EXPECT_FALSE(c->identified);
  EXPECT_TRUE(b->identified);
  EXPECT_TRUE(d->identified) << "prefix of another address is not the same address";

  TDevice* e = list.Append(TDevice::ForTypedAddress("10.0.0.2"));
  b->identified = e->identified = true;
  list.MarkDuplicateAddresses(d);  // unique: changes nothing
  EXPECT_TRUE(d->identified);
  EXPECT_TRUE(b->identified);
}

}  // namespace
}  // namespace protocol
