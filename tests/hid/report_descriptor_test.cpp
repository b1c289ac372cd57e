#include "hid/report_descriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "fake_hid_backend.h"

namespace {

using kvn::hid::ParseReportDescriptor;
using kvn::hid::ReportDescriptorCaps;
using Bytes = std::vector<uint8_t>;

ReportDescriptorCaps Parse(const Bytes &d) { return ParseReportDescriptor(d.data(), d.size()); }

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes &p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

const Bytes kOpen = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};  // vendor page, application collection
const Bytes kClose = {0xC0};

Bytes Field(uint8_t size, uint8_t count, uint8_t mainPrefix, uint8_t flags) {
  return {0x75, size, 0x95, count, mainPrefix, flags};
}
Bytes Feature(uint8_t size, uint8_t count, uint8_t flags = 0x02) { return Field(size, count, 0xB1, flags); }

TEST(ReportDescriptor, VendorFeatureReportsGiveOnePlusTheirDataBytes) {
  for (uint16_t bytes : {8, 64, 1, 4095}) {
    const auto caps = Parse(kvn::test::VendorFeatureDescriptor(bytes));
    ASSERT_TRUE(caps.parsed) << bytes;
    EXPECT_EQ(caps.featureReportByteLength, 1u + bytes);
    EXPECT_EQ(caps.numberFeatureValueCaps, 1u);
    EXPECT_EQ(caps.firstFeatureValueReportId, 0);
  }
}

TEST(ReportDescriptor, ReportIdOfTheFirstValueCapability) {
  const auto caps = Parse(kvn::test::VendorFeatureDescriptor(64, 7));
  ASSERT_TRUE(caps.parsed);
  EXPECT_EQ(caps.featureReportByteLength, 65u);  // the id byte is the one byte added
  EXPECT_EQ(caps.firstFeatureValueReportId, 7);
}

TEST(ReportDescriptor, LengthIsTheLargestReportNotTheSumOverIds) {
  const Bytes d = Join({kOpen, {0x85, 0x01}, Feature(8, 8), {0x85, 0x02}, Feature(8, 32), {0x85, 0x01},
                        Feature(8, 4), kClose});
  const auto caps = Parse(d);
  ASSERT_TRUE(caps.parsed);
  EXPECT_EQ(caps.featureReportByteLength, 33u);  // id 2: 32 bytes; id 1: 8 + 4
  EXPECT_EQ(caps.numberFeatureValueCaps, 3u);
  EXPECT_EQ(caps.firstFeatureValueReportId, 1);
}

TEST(ReportDescriptor, FieldsOfOneReportAddUpAndRoundToBytes) {
  const Bytes d = Join({kOpen, Feature(8, 8), Feature(3, 1), kClose});
  EXPECT_EQ(Parse(d).featureReportByteLength, 1u + 9u);  // 67 bits -> 9 bytes
}

TEST(ReportDescriptor, OnlyDataVariableMultiBitFieldsAreValues) {
  // Padding (constant), an array and 1-bit flags count toward the length only.
  const Bytes d = Join({kOpen, Feature(8, 2, 0x01), Feature(8, 2, 0x00), Feature(1, 8, 0x02), kClose});
  const auto caps = Parse(d);
  ASSERT_TRUE(caps.parsed);
  EXPECT_EQ(caps.featureReportByteLength, 1u + 5u);
  EXPECT_EQ(caps.numberFeatureValueCaps, 0u);
  EXPECT_EQ(caps.firstFeatureValueReportId, 0);
}

TEST(ReportDescriptor, EachUsageOfAFieldIsItsOwnValueCapability) {
  const Bytes d = Join({kOpen, {0x09, 0x10, 0x09, 0x11, 0x09, 0x12}, Feature(8, 3),
                        {0x19, 0x01, 0x29, 0x08}, Feature(8, 8), kClose});
  EXPECT_EQ(Parse(d).numberFeatureValueCaps, 3u + 1u);  // three usages; one range
}

TEST(ReportDescriptor, InputAndOutputReportsAreNotFeatureReports) {
  const Bytes d = Join({kOpen, Field(8, 64, 0x81, 0x02), Field(8, 64, 0x91, 0x02), kClose});
  const auto caps = Parse(d);
  ASSERT_TRUE(caps.parsed);
  EXPECT_EQ(caps.featureReportByteLength, 0u);
  EXPECT_EQ(caps.numberFeatureValueCaps, 0u);
}

