// The set-up exports through the public header: what they accept, what they
// refuse, the codes they leave and what stays in place after a refusal.
#include <gtest/gtest.h>

#include <string>

#include "frame_state.h"
#include "kvn_isp.h"
#include "library_state.h"
#include "password.h"

namespace {

class SetupExports : public ::testing::Test {
 protected:
  void SetUp() override { kvn::test::ResetLibraryState(); }
  kvn::LibraryState &state() { return kvn::State(); }
  std::string chipName() { return state().selectedChipName.data(); }
};

TEST_F(SetupExports, DeviceMaskUpTo255) {
  EXPECT_EQ(KvnISP_SetDevNum(255), 1);
  EXPECT_EQ(state().deviceMask, 255u);
  EXPECT_EQ(KvnISP_SetDevNum(256), 0);
  EXPECT_EQ(KvnISP_SetDevNum(0xFFFFFFFFu), 0);
  EXPECT_EQ(state().deviceMask, 255u);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 0);
  EXPECT_EQ(KvnISP_SetDevNum(0), 1);
  EXPECT_EQ(state().deviceMask, 0u);
}

TEST_F(SetupExports, VendorAndProductIdsRefuseZeroAndKeepTheOldValue) {
  EXPECT_EQ(KvnISP_SetVendorID(0x1209), 1);
  EXPECT_EQ(KvnISP_SetVendorID(0), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 2);
  EXPECT_EQ(state().vendorId, 0x1209);

  EXPECT_EQ(KvnISP_SetProductID(0x7140), 1);
  EXPECT_EQ(KvnISP_SetProductID(0), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 3);
  EXPECT_EQ(state().productId, 0x7140);
}

TEST_F(SetupExports, IdsTakeTheLow16BitsOfTheArgument) {
  EXPECT_EQ(KvnISP_SetVendorID(0x12345678u), 1);
  EXPECT_EQ(state().vendorId, 0x5678);
  // Low half zero: refused like 0.
  EXPECT_EQ(KvnISP_SetProductID(0x00010000u), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 3);
  EXPECT_EQ(state().productId, 0);
}

TEST_F(SetupExports, SuccessfulSettersLeaveTheLastErrorInPlace) {
  KvnISP_SetVendorID(0);
  ASSERT_EQ(KvnISP_GetLastErrorCode(), 2);
  EXPECT_EQ(KvnISP_SetVendorID(1), 1);
  EXPECT_EQ(KvnISP_SetProductID(1), 1);
  EXPECT_EQ(KvnISP_SetPassword("12345678"), 1);
  EXPECT_EQ(KvnISP_SetChipName("Tolv-01"), 1);
  EXPECT_EQ(KvnISP_SetCodeSecurity(1), 1);
  EXPECT_EQ(KvnISP_SetDevNum(1), 1);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 2);
}

TEST_F(SetupExports, LastErrorCodeIsTheLow16Bits) {
  state().context.lastError.store(0x10021);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 0x21);
}

TEST_F(SetupExports, CodeSecurityUpTo3) {
  EXPECT_EQ(KvnISP_SetCodeSecurity(3), 1);
  EXPECT_EQ(state().codeSecurity, 3u);
  EXPECT_EQ(KvnISP_SetCodeSecurity(4), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 33);
  EXPECT_EQ(state().codeSecurity, 3u);
}

TEST_F(SetupExports, ResetAndCrystalFlagsAreRecorded) {
  EXPECT_EQ(state().context.resetAfterProgram, 1);
  KvnISP_SetResetFlag(0);
  EXPECT_EQ(state().context.resetAfterProgram, 0);
  KvnISP_SetResetFlag(7);
  EXPECT_EQ(state().context.resetAfterProgram, 7);
  KvnISP_SetXtalEnable(1);
  EXPECT_EQ(state().xtalEnable, 1);
}

