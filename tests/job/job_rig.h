// A library state of its own per test, and a testbed to plug emulated
// products into, for starts and jobs that need no chip procedure.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "chip_catalogue.h"
#include "echo_model.h"
#include "hid/device_table.h"
#include "job.h"
#include "kvn_product.h"
#include "library_state.h"
#include "testbed.h"

namespace kvn::test {

using Clock = std::chrono::steady_clock;

inline double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Sets up state as the set-up exports would: password, chip, ids, mask.
inline void Prepare(LibraryState &state, const char *chip, uint32_t mask,
                    const char *password = KVN_ISP_PASSWORD) {
  std::strncpy(state.passwordText.data(), password, state.passwordText.size() - 1);
  std::strncpy(state.selectedChipName.data(), chip, state.selectedChipName.size() - 1);
  state.chipSelected = catalogue::LookupChipRow(chip).has_value();
  state.vendorId = KVN_DEVICE_VENDOR_ID;
  state.productId = KVN_DEVICE_PRODUCT_ID;
  state.deviceMask = mask;
}

// Waits for the worker's flag; false when it did not come within limit.
inline bool WaitFinished(const LibraryState &state, std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  while (!state.workFinished.load(std::memory_order_acquire)) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class JobRig : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim::Testbed::PreloadActive()) << "run under umockdev-wrapper";
    bed = std::make_unique<sim::Testbed>();
    ASSERT_TRUE(bed->Ok()) << bed->Error();
    hid::SetReportDataLength(KVN_LONG_FRAME_BYTES);
    state = std::make_unique<LibraryState>();
  }

  void TearDown() override {
    // A worker of this test must be done before its state goes away.
    if (state->workerRunning.load()) {
      EXPECT_TRUE(WaitFinished(*state, std::chrono::seconds(20)));
    }
    state.reset();
    bed.reset();
  }

  // One product with the product's ids and a 64-byte feature report that
  // echoes; a job that reaches it shows in its report log.
  sim::Product &PlugProduct() {
    sim::ProductSpec def;
    def.vendorId = KVN_DEVICE_VENDOR_ID;
    def.productId = KVN_DEVICE_PRODUCT_ID;
    def.interfaces.push_back(
        sim::InterfaceSpec::Of(sim::DescriptorKind::Vendor64, std::make_unique<sim::EchoModel>()));
    std::string error;
    sim::Product *product = bed->AddProduct(std::move(def), error);
    EXPECT_NE(product, nullptr) << error;
    return *product;
  }

  std::unique_ptr<sim::Testbed> bed;
  std::unique_ptr<LibraryState> state;
};

// A chip of group 11, whose images need no Vrel file and whose procedure
// this library does not carry: its jobs end with code 13 without traffic.
inline constexpr const char *kChipWithoutProcedure = "Vrel-01";
// An 8-bit chip whose image must come from a Vrel file.
inline constexpr const char *kVrelFileChip = "Vrel-03";

}  // namespace kvn::test
