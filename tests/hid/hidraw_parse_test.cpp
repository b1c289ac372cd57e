#include <gtest/gtest.h>

#include "platform/hidraw_backend.h"

namespace {

using kvn::platform::hidraw::NodeNumber;
using kvn::platform::hidraw::ParseHidId;

TEST(HidrawParse, HidIdGivesVendorAndProduct) {
  const auto ids = ParseHidId("0003:00001209:00000047");
  ASSERT_TRUE(ids.has_value());
  EXPECT_EQ(ids->vendorId, 0x1209);
  EXPECT_EQ(ids->productId, 0x0047);
  EXPECT_EQ(ParseHidId("0005:0000ABCD:0000ef01")->productId, 0xEF01);
}

TEST(HidrawParse, MalformedOrWideHidIdsAreRefused) {
  for (const char *text : {"", "0003", "0003:00001209", "0003:00001209:", "0003:0001209G:00000047",
                           "0003:00011209:00000047", "0003:00001209:00000047:1", "0003:+0001209:00000047",
                           "0003:000001209:00000047"}) {
    EXPECT_FALSE(ParseHidId(text).has_value()) << text;
  }
}

TEST(HidrawParse, NodeNumbers) {
  EXPECT_EQ(NodeNumber("hidraw0"), 0u);
  EXPECT_EQ(NodeNumber("hidraw12"), 12u);
  EXPECT_FALSE(NodeNumber("hidraw").has_value());
  EXPECT_FALSE(NodeNumber("hidraw1a").has_value());
  EXPECT_FALSE(NodeNumber("event3").has_value());
}

}  // namespace
