#include "upgrade_workflow.h"

namespace kvn::app {

const char *WorkflowStateName(WorkflowState state) {
  switch (state) {
    case WorkflowState::Idle: return "Idle";
    case WorkflowState::Preparing: return "Preparing";
    case WorkflowState::Running: return "Running";
    case WorkflowState::Succeeded: return "Succeeded";
  }
  return "?";
}

WorkflowState StateOf(const WorkflowFields &fields, bool timerRunning) {
  if (fields.finished) return WorkflowState::Succeeded;
  if (!fields.busy) return WorkflowState::Idle;
  return timerRunning ? WorkflowState::Running : WorkflowState::Preparing;
}

TickOutcome ApplyProgressTick(WorkflowFields &fields, int32_t pos) {
  TickOutcome outcome;
  fields.progress = pos;
  // The bar follows the library by at most one percent a tick.
  if (fields.shownProgress <= 5 * pos) fields.shownProgress += 5;
  if (pos == 100) {
    fields.status = status::kFinished;
    fields.shownProgress = kFullBar;
    fields.finished = true;
    fields.busy = false;
    outcome.stopTimer = true;
    outcome.deleteLibraryCopy = true;
  } else if (pos == -1) {
    // shownProgress keeps its value; the fill is not drawn while progress <= 0.
    fields.status = status::kFailed;
    fields.busy = false;
    outcome.stopTimer = true;
    outcome.deleteLibraryCopy = true;
  }
  return outcome;
}

namespace {

bool Attempt(WindowPort &window, const TempFiles &files, UpgradeStarter &client,
             const UpgradeRequest &request) {
  if (!client.StartUpgrade(request)) return false;
  window.StartProgressTimer();
  files.DeleteLibraryCopy();
  return true;
}

}  // namespace

void UpgradeWorker(WindowPort &window, const TempFiles &files, UpgradeStarter &client,
                   const UpgradeTarget &target) {
  files.DeleteLibraryCopy();
  if (!files.PrepareUpgradeFiles()) {
    window.SetStatus(status::kFileError);
    window.RequestRepaint();
    window.SetBusy(false);
    return;
  }

  const std::string firmwarePath = files.FirmwarePath();
  const std::string libraryCopyPath = files.LibraryCopyPath();
  if (!FileExists(firmwarePath)) {
    // The file vanished right after it was written. The lines stay as they
    // are, but the run is over: the start control takes presses again.
    window.SetBusy(false);
    window.RequestRepaint();
    return;
  }

  // No repaint of its own: the lines appear with the next one.
  window.SetStatus(status::kUpgrading);

  const UpgradeRequest first{firmwarePath, target.chipName, target.vendorId, target.productId,
                             libraryCopyPath};
  const UpgradeRequest second{firmwarePath, target.chipName, target.bootVendorId,
                              target.bootProductId, libraryCopyPath};
  if (!Attempt(window, files, client, first) && !Attempt(window, files, client, second)) {
    window.SetStatus(status::kDeviceNotFound);
    window.SetBusy(false);
    window.RequestRepaint();
  }

  // The library holds the image in memory by now.
  files.DeleteFirmwareFile();
}

}  // namespace kvn::app
