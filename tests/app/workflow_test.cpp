// The upgrade workflow: the timer rule that moves the bar, the state table,
// and the worker's status texts and attempts, seen through a fake window and
// a fake library client.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kvn_product.h"
#include "test_support.h"
#include "upgrade_workflow.h"

namespace kvn::app {
namespace {

// --- the timer rule -----------------------------------------------------------

TEST(ProgressTick, BarRisesByOneStepWhileAtMostFiveTimesThePosition) {
  WorkflowFields fields;
  fields.busy = true;
  std::vector<int32_t> shown;
  for (int32_t pos : {0, 40, 40}) {
    const TickOutcome outcome = ApplyProgressTick(fields, pos);
    EXPECT_FALSE(outcome.stopTimer);
    EXPECT_EQ(fields.progress, pos);
    shown.push_back(fields.shownProgress);
  }
  EXPECT_EQ(shown, (std::vector<int32_t>{5, 10, 15}));

  // The bar leads the library by at most one step, then waits for it.
  fields.shownProgress = 0;
  shown.clear();
  for (int32_t pos : {1, 1, 1, 2}) {
    ApplyProgressTick(fields, pos);
    shown.push_back(fields.shownProgress);
  }
  EXPECT_EQ(shown, (std::vector<int32_t>{5, 10, 10, 15}));
  EXPECT_TRUE(fields.busy);
  EXPECT_EQ(fields.status, status::kWindowOpened);
}

TEST(ProgressTick, FinishedJobFillsTheBarAtOnce) {
  WorkflowFields fields;
  fields.busy = true;
  fields.shownProgress = 35;
  const TickOutcome outcome = ApplyProgressTick(fields, 100);
  EXPECT_EQ(fields.shownProgress, kFullBar);
  EXPECT_EQ(fields.progress, 100);
  EXPECT_EQ(fields.status, status::kFinished);
  EXPECT_TRUE(fields.finished);
  EXPECT_FALSE(fields.busy);
  EXPECT_TRUE(outcome.stopTimer);
  EXPECT_TRUE(outcome.deleteLibraryCopy);
}

TEST(ProgressTick, FailedJobKeepsTheBarValueAndHidesTheFill) {
  WorkflowFields fields;
  fields.busy = true;
  fields.shownProgress = 235;
  fields.progress = 46;
  const TickOutcome outcome = ApplyProgressTick(fields, -1);
  EXPECT_EQ(fields.shownProgress, 235);
  EXPECT_EQ(fields.progress, -1);  // the fill is drawn only above 0
  EXPECT_EQ(fields.status, status::kFailed);
  EXPECT_FALSE(fields.finished);
  EXPECT_FALSE(fields.busy);
  EXPECT_TRUE(outcome.stopTimer);
  EXPECT_TRUE(outcome.deleteLibraryCopy);
}

// A run's ticks until the timer is stopped; the timer stops exactly once,
// on the tick with the final result.
TEST(ProgressTick, TimerStopsExactlyOncePerRun) {
  for (int32_t last : {100, -1}) {
    WorkflowFields fields;
    fields.busy = true;
    const std::vector<int32_t> polls = {0, 0, 12, 50, 99, 99, last};
    std::vector<std::size_t> stops;
    std::size_t tick = 0;
    for (int32_t pos : polls) {
      const TickOutcome outcome = ApplyProgressTick(fields, pos);
      if (outcome.stopTimer) stops.push_back(tick);
      EXPECT_EQ(outcome.deleteLibraryCopy, outcome.stopTimer);
      ++tick;
    }
    EXPECT_EQ(stops, std::vector<std::size_t>{polls.size() - 1}) << "last " << last;
  }
}

TEST(WorkflowStates, StateTable) {
  WorkflowFields fields;
  EXPECT_EQ(StateOf(fields, false), WorkflowState::Idle);
  fields.busy = true;
  EXPECT_EQ(StateOf(fields, false), WorkflowState::Preparing);
  EXPECT_EQ(StateOf(fields, true), WorkflowState::Running);
  ApplyProgressTick(fields, 100);
  EXPECT_EQ(StateOf(fields, false), WorkflowState::Succeeded);

  WorkflowFields failed;
  failed.busy = true;
  ApplyProgressTick(failed, -1);
  EXPECT_EQ(StateOf(failed, false), WorkflowState::Idle);
  EXPECT_STREQ(WorkflowStateName(WorkflowState::Running), "Running");
}

// --- the worker -----------------------------------------------------------------

// Records the worker's hand-offs to the window, in order.
class FakeWindow : public WindowPort {
 public:
  void SetStatus(const StatusLines &lines) override { calls.push_back("status " + lines.en + " / " + lines.cn); }
  void SetBusy(bool busy) override { calls.push_back(busy ? "busy true" : "busy false"); }
  void RequestRepaint() override { calls.push_back("repaint"); }
  void StartProgressTimer() override { calls.push_back("timer"); }