TEST_F(SetupExports, PasswordOfEightDigitsIsPacked) {
  EXPECT_EQ(KvnISP_SetPassword("20461379"), 1);
  EXPECT_STREQ(state().passwordText.data(), "20461379");
  EXPECT_EQ(state().passwordBytes, (std::array<uint8_t, 4>{0x20, 0x46, 0x13, 0x79}));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 0);
}

TEST_F(SetupExports, PasswordWithLettersAfterTheDigitsUsesTheDigits) {
  EXPECT_EQ(KvnISP_SetPassword("87654321xyz"), 1);
  EXPECT_EQ(state().passwordBytes, (std::array<uint8_t, 4>{0x87, 0x65, 0x43, 0x21}));
}

TEST_F(SetupExports, RefusedPasswordIsBlankedAndStoresCode1) {
  ASSERT_EQ(KvnISP_SetPassword("20461379"), 1);
  EXPECT_EQ(KvnISP_SetPassword("1234567"), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 1);
  // Every character is a blank, the terminator stays: the earlier good
  // password no longer passes the check that a start makes.
  EXPECT_EQ(std::string(state().passwordText.data()), std::string(259, ' '));
  EXPECT_EQ(state().passwordText[259], '\0');
  std::array<uint8_t, 4> bytes{};
  EXPECT_FALSE(kvn::CheckPassword(state().passwordText.data(), bytes));
}

TEST_F(SetupExports, EmptyOrNullPasswordIsRefused) {
  ASSERT_EQ(KvnISP_SetPassword("20461379"), 1);
  EXPECT_EQ(KvnISP_SetPassword(""), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 1);
  EXPECT_EQ(state().passwordText[0], ' ');
  ASSERT_EQ(KvnISP_SetPassword("20461379"), 1);
  EXPECT_EQ(KvnISP_SetPassword(nullptr), 0);
  EXPECT_EQ(state().passwordText[0], ' ');
}

TEST_F(SetupExports, OverlongPasswordIsCutTo259Characters) {
  const std::string longText = "13572468" + std::string(400, '9');
  EXPECT_EQ(KvnISP_SetPassword(longText.c_str()), 1);
  EXPECT_EQ(std::string(state().passwordText.data()), longText.substr(0, 259));
  EXPECT_EQ(state().passwordBytes, (std::array<uint8_t, 4>{0x13, 0x57, 0x24, 0x68}));
  // A shorter password afterwards leaves nothing of the long one behind.
  EXPECT_EQ(KvnISP_SetPassword("11112222"), 1);
  EXPECT_STREQ(state().passwordText.data(), "11112222");
}

TEST_F(SetupExports, ChipNameSelectsTheRecord) {
  EXPECT_EQ(KvnISP_SetChipName("Tolv-01"), 1);
  EXPECT_TRUE(state().chipSelected);
  EXPECT_EQ(state().chipIndex, 18);
  EXPECT_EQ(chipName(), "Tolv-01");
  EXPECT_EQ(KvnISP_GetChipSeries("Tolv-01"), 18);
}

TEST_F(SetupExports, ChipNameKeepsTheHostsLetterCase) {
  EXPECT_EQ(KvnISP_SetChipName("tolv-01"), 1);
  EXPECT_EQ(state().chipIndex, 18);
  EXPECT_EQ(chipName(), "tolv-01");
}

TEST_F(SetupExports, UnknownChipNameStoresCode4AndKeepsTheEarlierChip) {
  ASSERT_EQ(KvnISP_SetChipName("Vrel-27"), 1);
  EXPECT_EQ(KvnISP_SetChipName("Tolv-01 "), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 4);
  EXPECT_FALSE(state().chipSelected);
  EXPECT_EQ(state().chipIndex, 0);
  EXPECT_EQ(chipName(), "Vrel-27");
}