TEST(ReportDescriptor, PushAndPopRestoreTheGlobalState) {
  const Bytes d = Join({kOpen, {0x75, 0x08, 0x95, 0x10, 0xA4, 0x95, 0x02, 0xB4, 0xB1, 0x02}, kClose});
  EXPECT_EQ(Parse(d).featureReportByteLength, 17u);  // the count of 2 was popped away
}

TEST(ReportDescriptor, FourByteItemsAndLongItems) {
  // Report Count as a 4-byte item; a long item in between is skipped.
  const Bytes d = Join({kOpen, {0x75, 0x08, 0x97, 0x20, 0x00, 0x00, 0x00, 0xFE, 0x03, 0x42, 0xAA, 0xBB, 0xCC,
                                0xB1, 0x02},
                        kClose});
  const auto caps = Parse(d);
  ASSERT_TRUE(caps.parsed);
  EXPECT_EQ(caps.featureReportByteLength, 33u);
}

TEST(ReportDescriptor, MalformedDescriptorsAreNotParsed) {
  const Bytes good = kvn::test::VendorFeatureDescriptor(64);
  const std::vector<Bytes> bad = {
      Bytes(good.begin(), good.end() - 2),           // Feature item cut after its prefix... and collection open
      Join({kOpen, {0x75}}),                         // item data missing
      Join({kOpen, {0xFE, 0x10, 0x00, 0x01}}),       // long item shorter than it says
      Join({kOpen, {0xFE}}),                         // long item without its header
      Join({kOpen, Feature(8, 8)}),                  // collection left open
      Join({Feature(8, 8), kClose}),                 // closed without an open
      Join({kOpen, {0xB4}, kClose}),                 // Pop without Push
      Join({kOpen, {0x85, 0x00}, Feature(8, 8), kClose}),        // report id 0
      Join({kOpen, {0x86, 0x00, 0x01}, Feature(8, 8), kClose}),  // report id 256
      Join({kOpen, {0x76, 0x01, 0x01}, kClose}),                 // report size 257
      Join({kOpen, {0x96, 0x01, 0x30}, kClose}),                 // report count 12289
  };
  for (std::size_t i = 0; i < bad.size(); ++i) EXPECT_FALSE(Parse(bad[i]).parsed) << "case " << i;

  Bytes pushes = kOpen;
  for (int i = 0; i < 17; ++i) pushes.push_back(0xA4);
  EXPECT_FALSE(Parse(pushes).parsed);
}

TEST(ReportDescriptor, TheLargestAllowedFieldIsCountedExactly) {
  const Bytes d = Join({kOpen, {0x76, 0x00, 0x01, 0x96, 0x00, 0x30, 0xB1, 0x02}, kClose});  // 256 x 12288
  const auto caps = Parse(d);
  ASSERT_TRUE(caps.parsed);
  EXPECT_EQ(caps.featureReportByteLength, 1u + 256u * 12288u / 8u);
}

TEST(ReportDescriptor, AbsurdTotalsSaturateInsteadOfWrapping) {
  Bytes d = Join({kOpen, {0x76, 0x00, 0x01, 0x96, 0x00, 0x30}});
  for (int i = 0; i < 12000; ++i) d.insert(d.end(), {0xB1, 0x02});  // 12000 x 393216 bytes > 4 GiB
  d.push_back(0xC0);
  const auto caps = Parse(d);
  ASSERT_TRUE(caps.parsed);
  EXPECT_EQ(caps.featureReportByteLength, std::numeric_limits<uint32_t>::max());
  EXPECT_EQ(caps.numberFeatureValueCaps, 12000u);
}

TEST(ReportDescriptor, EmptyAndNullDescriptorsDeclareNothing) {
  const auto empty = ParseReportDescriptor(nullptr, 100);
  EXPECT_TRUE(empty.parsed);
  EXPECT_EQ(empty.featureReportByteLength, 0u);
  EXPECT_EQ(empty.numberFeatureValueCaps, 0u);
}

}  // namespace