  std::vector<std::string> calls;
};

// Answers the attempts in turn; notes what the files looked like at each.
class FakeStarter : public UpgradeStarter {
 public:
  explicit FakeStarter(std::vector<bool> answers) : answers_(std::move(answers)) {}

  struct Seen {
    UpgradeRequest request;
    std::string firmware;     // content of the firmware file
    bool libraryCopy = false;  // a file at the library-copy path
  };

  bool StartUpgrade(const UpgradeRequest &request) override {
    seen.push_back({request, ReadFile(request.firmwarePath), FileExists(request.libraryPath)});
    // The library might have been put there meanwhile; the worker clears it.
    if (plantLibraryCopy) WriteFile(request.libraryPath, "library copy");
    const bool answer = seen.size() <= answers_.size() && answers_[seen.size() - 1];
    return answer;
  }

  std::vector<Seen> seen;
  bool plantLibraryCopy = false;

 private:
  std::vector<bool> answers_;
};

const UpgradeTarget kTarget{KVN_PRODUCT_CHIP_NAME, static_cast<int32_t>(KVN_DEVICE_VENDOR_ID),
                            static_cast<int32_t>(KVN_DEVICE_PRODUCT_ID), static_cast<int32_t>(KVN_BOOT_VENDOR_ID),
                            static_cast<int32_t>(KVN_BOOT_PRODUCT_ID)};
const std::string kUpgrading = "status Upgrading... / 升级中...";

class UpgradeWorkerTest : public ::testing::Test {
 protected:
  UpgradeWorkerTest()
      : folder_("worker"), firmware_(kImage), files_([this] { return folder_.Path(); }, firmware_, sink_) {}

  static constexpr const char *kImage = ":020000040000FA\r\n:00000001FF\r\n";

  void Run(FakeStarter &starter, const TempFiles &files) { UpgradeWorker(window_, files, starter, kTarget); }
  void Run(FakeStarter &starter) { Run(starter, files_); }