TEST_F(SetupExports, EmptyChipNameIsRefusedWithoutACode) {
  ASSERT_EQ(KvnISP_SetChipName("Tolv-02"), 1);
  EXPECT_EQ(KvnISP_SetChipName(""), 0);
  EXPECT_EQ(KvnISP_SetChipName(nullptr), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 0);
  EXPECT_FALSE(state().chipSelected);
  EXPECT_EQ(state().chipIndex, 17);
}

TEST_F(SetupExports, OverlongChipNameIsUnknownAndNeverStored) {
  ASSERT_EQ(KvnISP_SetChipName("Tolv-03"), 1);
  const std::string longName(5000, 'x');
  EXPECT_EQ(KvnISP_SetChipName(longName.c_str()), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 4);
  EXPECT_EQ(KvnISP_GetChipSeries(longName.c_str()), 14);
  EXPECT_EQ(chipName(), "Tolv-03");
}

TEST_F(SetupExports, ALongerNameIsReplacedWhole) {
  ASSERT_EQ(KvnISP_SetChipName("Tolv-01"), 1);
  // Same length in the catalogue, so check the field has no tail of the old name.
  ASSERT_EQ(KvnISP_SetChipName("zenk-01"), 1);
  EXPECT_EQ(chipName(), "zenk-01");
  EXPECT_EQ(state().chipIndex, 19);
}

TEST_F(SetupExports, ChipSeriesOfUnknownNameReturnsTheCurrentRecordAndCode4) {
  EXPECT_EQ(KvnISP_GetChipSeries("Nope-01"), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 4);
  ASSERT_EQ(KvnISP_SetChipName("Tolv-05"), 1);
  state().context.lastError.store(0);
  EXPECT_EQ(KvnISP_GetChipSeries(""), 11);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 4);
  EXPECT_EQ(KvnISP_GetChipSeries(nullptr), 11);
}

TEST_F(SetupExports, ChipSeriesSelectsWithoutMarkingTheChipSelected) {
  EXPECT_EQ(KvnISP_GetChipSeries("Vrel-01"), 16);
  EXPECT_FALSE(state().chipSelected);
  EXPECT_EQ(chipName(), "Vrel-01");
  ASSERT_EQ(KvnISP_SetChipName("Tolv-01"), 1);
  EXPECT_EQ(KvnISP_GetChipSeries("Vrel-02"), 15);
  EXPECT_TRUE(state().chipSelected);
}

TEST_F(SetupExports, ChipSeriesClearsTheLoadedImageFlagEvenWhenTheNameIsUnknown) {
  state().imageLoaded = true;
  KvnISP_GetChipSeries("Vrel-27");
  EXPECT_FALSE(state().imageLoaded);
  state().imageLoaded = true;
  KvnISP_GetChipSeries("unknown");
  EXPECT_FALSE(state().imageLoaded);
  // Selecting by name does not touch it.
  state().imageLoaded = true;
  KvnISP_SetChipName("Vrel-27");
  EXPECT_TRUE(state().imageLoaded);
}

int g_messages = 0;
int CountingHandler(const char *, const char *, int) {
  ++g_messages;
  return 0;
}

TEST_F(SetupExports, MessageHandlerIsInstalledAndRemoved) {
  KvnISP_SetMessageHandler(&CountingHandler);
  ASSERT_EQ(KvnISP_SetChipName("Tolv-01"), 1);
  const char bad[] = ":0100000000FE\r\n";  // checksum should be FF
  EXPECT_EQ(KvnISP_LoadHexBuffer(bad, static_cast<int32_t>(sizeof bad - 1)), 0);
  EXPECT_EQ(g_messages, 1);
  KvnISP_SetMessageHandler(nullptr);
  testing::internal::CaptureStderr();
  EXPECT_EQ(KvnISP_LoadHexBuffer(bad, static_cast<int32_t>(sizeof bad - 1)), 0);
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_EQ(g_messages, 1);
  EXPECT_NE(printed.find("Line number(1)"), std::string::npos) << printed;
}

}  // namespace
