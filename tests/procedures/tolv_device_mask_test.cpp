// One job over several emulated products: the device mask picks the rows of
// the device table, the worker pauses 500 ms after every bit position, and a
// failing product does not stop the next one.
#include <gtest/gtest.h>

#include <algorithm>

#include "kvn_isp.h"
#include "tolv_rig.h"

namespace kvn::test {
namespace {

// The product behind row of the library's device table, by the name the
// library gives the row.
int ProductOfRow(const std::vector<RigProduct> &products, int32_t row) {
  char name[KVN_ISP_DEV_NAME_SIZE] = {};
  if (!KvnISP_GetDevName(row, name)) return -1;
  const std::string text = name;
  for (std::size_t i = 0; i < products.size(); ++i) {
    const sim::Node &node = products[i].Node();
    if (text.find(node.HidName()) != std::string::npos || text.find(node.DevicePath()) != std::string::npos ||
        node.SysPath().find(text) != std::string::npos)
      return static_cast<int>(i);
  }
  return -1;
}

TEST(TolvDeviceMask, MaskPicksRowsPausesPerBitAndKeepsTheLastCode) {
  TolvRig rig;
  ASSERT_TRUE(rig.Ok()) << rig.Error();
  std::vector<RigProduct> products;
  for (int i = 0; i < 3; ++i) products.push_back(rig.Add({{"chip", "Tolv-05"}}));
  ASSERT_TRUE(KvnISP_SetChipName("Tolv-05"));
  ASSERT_EQ(KvnISP_GetDevNum(KVN_DEVICE_VENDOR_ID, KVN_DEVICE_PRODUCT_ID), 3);
  const int row0 = ProductOfRow(products, 0), row1 = ProductOfRow(products, 1), row2 = ProductOfRow(products, 2);
  ASSERT_TRUE(row0 >= 0 && row1 >= 0 && row2 >= 0) << "rows must name the emulated products";

  // Row 0 refuses its tenth report (a data report): code 21 for that device.
  sim::FaultPlan refuse;
  refuse.failSetNumber = 10;
  products[row0].Node().SetFaults(refuse);

  const std::vector<uint8_t> image = PatternImage(0x4000, 31);
  JobRequest request;
  request.chip = "Tolv-05";
  request.binImage = image;
  request.deviceMask = 0x05;
  const JobOutcome outcome = rig.Run(request);
  ASSERT_EQ(outcome.startResult, 0);
  // Row 2 succeeds, but lastError keeps row 0's code.
  EXPECT_EQ(outcome.code, 21);

  EXPECT_TRUE(products[row1].Reports().empty()) << "bit 1 is clear: row 1 hears nothing";
  EXPECT_TRUE(products[row2].Chip().Flash() == image);
  EXPECT_FALSE(products[row2].Chip().InBootLoader());
  EXPECT_FALSE(products[row0].Chip().Flash() == image);

  const std::vector<ReportRecord> first = products[row0].Reports(), last = products[row2].Reports();
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(last.empty());
  EXPECT_GE(MsBetween(first.back().time, last.front().time), 1000.0)
      << "500 ms after bit 0 and after bit 1 before row 2";
  EXPECT_GE(MsBetween(last.back().time, outcome.finishedSeen), 500.0) << "500 ms after bit 2";
}

}  // namespace
}  // namespace kvn::test