  TempFolder folder_;
  MemoryFirmware firmware_;
  RecordingSink sink_;
  TempFiles files_;
  FakeWindow window_;
};

TEST_F(UpgradeWorkerTest, FirstAttemptStartsTheTimer) {
  FakeStarter starter({true});
  starter.plantLibraryCopy = true;
  Run(starter);
  EXPECT_EQ(window_.calls, (std::vector<std::string>{kUpgrading, "timer"}));
  ASSERT_EQ(starter.seen.size(), 1u);
  const UpgradeRequest &request = starter.seen[0].request;
  EXPECT_EQ(request.firmwarePath, files_.FirmwarePath());
  EXPECT_EQ(request.chipName, "Tolv-01");
  EXPECT_EQ(request.vendorId, 0x1209);
  EXPECT_EQ(request.productId, 0x0047);
  EXPECT_EQ(request.libraryPath, files_.LibraryCopyPath());
  EXPECT_EQ(starter.seen[0].firmware, kImage);
  // Afterwards neither file is left.
  EXPECT_FALSE(FileExists(files_.FirmwarePath()));
  EXPECT_FALSE(FileExists(files_.LibraryCopyPath()));
  EXPECT_TRUE(sink_.notices.empty());
}

TEST_F(UpgradeWorkerTest, SecondAttemptUsesTheBootLoaderIds) {
  FakeStarter starter({false, true});
  Run(starter);
  EXPECT_EQ(window_.calls, (std::vector<std::string>{kUpgrading, "timer"}));
  ASSERT_EQ(starter.seen.size(), 2u);
  const UpgradeRequest &first = starter.seen[0].request;
  const UpgradeRequest &second = starter.seen[1].request;
  EXPECT_EQ(first.vendorId, 0x1209);
  EXPECT_EQ(first.productId, 0x0047);
  EXPECT_EQ(second.vendorId, 0x1209);
  EXPECT_EQ(second.productId, 0x7140);
  EXPECT_EQ(second.chipName, first.chipName);
  EXPECT_EQ(second.firmwarePath, first.firmwarePath);
  EXPECT_EQ(second.libraryPath, first.libraryPath);
  EXPECT_EQ(starter.seen[1].firmware, kImage);
  EXPECT_FALSE(FileExists(files_.FirmwarePath()));
}

TEST_F(UpgradeWorkerTest, NeitherAttemptEndsWithDeviceNotFound) {
  FakeStarter starter({false, false});
  Run(starter);
  EXPECT_EQ(window_.calls, (std::vector<std::string>{kUpgrading, "status Device not found!! / 找不到设备!!",
                                                      "busy false", "repaint"}));
  EXPECT_EQ(starter.seen.size(), 2u);
  EXPECT_FALSE(FileExists(files_.FirmwarePath()));
}

TEST_F(UpgradeWorkerTest, FileErrorEndsTheRunBeforeAnyAttempt) {
  MemoryFirmware missing("", ResourceStatus::NotFound);
  TempFiles files([this] { return folder_.Path(); }, missing, sink_);
  FakeStarter starter({true});
  Run(starter, files);
  EXPECT_EQ(sink_.notices, (std::vector<RecordingSink::Message>{{"查找资源失败", "警告"}}));
  EXPECT_EQ(window_.calls,
            (std::vector<std::string>{"status Upgrade file error / 升级文件损坏", "repaint", "busy false"}));
  EXPECT_TRUE(starter.seen.empty());
}

TEST_F(UpgradeWorkerTest, LibraryCopyIsGoneBeforeTheLibraryLoads) {
  std::filesystem::create_directories(folder_.Path() + "/isptemp");
  WriteFile(files_.LibraryCopyPath(), "somebody's library");
  WriteFile(files_.FirmwarePath(), std::string(100000, 'X'));  // left by an earlier run
  FakeStarter starter({false, false});
  Run(starter);
  ASSERT_EQ(starter.seen.size(), 2u);
  EXPECT_FALSE(starter.seen[0].libraryCopy);
  EXPECT_EQ(starter.seen[0].firmware, kImage);
}

TEST_F(UpgradeWorkerTest, RunsFollowEachOther) {
  FakeStarter starter({false, false, true});
  Run(starter);
  Run(starter);
  EXPECT_EQ(window_.calls, (std::vector<std::string>{kUpgrading, "status Device not found!! / 找不到设备!!",
                                                      "busy false", "repaint", kUpgrading, "timer"}));
  ASSERT_EQ(starter.seen.size(), 3u);
  EXPECT_EQ(starter.seen[2].request.productId, 0x0047);  // a new run starts with the device ids
  EXPECT_EQ(starter.seen[2].firmware, kImage);
}

}  // namespace
}  // namespace kvn::app
