// The rules of finding a device: the boot-id retry, --wait, the window for
// permissions udev has not applied yet, and the choice among several
// matches. The probe and the clock are fakes, so no time passes.
#include "device_search.h"

#include "kvn_product.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>

namespace kvnisp {
namespace {

using namespace std::chrono_literals;

// A scripted world: what each id pair shows as a function of fake time.
struct FakeWorld {
  std::chrono::steady_clock::time_point now{};
  std::chrono::milliseconds slept{0};
  int probes = 0;
  bool interrupt = false;
  // productId -> (from time, library count, node error)
  struct Appearance {
    std::chrono::milliseconds from;
    int count;
    int nodeError;
    std::chrono::milliseconds deniedUntil{0};
  };
  std::map<uint16_t, Appearance> devices;

  PairProbe Probe(const IdPair &ids) {
    ++probes;
    PairProbe probe;
    probe.ids = ids;
    auto it = devices.find(ids.productId);
    if (it == devices.end() || slept < it->second.from) return probe;
    HidrawNode node;
    node.devicePath = "/dev/hidraw0";
    node.vendorId = ids.vendorId;
    node.productId = ids.productId;
    node.openError = slept < it->second.deniedUntil ? it->second.nodeError : 0;
    probe.nodes.push_back(node);
    probe.libraryCount = node.openError == 0 ? it->second.count : 0;
    for (int i = 0; i < probe.libraryCount; ++i) probe.names.push_back("dev" + std::to_string(i));
    return probe;
  }

  SearchClock Clock() {
    return {[this] { return now; },
            [this](std::chrono::milliseconds pause) {
              now += pause;
              slept += pause;
            },
            [this] { return interrupt; }};
  }

  SearchOutcome Search(std::optional<double> wait, size_t first = 0) {
    std::vector<IdPair> pairs = CandidateIds(CommonOptions{});
    return SearchDevices(pairs, first, wait, [this](const IdPair &ids) { return Probe(ids); }, Clock());
  }
};

constexpr uint16_t kNormal = KVN_DEVICE_PRODUCT_ID;
constexpr uint16_t kBoot = KVN_BOOT_PRODUCT_ID;

TEST(CandidateIds, ProductPairsOrGivenPairOnly) {
  std::vector<IdPair> pairs = CandidateIds(CommonOptions{});
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0].productId, KVN_DEVICE_PRODUCT_ID);
  EXPECT_FALSE(pairs[0].bootLoader);
  EXPECT_EQ(pairs[1].vendorId, KVN_BOOT_VENDOR_ID);
  EXPECT_EQ(pairs[1].productId, KVN_BOOT_PRODUCT_ID);
  EXPECT_TRUE(pairs[1].bootLoader);
  CommonOptions given;
  given.vendorId = 0x1234;
  given.productId = 0x5678;
  pairs = CandidateIds(given);
  ASSERT_EQ(pairs.size(), 1u);
  EXPECT_EQ(FormatIds(pairs[0].vendorId, pairs[0].productId), "1234:5678");
}

TEST(SearchDevices, NormalIdsFirst) {
  FakeWorld world;
  world.devices[kNormal] = {0ms, 1, 0};
  world.devices[kBoot] = {0ms, 1, 0};
  SearchOutcome outcome = world.Search(std::nullopt);
  ASSERT_EQ(outcome.result, SearchResult::kFound);
  EXPECT_EQ(outcome.pairIndex, 0u);
  EXPECT_EQ(world.probes, 1);
}

TEST(SearchDevices, BootIdsWhenNothingAnswersUnderTheNormalOnes) {
  FakeWorld world;
  world.devices[kBoot] = {0ms, 2, 0};
  SearchOutcome outcome = world.Search(std::nullopt);
  ASSERT_EQ(outcome.result, SearchResult::kFound);
  EXPECT_EQ(outcome.pairIndex, 1u);
  EXPECT_EQ(outcome.probe.libraryCount, 2);
  EXPECT_EQ(outcome.probe.ids.productId, kBoot);
}

TEST(SearchDevices, StartingPastTheFirstPairSkipsIt) {
  FakeWorld world;
  world.devices[kNormal] = {0ms, 1, 0};
  world.devices[kBoot] = {0ms, 1, 0};
  SearchOutcome outcome = world.Search(std::nullopt, 1);
  ASSERT_EQ(outcome.result, SearchResult::kFound);
  EXPECT_EQ(outcome.pairIndex, 1u);
}

TEST(SearchDevices, WithoutWaitOneRoundDecides) {
  FakeWorld world;
  world.devices[kNormal] = {1000ms, 1, 0};
  SearchOutcome outcome = world.Search(std::nullopt);
  EXPECT_EQ(outcome.result, SearchResult::kNotFound);
  EXPECT_EQ(world.probes, 2);
  EXPECT_EQ(world.slept, 0ms);
  EXPECT_EQ(world.Search(0.0).result, SearchResult::kNotFound);
}

