// The boot-entry frame a Tolv connect sends: the CheckDeviceCmd setting of
// exactly 16 characters replaces the built-in frame. The connect procedure
// runs here on the test's thread against an emulated product on a real
// hidraw node, with the setting passed in its parameter block.
#include <gtest/gtest.h>

#include <cstring>

#include "hid/device_table.h"
#include "kvn_isp.h"
#include "library_state.h"
#include "procedures/procedures.h"
#include "procedures/tolv_chip_rules.h"
#include "tolv_rig.h"

namespace kvn::test {
namespace {

constexpr const char *kCustomEntry = "0102030405A6B7C8";

JobParameters ConnectParameters(const char *checkDeviceCmd, std::vector<uint8_t> &image) {
  JobParameters job;
  job.deviceMask = 1;
  job.chipIndex = procedures::kTolv01;
  job.eraseStepDelayMs = 11;
  job.blockDelayMs = 1;
  job.imageData = image.data();
  std::strncpy(job.checkDeviceCmd.data(), checkDeviceCmd, job.checkDeviceCmd.size() - 1);
  return job;
}

struct EntryCase {
  const char *setting;
  int32_t code;        // the connect's code: 30 once the boot loader answered, 10 when it never started
  bool customOnWire;   // the setting's bytes went out, not the built-in frame
};

void PrintTo(const EntryCase &c, std::ostream *os) { *os << '"' << c.setting << '"'; }

std::string EntryCaseName(const ::testing::TestParamInfo<EntryCase> &info) {
  static const char *const kNames[] = {"SixteenDigits", "SixteenLowerCaseDigits", "FifteenDigits",
                                       "SeventeenDigits", "Empty"};
  return info.index < std::size(kNames) ? kNames[info.index] : "Case" + std::to_string(info.index);
}

class TolvBootEntry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(TolvBootEntry, SixteenDigitSettingReplacesTheBuiltInFrame) {
  const EntryCase &c = GetParam();
  TolvRig rig;
  ASSERT_TRUE(rig.Ok()) << rig.Error();
  // The product's firmware listens for the custom frame only; the erase
  // fault ends the run as soon as the boot loader has been reached.
  const RigProduct product =
      rig.Add({{"chip", "Tolv-01"}, {"entry", kCustomEntry}, {"fault", "fail-write:erase"}});
  ASSERT_TRUE(KvnISP_SetChipName("Tolv-01"));
  ASSERT_EQ(hid::FindDevices(KVN_DEVICE_VENDOR_ID, KVN_DEVICE_PRODUCT_ID), 1);
  hid::SelectDevice(0);

  std::vector<uint8_t> image(0x40000, 0xFF);
  const JobParameters job = ConnectParameters(c.setting, image);
  protocol::IspContext &context = State().context;
  context.SetLastError(0);
  EXPECT_FALSE(procedures::ConnectTolv(job, context));
  EXPECT_EQ(context.lastError.load(), c.code);

  const std::vector<std::vector<uint8_t>> sent = SentFrames(product.Reports());
  ASSERT_FALSE(sent.empty());
  const std::vector<uint8_t> custom = Padded({0x01, 0x02, 0x03, 0x04, 0x05, 0xA6, 0xB7, 0xC8});
  const std::array<uint8_t, 8> builtIn = KVN_BOOT_ENTRY_FRAME_INIT;
  if (c.customOnWire) {
    EXPECT_EQ(sent[0], custom);
  } else {
    EXPECT_TRUE(std::equal(builtIn.begin(), builtIn.end(), sent[0].begin()));
  }
}

INSTANTIATE_TEST_SUITE_P(Settings, TolvBootEntry,
                         ::testing::Values(EntryCase{kCustomEntry, 30, true},
                                           EntryCase{"0102030405a6b7c8", 30, true},
                                           EntryCase{"0102030405A6B7C", 10, false},
                                           EntryCase{"0102030405A6B7C8F", 10, false},
                                           EntryCase{"", 10, false}),
                         EntryCaseName);

}  // namespace
}  // namespace kvn::test
