// The selector-to-group table and the worker's walk over the device mask,
// for chips whose groups have no procedure (no device traffic).
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "chip_catalogue.h"
#include "job.h"
#include "library_state.h"
#include "procedures/procedures.h"

namespace kvn::test {
namespace {

using Clock = std::chrono::steady_clock;

TEST(GroupTable, SelectorsMapToTheirGroups) {
  const int32_t groups[job::kSelectorCount] = {1, 2, 5, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  for (uint32_t selector = 0; selector < job::kSelectorCount; ++selector) {
    const job::GroupEntry *entry = job::GroupOfSelector(selector);
    ASSERT_NE(entry, nullptr) << selector;
    EXPECT_EQ(entry->group, groups[selector]) << "selector " << selector;
    ASSERT_NE(entry->connect, nullptr);
  }
  EXPECT_EQ(job::GroupOfSelector(9)->connect, &procedures::ConnectTolv);
  EXPECT_EQ(job::GroupOfSelector(2)->connect, job::GroupOfSelector(5)->connect);
  EXPECT_EQ(job::GroupOfSelector(12), nullptr);
  EXPECT_EQ(job::GroupOfSelector(0xFFFFFFFFu), nullptr);
}

TEST(GroupTable, EveryCatalogueRowHasAnEntry) {
  for (const catalogue::ChipRecord &record : catalogue::kChipRecords) {
    EXPECT_NE(job::GroupOfSelector(record.procedureSelector), nullptr) << record.familyLabel;
  }
}

TEST(GroupTable, GroupsWithoutAProcedureEndWithCode13NotWithSuccess) {
  auto state = std::make_unique<LibraryState>();
  for (uint32_t selector : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 10u, 11u, 12u, 99u}) {
    state->context.SetLastError(0);
    job::RunConnectProcedure(selector, state->job, state->context);
    EXPECT_EQ(state->context.lastError.load(), job::kErrorVariantUnsupported) << selector;
  }
}

JobParameters ParametersFor(const char *chip, uint32_t mask) {
  JobParameters params;
  params.chipIndex = *catalogue::LookupChipRow(chip);
  params.deviceMask = mask;
  return params;
}

TEST(JobWorker, MaskZeroFinishesAtOnceAndStoresNothing) {
  auto state = std::make_unique<LibraryState>();
  state->context.SetLastError(0);
  job::JobWorker(ParametersFor("Vrel-01", 0), *state);
  EXPECT_TRUE(state->workFinished.load());
  EXPECT_EQ(state->context.lastError.load(), 0);
}

TEST(JobWorker, PausesHalfASecondAfterEveryBitPositionUpToTheHighest) {
  auto state = std::make_unique<LibraryState>();
  const auto start = Clock::now();
  job::JobWorker(ParametersFor("Vrel-01", 0x05), *state);
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  EXPECT_GE(ms, 1500.0) << "bit positions 0, 1 and 2";
  EXPECT_TRUE(state->workFinished.load());
  EXPECT_EQ(state->context.lastError.load(), job::kErrorVariantUnsupported);
}

TEST(JobWorker, AParameterBlockWithoutACatalogueRowProgramsNothingAndSaysSo) {
  auto state = std::make_unique<LibraryState>();
  JobParameters params;
  params.chipIndex = catalogue::kChipRecordCount;
  params.deviceMask = 1;
  job::JobWorker(params, *state);
  EXPECT_TRUE(state->workFinished.load());
  EXPECT_EQ(state->context.lastError.load(), job::kErrorVariantUnsupported);
}

}  // namespace
}  // namespace kvn::test