TEST(SearchDevices, WaitFindsAProductThatAppearsLater) {
  FakeWorld world;
  world.devices[kBoot] = {3000ms, 1, 0};
  SearchOutcome outcome = world.Search(10.0);
  ASSERT_EQ(outcome.result, SearchResult::kFound);
  EXPECT_EQ(outcome.pairIndex, 1u);
  EXPECT_GE(world.slept, 3000ms);
  EXPECT_LT(world.slept, 3000ms + kProbeInterval + 1ms);
}

TEST(SearchDevices, WaitEndsAfterItsTime) {
  FakeWorld world;
  SearchOutcome outcome = world.Search(2.0);
  EXPECT_EQ(outcome.result, SearchResult::kNotFound);
  EXPECT_GE(world.slept, 2000ms);
  EXPECT_LT(world.slept, 2000ms + kProbeInterval + 1ms);
  EXPECT_EQ(outcome.lastProbes.size(), 2u);
}

TEST(SearchDevices, RefusedNodeWithoutWaitIsAPermissionProblemAtOnce) {
  FakeWorld world;
  world.devices[kNormal] = {0ms, 1, EACCES, 1h};
  SearchOutcome outcome = world.Search(std::nullopt);
  EXPECT_EQ(outcome.result, SearchResult::kPermissionDenied);
  EXPECT_TRUE(outcome.probe.HasDeniedNode());
  EXPECT_EQ(world.slept, 0ms);
}

TEST(SearchDevices, RefusedNodeRightAfterItAppearsIsRetriedWhileWaiting) {
  FakeWorld world;
  // Appears at 1 s, udev grants access 1.5 s later.
  world.devices[kNormal] = {1000ms, 1, EACCES, 2500ms};
  SearchOutcome outcome = world.Search(30.0);
  ASSERT_EQ(outcome.result, SearchResult::kFound);
  EXPECT_GE(world.slept, 2500ms);
}

TEST(SearchDevices, RefusedNodeForLongerThanTheWindowIsAPermissionProblem) {
  FakeWorld world;
  world.devices[kNormal] = {1000ms, 1, EPERM, 1h};
  SearchOutcome outcome = world.Search(30.0);
  ASSERT_EQ(outcome.result, SearchResult::kPermissionDenied);
  EXPECT_GE(world.slept, 1000ms + kPermissionWindow);
  EXPECT_LT(world.slept, 1000ms + kPermissionWindow + kProbeInterval + 1ms);
}

TEST(SearchDevices, WindowOutlastsTheEndOfTheWait) {
  FakeWorld world;
  // Appears just before --wait 1 ends; access comes 1 s after that end.
  world.devices[kNormal] = {750ms, 1, EACCES, 2000ms};
  EXPECT_EQ(world.Search(1.0).result, SearchResult::kFound);
}

TEST(SearchDevices, InterruptEndsTheWait) {
  FakeWorld world;
  world.interrupt = true;
  EXPECT_EQ(world.Search(60.0).result, SearchResult::kInterrupted);
  EXPECT_EQ(world.slept, 0ms);
}

TEST(ChooseDeviceMask, OneDeviceNeedsNoChoice) {
  MaskChoice choice = ChooseDeviceMask(1, std::nullopt, std::nullopt);
  EXPECT_EQ(choice.mask, 1u);
}

TEST(ChooseDeviceMask, SeveralDevicesAreNotGuessed) {
  MaskChoice choice = ChooseDeviceMask(3, std::nullopt, std::nullopt);
  EXPECT_FALSE(choice.mask);
  EXPECT_TRUE(choice.ambiguous);
  EXPECT_NE(choice.error.find("3 devices match"), std::string::npos);
}

TEST(ChooseDeviceMask, IndexAndMaskWithinTheMatches) {
  EXPECT_EQ(ChooseDeviceMask(3, std::nullopt, 2u).mask, 4u);
  EXPECT_EQ(ChooseDeviceMask(3, 0x05u, std::nullopt).mask, 5u);
  MaskChoice past = ChooseDeviceMask(2, std::nullopt, 2u);
  EXPECT_FALSE(past.mask);
  EXPECT_FALSE(past.ambiguous);
  EXPECT_NE(past.error.find("only 2 devices"), std::string::npos);
  MaskChoice wide = ChooseDeviceMask(2, 0x05u, std::nullopt);
  EXPECT_FALSE(wide.mask);
  EXPECT_NE(wide.error.find("selects device 2"), std::string::npos);
}

}  // namespace
}  // namespace kvnisp
