// The upgrade workflow: what one press of the start control sets in motion.
// The worker (UpgradeWorker) prepares the firmware file and makes up to two
// attempts through the library client; the progress timer follows the job
// on the window thread. The worker never touches the window itself: every
// change goes through a WindowPort, which hands it to the window thread in
// the order it was made.
#pragma once

#include <cstdint>
#include <string>

#include "isp_client.h"
#include "temp_files.h"

namespace kvn::app {

struct StatusLines {
  std::string cn;
  std::string en;
  bool operator==(const StatusLines &) const = default;
};

// Every status text, and the moment it is shown.
namespace status {
inline const StatusLines kWindowOpened{"固件升级", "Firmware Update"};
inline const StatusLines kFileError{"升级文件损坏", "Upgrade file error"};
inline const StatusLines kUpgrading{"升级中...", "Upgrading..."};
inline const StatusLines kDeviceNotFound{"找不到设备!!", "Device not found!!"};
inline const StatusLines kFinished{"固件升级完成", "Upgrade Finish"};
inline const StatusLines kFailed{"升级失败!!", "Upgrade Failed!!"};
}  // namespace status

// Period of ProgressTimer, in milliseconds.
inline constexpr unsigned kProgressTimerMs = 33;
// The bar's full scale, in fifths of a percent.
inline constexpr int32_t kFullBar = 500;

// The fields of the window that the workflow sets; owned by the window thread.
struct WorkflowFields {
  StatusLines status = status::kWindowOpened;
  bool busy = false;
  bool finished = false;
  int32_t progress = 0;
  int32_t shownProgress = 0;
};

enum class WorkflowState { Idle, Preparing, Running, Succeeded };
const char *WorkflowStateName(WorkflowState state);
WorkflowState StateOf(const WorkflowFields &fields, bool timerRunning);

// What a timer tick asks of the window besides the repaint it always asks.
struct TickOutcome {
  bool stopTimer = false;
  bool deleteLibraryCopy = false;
};
// One ProgressTimer tick with the poll result pos.
TickOutcome ApplyProgressTick(WorkflowFields &fields, int32_t pos);

// How the worker reaches the window; each call is carried out on the window
// thread, in call order.
class WindowPort {
 public:
  virtual ~WindowPort() = default;
  virtual void SetStatus(const StatusLines &lines) = 0;
  virtual void SetBusy(bool busy) = 0;
  virtual void RequestRepaint() = 0;
  virtual void StartProgressTimer() = 0;
};

// The values of the first attempt; the second uses the boot loader's ids.
struct UpgradeTarget {
  std::string chipName;
  int32_t vendorId = 0;
  int32_t productId = 0;
  int32_t bootVendorId = 0;
  int32_t bootProductId = 0;
};

// The body of the worker thread: one run per press.
void UpgradeWorker(WindowPort &window, const TempFiles &files, UpgradeStarter &client,
                   const UpgradeTarget &target);

}  // namespace kvn::app
